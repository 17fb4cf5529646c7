<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>MediaPlayer</name>
    <message>
        <source>Impossibile aprire il file.</source>
        <translation>The file cannot be opened.</translation>
    </message>
    <message>
        <source>Il file non contiene audio o video riproducibili.</source>
        <translation>The file holds no playable audio or video.</translation>
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
</TS>
