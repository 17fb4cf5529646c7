<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>StreamFormat</name>
    <message>
        <source>23,976</source>
        <translation>23.976</translation>
    </message>
    <message>
        <source>29,97</source>
        <translation>29.97</translation>
    </message>
    <message>
        <source>59,94</source>
        <translation>59.94</translation>
    </message>
    <message>
        <source>50i (25 fps)</source>
        <translation>50i (25 fps)</translation>
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
        <source>Progressivo</source>
        <translation>Progressive</translation>
    </message>
    <message>
        <source>Interlacciato</source>
        <translation>Interlaced</translation>
    </message>
    <message>
        <source>%1i59,94</source>
        <translation>%1i59.94</translation>
    </message>
</context>
<context>
    <name>StreamOutput</name>
    <message>
        <source>Inserisci l'indirizzo di destinazione</source>
        <translation>Enter the destination address</translation>
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
        <source>L'H.264 interlacciato richiede un ffmpeg con x264 installato (es. con apt: apt install ffmpeg). In alternativa usa MPEG-2 con SRT.</source>
        <translation>Interlaced H.264 needs an ffmpeg with x264 installed (e.g. with apt: apt install ffmpeg). Alternatively use MPEG-2 over SRT.</translation>
    </message>
    <message>
        <source>Nessun ffmpeg disponibile può inviare in SRT</source>
        <translation>No available ffmpeg can send over SRT</translation>
    </message>
    <message>
        <source>ffmpeg non trovato: serve per lo streaming</source>
        <translation>ffmpeg not found: it is needed for streaming</translation>
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
        <source>Impossibile creare le pipe verso ffmpeg</source>
        <translation>Could not create the pipes to ffmpeg</translation>
    </message>
    <message>
        <source>Impossibile avviare ffmpeg (errore %1)</source>
        <translation>Could not start ffmpeg (error %1)</translation>
    </message>
    <message>
        <source>Connessione interrotta</source>
        <translation>Connection lost</translation>
    </message>
</context>
<context>
    <name>StreamManager</name>
    <message>
        <source>Tessarin sta trasmettendo in streaming</source>
        <translation>Tessarin is streaming</translation>
    </message>
</context>
</TS>
