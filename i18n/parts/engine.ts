<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>PlaylistEngine</name>
    <message>
        <source>Blocco %1</source>
        <translation>Block %1</translation>
    </message>
</context>
</TS>
