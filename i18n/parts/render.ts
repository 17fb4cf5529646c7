<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>LiveStatusPanel</name>
    <message>
        <source>In attesa del segnale…</source>
        <translation>Waiting for signal…</translation>
    </message>
</context>
</TS>
