<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::OnAirBadge</name>
    <message>
        <source>ON AIR</source>
        <translation>ON AIR</translation>
    </message>
    <message>
        <source>PAUSA</source>
        <translation>PAUSED</translation>
    </message>
</context>
<context>
    <name>tessarin::SettingsWindowController</name>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
</context>
</TS>
