<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>BlockEndBehavior</name>
    <message>
        <source>Cue automatico del blocco successivo</source>
        <translation>Automatically cue the next block</translation>
    </message>
    <message>
        <source>Pausa a nero</source>
        <translation>Pause to black</translation>
    </message>
</context>
<context>
    <name>CaptureLiveSession</name>
    <message>
        <source>Dispositivo non trovato: è collegato?</source>
        <translation>Device not found: is it connected?</translation>
    </message>
    <message>
        <source>Errore dispositivo: %1</source>
        <translation>Device error: %1</translation>
    </message>
    <message>
        <source>Impossibile usare questo dispositivo</source>
        <translation>This device cannot be used</translation>
    </message>
</context>
<context>
    <name>DisplayManager</name>
    <message>
        <source>%lld × %lld — predefinito</source>
        <translation>%lld × %lld — default</translation>
    </message>
</context>
<context>
    <name>Displays</name>
    <message>
        <source>Schermo %1</source>
        <translation>Screen %1</translation>
    </message>
</context>
<context>
    <name>FFmpegLiveSession</name>
    <message>
        <source>Impossibile avviare ffmpeg (errore %1)</source>
        <translation>Could not start ffmpeg (error %1)</translation>
    </message>
    <message>
        <source>Questo ffmpeg non supporta %1: serve una build con libsrt</source>
        <translation>This ffmpeg does not support %1: a build with libsrt is needed</translation>
    </message>
    <message>
        <source>ffmpeg non trovato: serve per ricevere RTMP e SRT</source>
        <translation>ffmpeg not found: it is needed to receive RTMP and SRT</translation>
    </message>
    <message>
        <source>La porta %1 è già in uso da un altro programma: chiudilo o scegli un&apos;altra porta</source>
        <translation>Port %1 is already used by another program: close it or choose another port</translation>
    </message>
</context>
<context>
    <name>KeyCombo</name>
    <message>
        <source>Spazio</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Tasto %1</source>
        <translation>Key %1</translation>
    </message>
</context>
<context>
    <name>LiveSessionFactory</name>
    <message>
        <source>NDI non è disponibile in questa versione di Tessarin</source>
        <translation>NDI is not available in this version of Tessarin</translation>
    </message>
</context>
<context>
    <name>LiveSourceKind</name>
    <message>
        <source>Input Live</source>
        <translation>Live Input</translation>
    </message>
</context>
<context>
    <name>LiveStatusPanel</name>
    <message>
        <source>In attesa del segnale…</source>
        <translation>Waiting for signal…</translation>
    </message>
</context>
<context>
    <name>MediaPlayer</name>
    <message>
        <source>il file è stato cambiato mentre era in uso</source>
        <translation>the file was changed while it was in use</translation>
    </message>
    <message>
        <source>il file finisce prima della durata indicata</source>
        <translation>the file ends before its stated length</translation>
    </message>
    <message>
        <source>nessuna traccia audio o video riproducibile</source>
        <translation>no playable audio or video track</translation>
    </message>
</context>
<context>
    <name>PlaylistEngine</name>
    <message>
        <source>Blocco %1</source>
        <translation>Block %1</translation>
    </message>
    <message>
        <source>la riproduzione si è fermata e non riprende</source>
        <translation>playback stopped and does not resume</translation>
    </message>
</context>
<context>
    <name>ScheduleEvent</name>
    <message>
        <source>A seguire</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>Manuale</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Ogni giorno</source>
        <translation>Every day</translation>
    </message>
    <message>
        <source>Ogni settimana</source>
        <translation>Every week</translation>
    </message>
    <message>
        <source>Orario fisso</source>
        <translation>Fixed time</translation>
    </message>
    <message>
        <source>Una volta</source>
        <translation>Once</translation>
    </message>
</context>
<context>
    <name>ShowController</name>
    <message>
        <source>%1 (è una pipe, non un file)</source>
        <translation>%1 (a pipe, not a file)</translation>
    </message>
    <message>
        <source>%1 (è un dispositivo, non un file)</source>
        <translation>%1 (a device, not a file)</translation>
    </message>
    <message>
        <source>%1 (è una cartella, non un file)</source>
        <translation>%1 (a folder, not a file)</translation>
    </message>
    <message>
        <source>%1 (è un socket, non un file)</source>
        <translation>%1 (a socket, not a file)</translation>
    </message>
    <message>
        <source>

Sono stati tolti dallo show; se lo salvi ora, non ci saranno più.</source>
        <translation>

They have been removed from the show; if you save it now, they will be gone.</translation>
    </message>
    <message>
        <source>%1 file non sono stati trovati</source>
        <translation>%1 files were not found</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Non salvare</source>
        <translation>Don’t Save</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Un file non è stato trovato</source>
        <translation>One file was not found</translation>
    </message>
</context>
<context>
    <name>StreamFormat</name>
    <message>
        <source>%1i59,94</source>
        <translation>%1i59.94</translation>
    </message>
    <message>
        <source>23,976</source>
        <translation>23.976</translation>
    </message>
    <message>
        <source>29,97</source>
        <translation>29.97</translation>
    </message>
    <message>
        <source>50i (25 fps)</source>
        <translation>50i (25 fps)</translation>
    </message>
    <message>
        <source>59,94</source>
        <translation>59.94</translation>
    </message>
    <message>
        <source>59,94i (29,97 fps)</source>
        <translation>59.94i (29.97 fps)</translation>
    </message>
    <message>
        <source>60i (30 fps)</source>
        <translation>60i (30 fps)</translation>
    </message>
    <message>
        <source>Interlacciato</source>
        <translation>Interlaced</translation>
    </message>
    <message>
        <source>Progressivo</source>
        <translation>Progressive</translation>
    </message>
</context>
<context>
    <name>StreamManager</name>
    <message>
        <source>Tessarin sta trasmettendo in streaming</source>
        <translation>Tessarin is streaming</translation>
    </message>
