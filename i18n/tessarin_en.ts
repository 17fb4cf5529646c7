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
        <source>Il file non contiene audio o video riproducibili.</source>
        <translation>The file holds no playable audio or video.</translation>
    </message>
    <message>
        <source>Impossibile aprire il file.</source>
        <translation>The file cannot be opened.</translation>
    </message>
</context>
<context>
    <name>PlaylistEngine</name>
    <message>
        <source>Blocco %1</source>
        <translation>Block %1</translation>
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
        <source>Inserisci l'indirizzo di destinazione</source>
        <translation>Enter the destination address</translation>
    </message>
    <message>
        <source>L'H.264 interlacciato richiede un ffmpeg con x264 installato (es. con apt: apt install ffmpeg). In alternativa usa MPEG-2 con SRT.</source>
        <translation>Interlaced H.264 needs an ffmpeg with x264 installed (e.g. with apt: apt install ffmpeg). Alternatively use MPEG-2 over SRT.</translation>
    </message>
    <message>
        <source>L'indirizzo deve iniziare con %1://</source>
        <translation>The address must begin with %1://</translation>
    </message>
    <message>
        <source>L'interlacciato in MPEG-2 funziona solo con SRT: usa SRT oppure H.264</source>
        <translation>Interlaced MPEG-2 only works over SRT: use SRT or H.264</translation>
    </message>
    <message>
        <source>Nessun ffmpeg disponibile può inviare in SRT</source>
        <translation>No available ffmpeg can send over SRT</translation>
    </message>
    <message>
        <source>Questo ffmpeg non ha l'encoder MPEG-2</source>
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
        <source>Inserisci l'indirizzo IP della regia</source>
        <translation>Enter the switcher's IP address</translation>
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
</context>
<context>
    <name>tessarin::ScheduleController</name>
    <message>
        <source>Blocco mancante</source>
        <translation>Missing block</translation>
    </message>
    <message>
        <source>Il blocco “%1” è vuoto: non c'è nulla da mandare in onda.</source>
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
        <source>%1 — modificato</source>
        <translation>%1 — edited</translation>
    </message>
    <message>
        <source>Apri un show di Tessarin</source>
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
</TS>
