<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>LiveSourceKind</name>
    <message>
        <source>Input Live</source>
        <translation>Live Input</translation>
    </message>
</context>
<context>
    <name>BlockEndBehavior</name>
    <message>
        <source>Pausa a nero</source>
        <translation>Pause to black</translation>
    </message>
    <message>
        <source>Cue automatico del blocco successivo</source>
        <translation>Automatically cue the next block</translation>
    </message>
</context>
</TS>