</context>
<context>
    <name>StreamOutput</name>
    <message>
        <source>Connessione interrotta</source>
        <translation>Connection lost</translation>
    </message>
    <message>
        <source>Impossibile avviare ffmpeg (errore %1)</source>
        <translation>Could not start ffmpeg (error %1)</translation>
    </message>
    <message>
        <source>Impossibile creare le pipe verso ffmpeg</source>
        <translation>Could not create the pipes to ffmpeg</translation>
    </message>
    <message>
        <source>Inserisci l&apos;indirizzo di destinazione</source>
        <translation>Enter the destination address</translation>
    </message>
    <message>
        <source>L&apos;H.264 interlacciato richiede un ffmpeg con x264 installato (es. con apt: apt install ffmpeg). In alternativa usa MPEG-2 con SRT.</source>
        <translation>Interlaced H.264 needs an ffmpeg with x264 installed (e.g. with apt: apt install ffmpeg). Alternatively use MPEG-2 over SRT.</translation>
    </message>
    <message>
        <source>L&apos;indirizzo deve iniziare con %1://</source>
        <translation>The address must begin with %1://</translation>
    </message>
    <message>
        <source>L&apos;interlacciato in MPEG-2 funziona solo con SRT: usa SRT oppure H.264</source>
        <translation>Interlaced MPEG-2 only works over SRT: use SRT or H.264</translation>
    </message>
    <message>
        <source>Nessun ffmpeg disponibile può inviare in SRT</source>
        <translation>No available ffmpeg can send over SRT</translation>
    </message>
    <message>
        <source>Questo ffmpeg non ha l&apos;encoder MPEG-2</source>
        <translation>This ffmpeg has no MPEG-2 encoder</translation>
    </message>
    <message>
        <source>Questo ffmpeg non ha un encoder H.264</source>
        <translation>This ffmpeg has no H.264 encoder</translation>
    </message>
    <message>
        <source>Questo ffmpeg non ha un encoder H.265: scegli H.264</source>
        <translation>This ffmpeg has no H.265 encoder: choose H.264</translation>
    </message>
    <message>
        <source>Questo ffmpeg non può inviare in %1: serve una build con libsrt</source>
        <translation>This ffmpeg cannot send over %1: a build with libsrt is needed</translation>
    </message>
    <message>
        <source>ffmpeg non trovato: serve per lo streaming</source>
        <translation>ffmpeg not found: it is needed for streaming</translation>
    </message>
    <message>
        <source>Il portachiavi non ha dato l&apos;indirizzo di destinazione</source>
        <translation>The keyring did not provide the destination address</translation>
    </message>
    <message>
        <source>Il portachiavi è bloccato: sbloccalo per usare l&apos;indirizzo di destinazione salvato</source>
        <translation>The keyring is locked: unlock it to use the saved destination address</translation>
    </message>
    <message>
        <source>L&apos;indirizzo è troppo lungo: al massimo %1 caratteri</source>
        <translation>The address is too long: %1 characters at most</translation>
    </message>
    <message>
        <source>Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264</source>
        <translation>No working hardware H.265 encoder on this computer: choose H.264</translation>
    </message>
</context>
<context>
    <name>TransitionStyle</name>
    <message>
        <source>Cut</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>Fade</source>
        <translation>Fade</translation>
    </message>
</context>
<context>
    <name>tessarin::AtemTallyMonitor</name>
    <message>
        <source>Inserisci l&apos;indirizzo IP della regia</source>
        <translation>Enter the switcher&apos;s IP address</translation>
    </message>
    <message>
        <source>Integrazione ATEM non ancora collegata</source>
        <translation>ATEM integration not connected yet</translation>
    </message>
</context>
<context>
    <name>tessarin::MainWindow</name>
    <message>
        <source>Tessarin</source>
        <translation>Tessarin</translation>
    </message>
</context>
<context>
    <name>tessarin::OutputWindowController</name>
    <message>
        <source>Risoluzione attuale</source>
        <translation>Current resolution</translation>
    </message>
    <message>
        <source>Uscita di Tessarin</source>
        <translation>Tessarin output</translation>
    </message>
    <message>
        <source>Uscita interrotta: %1 è stato scollegato.</source>
        <translation>Output stopped: %1 was disconnected.</translation>
    </message>
    <message>
        <source>Uscita non avviata: %1 non è più collegato.</source>
        <translation>Output not started: %1 is no longer connected.</translation>
    </message>
    <message>
        <source>Uscita interrotta: la finestra di Tessarin passa su %1.</source>
        <translation>Output stopped: the Tessarin window moves to %1.</translation>
    </message>
</context>
<context>
    <name>tessarin::RowDestinations</name>
    <message>
        <source>Aggiungi al blocco “%1”</source>
        <translation>Add to block “%1”</translation>
    </message>
    <message>
        <source>Aggiungi a un nuovo blocco</source>
        <translation>Add to a new block</translation>
    </message>
    <message>
        <source>Carica in %1</source>
        <translation>Load into %1</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleController</name>
    <message>
        <source>Blocco mancante</source>
        <translation>Missing block</translation>
    </message>
    <message>
        <source>Il blocco “%1” è vuoto: non c&apos;è nulla da mandare in onda.</source>
        <translation>The block “%1” is empty: there is nothing to put on air.</translation>
    </message>
    <message>
        <source>Un evento del palinsesto punta a un blocco che non esiste più.</source>
        <translation>A schedule event points to a block that no longer exists.</translation>
    </message>
</context>
<context>
    <name>tessarin::ShowController</name>
    <message>
        <source>Il file non esiste.</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>Non hai il permesso di leggere il file.</source>
        <translation>You do not have permission to read the file.</translation>
    </message>
    <message>
        <source>Il percorso passa per collegamenti simbolici che rimandano a se stessi.</source>
        <translation>The path goes through symbolic links that lead back to themselves.</translation>
    </message>
    <message>
        <source>%1 — modificato</source>
        <translation>%1 — edited</translation>
    </message>
    <message>
        <source>Apri uno show di Tessarin</source>
        <translation>Open a Tessarin show</translation>
    </message>
    <message>
        <source>Il file non è uno show valido di Tessarin.</source>
        <translation>The file is not a valid Tessarin show.</translation>
    </message>
    <message>
        <source>Impossibile aprire lo show</source>
        <translation>The show could not be opened</translation>
    </message>
    <message>
        <source>Impossibile salvare lo show</source>
        <translation>The show could not be saved</translation>
    </message>
    <message>
        <source>Le modifiche a “%1” andranno perse se non le salvi.</source>
        <translation>Your changes to “%1” will be lost if you don’t save them.</translation>
    </message>
    <message>
        <source>Lo show contiene un numero non valido.</source>
        <translation>The show contains a number that is not valid.</translation>
    </message>
    <message>
        <source>Salva lo show</source>
        <translation>Save the show</translation>
    </message>
    <message>
        <source>Salvare le modifiche allo show?</source>
        <translation>Save the changes to the show?</translation>
    </message>
    <message>
        <source>Show senza titolo</source>
        <translation>Untitled show</translation>
    </message>
