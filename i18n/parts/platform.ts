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
    <name>StreamOutput</name>
    <message>
        <source>Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264</source>
        <translation>No working hardware H.265 encoder on this computer: choose H.264</translation>
    </message>
</context>
</TS>
