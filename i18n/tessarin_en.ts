<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>MainWindow</name>
    <message>
        <source>Tessarin</source>
        <translation>Tessarin</translation>
    </message>
</context>
<context>
    <name>Localization</name>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