</context>
<context>
    <name>tessarin::BlockCardView</name>
    <message>
        <source>Nome blocco</source>
        <translation>Block name</translation>
    </message>
    <message>
        <source>Riproduci blocco</source>
        <translation>Play block</translation>
    </message>
    <message>
        <source>Loop blocco (ricomincia dal primo video alla fine)</source>
        <translation>Loop block (starts again from the first video at the end)</translation>
    </message>
    <message>
        <source>Impostazioni blocco</source>
        <translation>Block settings</translation>
    </message>
    <message>
        <source>Elimina blocco</source>
        <translation>Delete block</translation>
    </message>
</context>
<context>
    <name>tessarin::BlockSettingsView</name>
    <message>
        <source>Normalizza audio</source>
        <translation>Normalize audio</translation>
    </message>
    <message>
        <source>Loop blocco</source>
        <translation>Loop block</translation>
    </message>
    <message>
        <source>Porta il picco di ogni clip del blocco a un livello comune</source>
        <translation>Brings the peak of every clip of the block to a common level</translation>
    </message>
    <message>
        <source>Ricomincia dal primo video alla fine del blocco</source>
        <translation>Starts again from the first video at the end of the block</translation>
    </message>
    <message>
        <source>Alla fine del blocco</source>
        <translation>At the end of the block</translation>
    </message>
    <message>
        <source>Infinito</source>
        <translation>Infinite</translation>
    </message>
    <message>
        <source>Numero di volte</source>
        <translation>Number of times</translation>
    </message>
    <message>
        <source>Ripeti 1 volta</source>
        <translation>Repeat once</translation>
    </message>
    <message>
        <source>Ripeti %1 volte</source>
        <translation>Repeat %1 times</translation>
    </message>
</context>
<context>
    <name>tessarin::CountCapsule</name>
    <message>
        <source>Numero di tracce nel blocco</source>
        <translation>Number of tracks in the block</translation>
    </message>
</context>
<context>
    <name>tessarin::DragHandle</name>
    <message>
        <source>Trascina per riordinare i blocchi</source>
        <translation>Drag to reorder the blocks</translation>
    </message>
</context>
<context>
    <name>tessarin::DropZone</name>
    <message>
        <source>Trascina qui file o sorgenti per creare un nuovo blocco</source>
        <translation>Drag files or sources here to create a new block</translation>
    </message>
</context>
<context>
    <name>tessarin::EmptyBlockHint</name>
    <message>
        <source>Trascina qui file o sorgenti dal browser</source>
        <translation>Drag files or sources here from the browser</translation>
    </message>
</context>
<context>
    <name>tessarin::GainSlider</name>
    <message>
        <source>Guadagno della traccia — doppio clic per riportarlo a 0 dB</source>
        <translation>Track gain — double-click to reset it to 0 dB</translation>
    </message>
</context>
<context>
    <name>tessarin::MediaRowView</name>
    <message>
        <source>Impossibile riprodurre il file: %1</source>
        <translation>Cannot play the file: %1</translation>
    </message>
    <message>
        <source>Input Live</source>
        <translation>Live Input</translation>
    </message>
    <message>
        <source>Seleziona — usata dal tasto “cue” e dal tally ATEM</source>
        <translation>Select — used by the “cue” key and the ATEM tally</translation>
    </message>
    <message>
        <source>Durata della clip (tiene conto dei punti IN/OUT)</source>
        <translation>Clip length (takes the IN/OUT points into account)</translation>
    </message>
    <message>
        <source>Durata di visualizzazione dell&apos;immagine</source>
        <translation>How long the image is shown</translation>
    </message>
    <message>
        <source>Punti IN/OUT</source>
        <translation>IN/OUT points</translation>
    </message>
    <message>
        <source>Prepara (cue) senza avviare la riproduzione</source>
        <translation>Prepare (cue) without starting playback</translation>
    </message>
    <message>
        <source>Riproduci da qui</source>
        <translation>Play from here</translation>
    </message>
    <message>
        <source>Loop video (si ripete senza avanzare al successivo)</source>
        <translation>Loop video (repeats without moving on to the next)</translation>
    </message>
    <message>
        <source>Rimuovi dal blocco</source>
        <translation>Remove from the block</translation>
    </message>
    <message>
        <source>Disattiva l&apos;audio di questa traccia</source>
        <translation>Mute this track</translation>
    </message>
    <message>
        <source>MUTE</source>
        <translation>MUTE</translation>
    </message>
    <message>
        <source>in attesa del segnale…</source>
        <translation>waiting for signal…</translation>
    </message>
    <message>
        <source>in diretta</source>
        <translation>live</translation>
    </message>
    <message>
        <source>LIVE · %1</source>
        <translation>LIVE · %1</translation>
    </message>
    <message>
        <source>Immagine · %1 s</source>
        <translation>Image · %1 s</translation>
    </message>
    <message>
        <source>in loop</source>
        <translation>looping</translation>
    </message>
</context>
<context>
    <name>tessarin::PlaylistColumnView</name>
    <message>
        <source>Blocchi</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Nuovo blocco</source>
        <translation>New block</translation>
    </message>
    <message>
        <source>Trascina qui file o sorgenti dal browser per creare automaticamente un blocco, oppure crealo con “Nuovo blocco”.</source>
        <translation>Drag files or sources here from the browser to create a block automatically, or create one with “New block”.</translation>
    </message>
</context>
<context>
    <name>BrowserTab</name>
    <message>
        <source>Media</source>
        <translation>Media</translation>
    </message>
    <message>
        <source>Sorgenti</source>
        <translation>Sources</translation>
    </message>
</context>
<context>
    <name>MediaImport</name>
    <message>
        <source>File video, audio e immagini</source>
        <translation>Video, audio and image files</translation>
    </message>
