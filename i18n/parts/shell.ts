<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::NowPlayingLine</name>
    <message>
        <source>Nessuna riproduzione</source>
        <translation>Nothing playing</translation>
    </message>
</context>
<context>
    <name>tessarin::PlaylistView</name>
    <message>
        <source>Layer grafici</source>
        <translation>Graphics layers</translation>
    </message>
</context>
<context>
    <name>tessarin::SidePanelView</name>
    <message>
        <source>Blocchi</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Automazione del palinsesto attiva</source>
        <translation>Schedule automation on</translation>
    </message>
</context>
</TS>
