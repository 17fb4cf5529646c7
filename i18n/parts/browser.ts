<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
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
        <source>Attendi che l'encoder si colleghi (listener)</source>
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
        <translation>Add a %1 source</translation>
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
</TS>