</context>
<context>
    <name>tessarin::AddSourceView</name>
    <message>
        <source>Aggiungi</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Attendi che l&apos;encoder si colleghi (listener)</source>
        <translation>Wait for the encoder to connect (listener)</translation>
    </message>
    <message>
        <source>Indirizzo</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Nome (facoltativo)</source>
        <translation>Name (optional)</translation>
    </message>
    <message>
        <source>Nuova sorgente %1</source>
        <translation>New %1 source</translation>
    </message>
    <message>
        <source>Per ricevere da un encoder usa rtmp://0.0.0.0:1935/live/chiave con “listener” attivo, poi invia a rtmp://&lt;IP di questo computer&gt;:1935/live/chiave. Per leggere da un server inserisci il suo indirizzo.</source>
        <translation>To receive from an encoder use rtmp://0.0.0.0:1935/live/key with “listener” on, then send to rtmp://&lt;IP of this computer&gt;:1935/live/key. To read from a server enter its address.</translation>
    </message>
    <message>
        <source>Tessarin apre la porta e aspetta OBS, vMix o un altro encoder che invia il flusso</source>
        <translation>Tessarin opens the port and waits for OBS, vMix or another encoder to send the stream</translation>
    </message>
    <message>
        <source>Usa srt://0.0.0.0:9000?mode=listener per attendere un encoder, oppure srt://indirizzo:porta per collegarti a un server.</source>
        <translation>Use srt://0.0.0.0:9000?mode=listener to wait for an encoder, or srt://address:port to connect to a server.</translation>
    </message>
</context>
<context>
    <name>tessarin::BrowserColumnView</name>
    <message>
        <source>Aggiungi file…</source>
        <translation>Add files…</translation>
    </message>
    <message>
        <source>Browser</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>Il nome del file non è testo UTF-8 valido: lo show non potrebbe salvarlo e il file andrebbe perso alla riapertura. Rinomina il file e aggiungilo di nuovo.</source>
        <translation>The file name is not valid UTF-8 text: the show could not save it and the file would be lost when the show is opened again. Rename the file and add it again.</translation>
    </message>
    <message>
        <source>Impossibile aggiungere %1 file</source>
        <translation>Cannot add %1 files</translation>
    </message>
    <message>
        <source>Impossibile aggiungere “%1”</source>
        <translation>Cannot add “%1”</translation>
    </message>
    <message>
        <source>Rimuovi %1 file dal browser</source>
        <translation>Remove %1 files from the browser</translation>
    </message>
    <message>
        <source>Rimuovi dal browser</source>
        <translation>Remove from the browser</translation>
    </message>
    <message>
        <source>Seleziona tutto</source>
        <translation>Select All</translation>
    </message>
</context>
<context>
    <name>tessarin::BrowserMediaList</name>
    <message>
        <source>Trascina qui i file video, audio o immagini
oppure usa il pulsante “+”</source>
        <translation>Drag video, audio or image files here
or use the “+” button</translation>
    </message>
</context>
<context>
    <name>tessarin::BrowserRow</name>
    <message>
        <source>%1 file</source>
        <translation>%1 files</translation>
    </message>
</context>
<context>
    <name>tessarin::SourceRow</name>
    <message>
        <source>Trascina in un blocco</source>
        <translation>Drag into a block</translation>
    </message>
    <message>
        <source>in ascolto · %1</source>
        <translation>listening · %1</translation>
    </message>
</context>
<context>
    <name>tessarin::SourceSection</name>
    <message>
        <source>Aggiungi una sorgente %1</source>
        <translation>Add an %1 source</translation>
    </message>
    <message>
        <source>Nessun dispositivo di acquisizione collegato</source>
        <translation>No capture device connected</translation>
    </message>
    <message>
        <source>Premi + per aggiungere un feed %1</source>
        <translation>Press + to add an %1 feed</translation>
    </message>
    <message>
        <source>Rimuovi</source>
        <translation>Remove</translation>
    </message>
</context>
<context>
    <name>tessarin::SourcesList</name>
    <message>
        <source>Trascina una sorgente in un blocco per mandarla in onda come una traccia.</source>
        <translation>Drag a source into a block to put it on air like a track.</translation>
    </message>
</context>
<context>
    <name>tessarin::OnAirBadge</name>
    <message>
        <source>ON AIR</source>
        <translation>ON AIR</translation>
    </message>
    <message>
        <source>PAUSA</source>
        <translation>PAUSED</translation>
    </message>
</context>
<context>
    <name>tessarin::SettingsWindowController</name>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>tessarin::LayerControlView</name>
    <message>
        <source>Carica un file…</source>
        <translation>Load a file…</translation>
    </message>
    <message>
        <source>Opacità, dimensione e posizione</source>
        <translation>Opacity, size and position</translation>
    </message>
    <message>
        <source>Svuota il layer</source>
        <translation>Clear the layer</translation>
    </message>
    <message>
        <source>Trascina un PNG o un video con alpha</source>
        <translation>Drop a PNG or a video with alpha</translation>
    </message>
    <message>
        <source>IN ONDA</source>
        <translation>VISIBLE</translation>
    </message>
    <message>
        <source>MOSTRA</source>
        <translation>SHOW</translation>
    </message>
</context>
<context>
    <name>tessarin::LayerSettingsView</name>
    <message>
        <source>Opacità</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>Dimensione</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Posizione X</source>
        <translation>Position X</translation>
    </message>
    <message>
        <source>Posizione Y</source>
        <translation>Position Y</translation>
    </message>
    <message>
        <source>Ripeti in loop</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>Se spento, il video si ferma sull&apos;ultimo fotogramma</source>
        <translation>When off, the video stops on its last frame</translation>
    </message>
    <message>
        <source>Ripristina</source>
        <translation>Reset</translation>
    </message>
</context>
<context>
    <name>tessarin::WaveformTrimView</name>
    <message>
        <source>Durata</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>Reimposta punti IN/OUT</source>
        <translation>Reset IN/OUT points</translation>
    </message>
</context>
<context>
    <name>tessarin::BlockPicker</name>
    <message>
        <source>Blocco</source>
        <translation>Block</translation>
    </message>
    <message>
        <source> · diretta</source>
        <translation> · live</translation>
    </message>
    <message>
        <source>Nessun blocco: creane uno</source>
        <translation>No blocks: create one</translation>
    </message>
    <message>
        <source>Scegli un blocco</source>
        <translation>Choose a block</translation>
    </message>
</context>
<context>
    <name>tessarin::DurationFields</name>
    <message>
        <source>Ore</source>
        <translation>Hours</translation>
    </message>
    <message>
        <source>Minuti</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>Secondi</source>
        <translation>Seconds</translation>
    </message>
