<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>FFmpegLiveSession</name>
    <message>
        <source>ffmpeg non trovato: serve per ricevere RTMP e SRT</source>
        <translation>ffmpeg not found: it is needed to receive RTMP and SRT</translation>
    </message>
    <message>
        <source>Questo ffmpeg non supporta %1: serve una build con libsrt</source>
        <translation>This ffmpeg does not support %1: a build with libsrt is needed</translation>
    </message>
    <message>
        <source>Impossibile avviare ffmpeg (errore %1)</source>
        <translation>Could not start ffmpeg (error %1)</translation>
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
    <name>LiveSessionFactory</name>
    <message>
        <source>NDI non è disponibile in questa versione di Tessarin</source>
        <translation>NDI is not available in this version of Tessarin</translation>
    </message>
</context>
</TS>
