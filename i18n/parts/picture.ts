<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>Displays</name>
    <message>
        <source>Schermo %1</source>
        <translation>Screen %1</translation>
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
    <name>OutputWindowController</name>
    <message>
        <source>Risoluzione attuale</source>
        <translation>Current resolution</translation>
    </message>
</context>
</TS>