</context>
<context>
    <name>tessarin::TimeOfDayFields</name>
    <message>
        <source>Ora</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>Minuti</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>Secondi</source>
        <translation>Seconds</translation>
    </message>
</context>
<context>
    <name>tessarin::FilePicker</name>
    <message>
        <source>Scegli file…</source>
        <translation>Choose File…</translation>
    </message>
    <message>
        <source>Dal Browser</source>
        <translation>From Browser</translation>
    </message>
    <message>
        <source>Nessun file scelto</source>
        <translation>No file chosen</translation>
    </message>
    <message>
        <source>Video, immagini e audio (%1)</source>
        <translation>Video, images and audio (%1)</translation>
    </message>
</context>
<context>
    <name>tessarin::LivePicker</name>
    <message>
        <source>Nuova %1…</source>
        <translation>New %1…</translation>
    </message>
    <message>
        <source>Sorgente</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Scegli una sorgente</source>
        <translation>Choose a source</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleAutomationBar</name>
    <message>
        <source>Loop</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>Riparti da capo: azzera lo stato di ciò che è già andato in onda</source>
        <translation>Start over: clear the record of what has already aired</translation>
    </message>
    <message>
        <source>Automazione attiva</source>
        <translation>Automation on</translation>
    </message>
    <message>
        <source>Automazione spenta</source>
        <translation>Automation off</translation>
    </message>
    <message>
        <source>Gli eventi partono da soli. Clicca per fermare l&apos;automazione (ciò che è in onda continua).</source>
        <translation>Events start on their own. Click to stop the automation (what is on air keeps playing).</translation>
    </message>
    <message>
        <source>Attiva l&apos;automazione: gli eventi partono da soli all&apos;orario stabilito.</source>
        <translation>Turn on the automation: events start on their own at the set time.</translation>
    </message>
    <message>
        <source>Loop attivo: finito l&apos;ultimo evento si riparte dal primo</source>
        <translation>Loop on: after the last event it starts again from the first</translation>
    </message>
    <message>
        <source>Attiva il loop: finito l&apos;ultimo evento si riparte dal primo</source>
        <translation>Turn on the loop: after the last event it starts again from the first</translation>
    </message>
    <message>
        <source> In loop: finito l&apos;ultimo evento si riparte dal primo.</source>
        <translation> Looping: after the last event it starts again from the first.</translation>
    </message>
    <message>
        <source>Spenta: gli eventi non partono da soli, ma puoi avviarli a mano.</source>
        <translation>Off: events do not start on their own, but you can start them by hand.</translation>
    </message>
    <message>
        <source>Attiva. Nessun evento a orario fisso in arrivo.</source>
        <translation>On. No fixed-time event coming up.</translation>
    </message>
    <message>
        <source>evento</source>
        <translation>event</translation>
    </message>
    <message>
        <source>Prossimo: “%1” alle %2 — tra %3</source>
        <translation>Next: “%1” at %2 — in %3</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleColumnView</name>
    <message>
        <source>Nuovo evento</source>
        <translation>New Event</translation>
    </message>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Aggiungi un evento al palinsesto</source>
        <translation>Add an event to the schedule</translation>
    </message>
    <message>
        <source>Nessun evento. Trascina qui file o sorgenti live dal Browser, oppure usa “Nuovo evento”: scegli un file, una diretta o un blocco e quando mandarlo in onda (a un orario preciso, a seguire del precedente, oppure a mano).</source>
        <translation>No events. Drag files or live sources here from the Browser, or use “New Event”: choose a file, a live source or a block and when to put it on air (at a set time, after the previous one, or by hand).</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleEventDraft</name>
    <message>
        <source>Blocco</source>
        <translation>Block</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Diretta</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Va in onda all&apos;ora indicata. Se in quel momento c&apos;è altro in onda, viene sostituito.</source>
        <translation>Goes on air at the set time. Whatever is on air at that moment is replaced.</translation>
    </message>
    <message>
        <source>Parte da solo appena finisce l&apos;evento che lo precede nell&apos;elenco.</source>
        <translation>Starts on its own as soon as the event before it in the list ends.</translation>
    </message>
    <message>
        <source>Non parte da solo: lo avvii tu con il pulsante Play della riga.</source>
        <translation>Does not start on its own: you start it with the row&apos;s Play button.</translation>
    </message>
    <message>
        <source>Una diretta non ha una fine: senza limite resta in onda finché non parte un evento a orario fisso o la fermi tu, e gli eventi “a seguire” e il loop non scattano.</source>
        <translation>A live source has no end: without a limit it stays on air until a fixed-time event starts or you stop it, and “follow” events and the loop never trigger.</translation>
    </message>
    <message>
        <source>Senza limite l&apos;evento dura quanto il suo blocco.</source>
        <translation>Without a limit the event lasts as long as its block.</translation>
    </message>
    <message>
        <source>Allo scadere l&apos;evento finisce e passa a ciò che viene dopo: l&apos;evento “a seguire”, il loop o la fine del blocco.</source>
        <translation>When time is up the event ends and moves on to what comes next: the “follow” event, the loop or the end of the block.</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleEventEditor</name>
    <message>
        <source>Nuovo evento</source>
        <translation>New Event</translation>
    </message>
    <message>
        <source>Modifica evento</source>
        <translation>Edit Event</translation>
    </message>
    <message>
        <source>COSA MANDARE IN ONDA</source>
        <translation>WHAT TO PUT ON AIR</translation>
    </message>
    <message>
        <source>Contenuto</source>
        <translation>Content</translation>
    </message>
    <message>
        <source>PARTENZA</source>
        <translation>START</translation>
    </message>
    <message>
        <source>Partenza</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>GIORNO</source>
        <translation>DAY</translation>
    </message>
    <message>
        <source>Giorno</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>ORA (ORE : MINUTI : SECONDI)</source>
        <translation>TIME (HOURS : MINUTES : SECONDS)</translation>
    </message>
    <message>
        <source>RIPETIZIONE</source>
        <translation>REPEAT</translation>
    </message>
    <message>
        <source>Ripetizione</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>DURATA MASSIMA</source>
        <translation>MAXIMUM DURATION</translation>
    </message>
    <message>
        <source>Limita la durata</source>
        <translation>Limit the duration</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Aggiungi</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleRow</name>
    <message>
        <source>Manda in onda adesso</source>
        <translation>Put on air now</translation>
    </message>
    <message>
        <source>Azioni dell&apos;evento</source>
        <translation>Event actions</translation>
    </message>
    <message>
        <source>Modifica…</source>
        <translation>Edit…</translation>
    </message>
    <message>
        <source>Disattiva</source>
        <translation>Disable</translation>
    </message>
    <message>
        <source>Sposta su</source>
        <translation>Move Up</translation>
    </message>
    <message>
        <source>Sposta giù</source>
        <translation>Move Down</translation>
    </message>
    <message>
        <source>Elimina</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Attiva</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>In attesa</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>In onda</source>
        <translation>On air</translation>
    </message>
    <message>
        <source>Andato in onda</source>
        <translation>Aired</translation>
    </message>
    <message>
        <source>Saltato</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>Disattivato</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>Blocco mancante</source>
        <translation>Missing block</translation>
    </message>
    <message>
        <source>A SEGUIRE</source>
        <translation>FOLLOWS</translation>
    </message>
    <message>
        <source>MANUALE</source>
        <translation>MANUAL</translation>
    </message>
    <message>
        <source>a seguire</source>
        <translation>follows</translation>
    </message>
    <message>
        <source>parte a mano</source>
        <translation>starts by hand</translation>
    </message>
    <message>
        <source>ogni giorno</source>
        <translation>every day</translation>
    </message>
    <message>
        <source>ogni %1</source>
        <translation>every %1</translation>
    </message>
    <message>
        <source>Il blocco è stato eliminato</source>
        <translation>The block was deleted</translation>
    </message>
    <message>
        <source>diretta · fino a </source>
        <translation>live · up to </translation>
    </message>
    <message>
        <source>diretta · senza limite</source>
        <translation>live · no limit</translation>
    </message>
    <message>
        <source>durata non definita</source>
        <translation>duration unknown</translation>
    </message>
    <message>
        <source>durata </source>
        <translation>duration </translation>
    </message>
    <message>
        <source> (limite)</source>
        <translation> (limit)</translation>
    </message>
