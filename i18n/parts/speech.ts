<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::OnAirAnnouncements</name>
    <message>
        <source>Automazione attiva</source>
        <translation>Automation on</translation>
    </message>
    <message>
        <source>Automazione spenta</source>
        <translation>Automation off</translation>
    </message>
    <message>
        <source>Loop del palinsesto attivo</source>
        <translation>Schedule loop on</translation>
    </message>
    <message>
        <source>Loop del palinsesto spento</source>
        <translation>Schedule loop off</translation>
    </message>
</context>
</TS>
