<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::OutputWindowController</name>
    <message>
        <source>Uscita di Tessarin</source>
        <translation>Tessarin output</translation>
    </message>
</context>
<context>
    <name>FFmpegLiveSession</name>
    <message>
        <source>La porta %1 è già in uso da un altro programma: chiudilo o scegli un&apos;altra porta</source>
        <translation>Port %1 is already used by another program: close it or choose another port</translation>
    </message>
</context>
<context>
    <name>StreamOutput</name>
    <message>
        <source>Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264</source>
        <translation>No working hardware H.265 encoder on this computer: choose H.264</translation>
    </message>
</context>
</TS>