</context>
<context>
    <name>SettingsSection</name>
    <message>
        <source>Uscita esterna</source>
        <translation>External output</translation>
    </message>
    <message>
        <source>Regia ATEM</source>
        <translation>ATEM switcher</translation>
    </message>
    <message>
        <source>Scorciatoie</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Lingua</source>
        <translation>Language</translation>
    </message>
</context>
<context>
    <name>ShortcutActionID</name>
    <message>
        <source>Play / Pausa</source>
        <translation>Play / Pause</translation>
    </message>
    <message>
        <source>Manda in onda (take)</source>
        <translation>Take (send on air)</translation>
    </message>
    <message>
        <source>Annulla cue</source>
        <translation>Clear cue</translation>
    </message>
    <message>
        <source>Cue della clip selezionata</source>
        <translation>Cue the selected clip</translation>
    </message>
    <message>
        <source>Mostra / nascondi Layer 1</source>
        <translation>Show / hide Layer 1</translation>
    </message>
    <message>
        <source>Mostra / nascondi Layer 2</source>
        <translation>Show / hide Layer 2</translation>
    </message>
    <message>
        <source>Avvia blocco %1</source>
        <translation>Start block %1</translation>
    </message>
</context>
<context>
    <name>tessarin::AtemSettingsView</name>
    <message>
        <source>Regia ATEM</source>
        <translation>ATEM switcher</translation>
    </message>
    <message>
        <source>Attiva auto-take da ATEM</source>
        <translation>Enable auto-take from ATEM</translation>
    </message>
    <message>
        <source>Indirizzo IP della regia</source>
        <translation>Switcher IP address</translation>
    </message>
    <message>
        <source>es. %1</source>
        <translation>e.g. %1</translation>
    </message>
    <message>
        <source>Ingresso ATEM dedicato al playout</source>
        <translation>ATEM input dedicated to playout</translation>
    </message>
    <message>
        <source>Quando l&apos;ingresso indicato va in program sull&apos;ATEM, la clip in cue viene mandata in onda automaticamente — esattamente come premendo “Manda in onda”.</source>
        <translation>When the chosen input goes to program on the ATEM, the cued clip is sent on air automatically — exactly like pressing “Take”.</translation>
    </message>
    <message>
        <source>Ingresso %1</source>
        <translation>Input %1</translation>
    </message>
    <message>
        <source>Connesso</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>Non connesso</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>tessarin::LanguageSettingsView</name>
    <message>
        <source>Lingua</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>La lingua cambia quando riapri Tessarin.</source>
        <translation>The language changes when you reopen Tessarin.</translation>
    </message>
    <message>
        <source>Riavvia ora</source>
        <translation>Restart now</translation>
    </message>
    <message>
        <source>Automatica (lingua del computer)</source>
        <translation>Automatic (computer language)</translation>
    </message>
</context>
<context>
    <name>tessarin::OutputSettingsView</name>
    <message>
        <source>Uscita esterna</source>
        <translation>External output</translation>
    </message>
    <message>
        <source>Nessun secondo monitor rilevato. Collega un monitor, proiettore o LED wall e riapri questo pannello.</source>
        <translation>No second display detected. Connect a monitor, projector or LED wall and reopen this panel.</translation>
    </message>
    <message>
        <source>Monitor</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Risoluzione / Hz</source>
        <translation>Resolution / Hz</translation>
    </message>
    <message>
        <source>Interrompi uscita</source>
        <translation>Stop output</translation>
    </message>
    <message>
        <source>Avvia uscita fullscreen</source>
        <translation>Start full-screen output</translation>
    </message>
    <message>
        <source>Risoluzione attuale</source>
        <translation>Current resolution</translation>
    </message>
    <message>
        <source>In uscita su %1 — %2</source>
        <translation>Output on %1 — %2</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleBadge</name>
    <message>
        <source>Il palinsesto è in automatico: gli eventi partono da soli</source>
        <translation>The schedule runs automatically: events start by themselves</translation>
    </message>
    <message>
        <source>AUTOMAZIONE</source>
        <translation>AUTOMATION</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleSettingsView</name>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Mai</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>%1 secondi prima</source>
        <translation>%1 seconds before</translation>
    </message>
    <message>
        <source>Cue automatico</source>
        <translation>Automatic cue</translation>
    </message>
    <message>
        <source>Poco prima di un evento a orario fisso, la prima clip del suo blocco viene messa in cue, così parte senza attese. Non succede se hai già qualcosa in cue.</source>
        <translation>Shortly before a fixed-time event, the first clip of its block is cued, so it starts without delay. This does not happen if something is already cued.</translation>
    </message>
    <message>
        <source>%1 secondi</source>
        <translation>%1 seconds</translation>
    </message>
    <message>
        <source>Tolleranza sul ritardo</source>
        <translation>Lateness tolerance</translation>
    </message>
    <message>
        <source>Un evento a orario fisso che risulta in ritardo di più di così (perché il computer era occupato) viene saltato invece di partire fuori orario. Ciò che era già scaduto quando accendi l&apos;automazione non parte mai.</source>
        <translation>A fixed-time event that is later than this (because the computer was busy) is skipped instead of starting off schedule. Whatever had already passed when you turn the automation on never starts.</translation>
    </message>
    <message>
        <source>Con il loop attivo, quando finisce l&apos;ultimo evento il palinsesto riparte dal primo. Gli eventi a orario fisso partono comunque ai loro orari: per averli a ogni giro impostali su “Ogni giorno” o “Ogni settimana”.</source>
        <translation>With loop on, when the last event ends the schedule starts again from the first. Fixed-time events still start at their times: to have them on every round, set them to “Every day” or “Every week”.</translation>
    </message>
    <message>
        <source>L&apos;automazione del palinsesto è sempre spenta quando apri Tessarin o uno show: si accende a mano dalla scheda Palinsesto.</source>
        <translation>The schedule automation is always off when you open Tessarin or a show: turn it on by hand from the Schedule tab.</translation>
    </message>
</context>
<context>
    <name>tessarin::ShortcutRecorderButton</name>
    <message>
        <source>Nessuna scorciatoia</source>
        <translation>No shortcut</translation>
    </message>
    <message>
        <source>Rimuovi scorciatoia</source>
        <translation>Remove shortcut</translation>
    </message>
    <message>
        <source>Premi un tasto…</source>
        <translation>Press a key…</translation>
    </message>
</context>
<context>
    <name>tessarin::ShortcutsSettingsView</name>
    <message>
        <source>Scorciatoie da tastiera</source>
        <translation>Keyboard shortcuts</translation>
    </message>
    <message>
        <source>Blocchi</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Le scorciatoie sono disattivate mentre stai scrivendo in un campo di testo (es. il nome di un blocco).</source>
        <translation>Shortcuts are off while you are typing in a text field (e.g. a block&apos;s name).</translation>
    </message>
    <message>
        <source>Avvia “%1”</source>
        <translation>Start “%1”</translation>
    </message>
</context>
<context>
    <name>tessarin::ShowMenuButton</name>
    <message>
        <source>Nuovo, apri e salva lo show</source>
        <translation>New, open and save the show</translation>
    </message>
    <message>
        <source>Nuovo show</source>
        <translation>New show</translation>
    </message>
    <message>
        <source>Apri show…</source>
        <translation>Open show…</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Salva con nome…</source>
        <translation>Save as…</translation>
    </message>
</context>
<context>
    <name>tessarin::StreamRow</name>
    <message>
        <source>IN DIRETTA</source>
        <translation>LIVE</translation>
    </message>
    <message>
        <source>Il portachiavi è bloccato: l&apos;indirizzo salvato comparirà quando lo sblocchi.</source>
        <translation>The keyring is locked: the saved address will appear once you unlock it.</translation>
    </message>
    <message>
        <source>Il portachiavi non ha salvato l&apos;indirizzo: lo riprovo quando sarà sbloccato.</source>
        <translation>The keyring did not save the address: retrying once it is unlocked.</translation>
    </message>
    <message>
        <source>Fotogrammi non trasmessi: %1 (la codifica non tiene il passo)</source>
        <translation>Frames not sent: %1 (encoding cannot keep up)</translation>
    </message>
    <message>
        <source>Indirizzo di STREAM %1</source>
        <translation>STREAM %1 address</translation>
    </message>
    <message>
        <source>Codec</source>
        <translation>Codec</translation>
    </message>
    <message>
        <source>Avvia</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Fermo</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Connessione…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>srt://server:porta?mode=caller</source>
        <translation>srt://server:port?mode=caller</translation>
    </message>
    <message>
        <source>Ferma</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>RTMP trasmette in H.264: è il codec che le piattaforme accettano.</source>
        <translation>RTMP sends H.264: it is the codec the platforms accept.</translation>
    </message>
    <message>
        <source>H.265 è il codec abituale per SRT: stessa qualità con circa metà bitrate. Il ricevitore deve decodificarlo.</source>
        <translation>H.265 is the usual codec for SRT: the same quality at about half the bitrate. The receiver must decode it.</translation>
    </message>
    <message>
        <source>H.264 è compatibile con qualunque ricevitore.</source>
        <translation>H.264 works with any receiver.</translation>
    </message>
    <message>
        <source>MPEG-2 non si può inviare in RTMP: scegli SRT oppure H.264.</source>
        <translation>MPEG-2 cannot be sent over RTMP: choose SRT or H.264.</translation>
    </message>
    <message>
        <source>MPEG-2 è incluso nell&apos;app e funziona con SRT.</source>
        <translation>MPEG-2 is built into the app and works with SRT.</translation>
    </message>
    <message>
        <source>H.264 interlacciato usa x264 di un ffmpeg installato sul computer (es. apt install ffmpeg). L&apos;H.265 è disponibile solo in progressivo.</source>
        <translation>Interlaced H.264 uses x264 from an ffmpeg installed on the computer (e.g. apt install ffmpeg). H.265 is available in progressive only.</translation>
    </message>
</context>
<context>
    <name>tessarin::StreamSettingsView</name>
    <message>
        <source>Streaming</source>
        <translation>Streaming</translation>
    </message>
    <message>
        <source>Il formato si cambia a stream fermi</source>
        <translation>The format can be changed while streams are stopped</translation>
    </message>
    <message>
        <source>Interlacciato: campi alternati, come nei formati televisivi 1080i</source>
        <translation>Interlaced: alternating fields, as in 1080i television formats</translation>
    </message>
    <message>
        <source>Scansione</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>Risoluzione</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>Frequenza</source>
        <translation>Frame rate</translation>
    </message>
    <message>
        <source>Viene trasmesso ciò che è in onda: video, sorgente live, layer grafici e audio. Per RTMP usa l&apos;indirizzo completo della piattaforma, chiave inclusa.</source>
        <translation>What is on air is streamed: video, live source, graphics layers and audio. For RTMP use the platform&apos;s full address, key included.</translation>
    </message>
    <message>
        <source>L&apos;interlacciato è disponibile in 1080</source>
        <translation>Interlaced is available in 1080</translation>
    </message>
</context>
<context>
    <name>tessarin::TopBarView</name>
    <message>
        <source>Streaming</source>
        <translation>Streaming</translation>
    </message>
    <message>
        <source>Uscita esterna</source>
        <translation>External output</translation>
    </message>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Streaming, uscita esterna, regia ATEM, scorciatoie, palinsesto e lingua (Ctrl+,)</source>
        <translation>Streaming, external output, ATEM switcher, shortcuts, schedule and language (Ctrl+,)</translation>
    </message>
    <message>
        <source>STREAMING</source>
        <translation>STREAMING</translation>
    </message>
    <message>
        <source>Uscita attiva</source>
        <translation>Output active</translation>
    </message>
</context>
<context>
    <name>AboutPanel</name>
    <message>
        <source>Tessarin usa anche FFmpeg, libsrt e OpenSSL. </source>
        <translation>Tessarin also uses FFmpeg, libsrt and OpenSSL. </translation>
    </message>
    <message>
        <source>Licenze dei componenti di terzi</source>
        <translation>Third-party component licences</translation>
    </message>
</context>
<context>
    <name>tessarin::AboutDialog</name>
    <message>
        <source>Informazioni su Tessarin</source>
        <translation>About Tessarin</translation>
    </message>
    <message>
        <source>Versione %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>tessarin::AppMenus</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Nuovo show</source>
        <translation>New Show</translation>
    </message>
    <message>
        <source>Apri show…</source>
        <translation>Open Show…</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Salva con nome…</source>
        <translation>Save As…</translation>
    </message>
    <message>
        <source>Esci</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>&amp;Modifica</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>Impostazioni…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>&amp;Aiuto</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Informazioni su Tessarin</source>
        <translation>About Tessarin</translation>
    </message>
</context>
<context>
    <name>tessarin::NowPlayingLine</name>
    <message>
        <source>Impossibile riprodurre «%1»: %2</source>
        <translation>Cannot play “%1”: %2</translation>
    </message>
    <message>
        <source>Nessuna riproduzione</source>
        <translation>Nothing playing</translation>
    </message>
</context>
<context>
    <name>tessarin::PlaylistView</name>
    <message>
        <source>Layer grafici</source>
        <translation>Graphics layers</translation>
    </message>
</context>
<context>
    <name>tessarin::SidePanelView</name>
    <message>
        <source>Blocchi</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Automazione del palinsesto attiva</source>
        <translation>Schedule automation on</translation>
    </message>
</context>
<context>
    <name>tessarin::CueBar</name>
    <message>
        <source>Annulla cue</source>
        <translation>Cancel cue</translation>
    </message>
    <message>
        <source>IN CUE</source>
        <translation>CUED</translation>
    </message>
    <message>
        <source>Manda in onda</source>
        <translation>Take to air</translation>
    </message>
</context>
<context>
    <name>tessarin::SeekBar</name>
    <message>
        <source>Posizione nella traccia</source>
        <translation>Position in the track</translation>
    </message>
    <message>
        <source>Clicca o trascina per spostarti nella traccia</source>
        <translation>Click or drag to move through the track</translation>
    </message>
</context>
<context>
    <name>tessarin::TransitionControl</name>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Cut: la clip successiva sostituisce subito quella in onda. Fade: dissolvenza incrociata tra una clip e la successiva; l&apos;ultima clip sfuma a nero.</source>
        <translation>Cut: the next clip replaces the one on air at once. Fade: crossfade from one clip to the next; the last clip fades to black.</translation>
    </message>
    <message>
        <source>Durata della transizione: le due clip si sovrappongono per questo tempo; l&apos;ultima clip sfuma a nero nello stesso tempo</source>
        <translation>Transition length: the two clips overlap for this long; the last clip fades to black in the same time</translation>
    </message>
    <message>
        <source>Transizione</source>
        <translation>Transition</translation>
    </message>
</context>
<context>
    <name>tessarin::TransportBar</name>
    <message>
        <source>Avanti di 10 secondi</source>
        <translation>Forward 10 seconds</translation>
    </message>
    <message>
        <source>Indietro di 10 secondi</source>
        <translation>Back 10 seconds</translation>
    </message>
    <message>
        <source>Play / Pausa</source>
        <translation>Play / Pause</translation>
    </message>
    <message>
        <source>Prepara (cue) la clip selezionata</source>
        <translation>Cue the selected clip</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Traccia precedente (o riparti dall&apos;inizio)</source>
        <translation>Previous track (or restart from the beginning)</translation>
    </message>
    <message>
        <source>Traccia successiva</source>
        <translation>Next track</translation>
    </message>
</context>
<context>
    <name>tessarin::Stepper</name>
    <message>
        <source>Diminuisci</source>
        <translation>Decrease</translation>
    </message>
    <message>
        <source>Aumenta</source>
        <translation>Increase</translation>
    </message>
</context>
<context>
    <name>tessarin::TrimWaveformArea</name>
    <message>
        <source>Punto IN</source>
        <translation>IN point</translation>
    </message>
    <message>
        <source>Punto OUT</source>
        <translation>OUT point</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Uso: %1 [opzione] [show]
Messa in onda per spettacoli dal vivo.

  show           il file di uno show da aprire (.vellumcast)
  -h, --help     mostra questo aiuto ed esce
  -v, --version  mostra la versione ed esce
</source>
        <translation>Usage: %1 [option] [show]
Playout for live shows.

  show           a show file to open (.vellumcast)
  -h, --help     show this help and exit
  -v, --version  show the version and exit
</translation>
    </message>
    <message>
        <source>%1: opzione sconosciuta: %2
</source>
        <translation>%1: unknown option: %2
</translation>
    </message>
    <message>
        <source>%1: si apre un solo show; in più: %2
</source>
        <translation>%1: one show opens at a time; extra: %2
</translation>
    </message>
    <message>
        <source>Per l&apos;aiuto: %1 --help
</source>
        <translation>For help: %1 --help
</translation>
    </message>
</context>
</TS>
