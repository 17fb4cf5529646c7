<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::OnAirAnnouncements</name>
    <message>
        <source>In pausa: %1</source>
        <translation>Paused: %1</translation>
    </message>
    <message>
        <source>Ripresa: %1</source>
        <translation>Resumed: %1</translation>
    </message>
    <message>
        <source>Fermato: %1</source>
        <translation>Stopped: %1</translation>
    </message>
    <message>
        <source>Layer in onda: %1</source>
        <translation>Layer on air: %1</translation>
    </message>
    <message>
        <source>Layer nascosto: %1</source>
        <translation>Layer hidden: %1</translation>
    </message>
</context>
<context>
    <name>tessarin::Stepper</name>
    <message>
        <source>Aumenta: %1</source>
        <translation>Increase: %1</translation>
    </message>
    <message>
        <source>Diminuisci: %1</source>
        <translation>Decrease: %1</translation>
    </message>
</context>
<context>
    <name>tessarin::TransitionControl</name>
    <message>
        <source>durata della transizione</source>
        <translation>transition length</translation>
    </message>
</context>
<context>
    <name>tessarin::BlockSettingsView</name>
    <message>
        <source>ripetizioni del blocco</source>
        <translation>block repeats</translation>
    </message>
</context>
<context>
    <name>tessarin::DurationFields</name>
    <message>
        <source>Ore di durata</source>
        <translation>Duration hours</translation>
    </message>
    <message>
        <source>Minuti di durata</source>
        <translation>Duration minutes</translation>
    </message>
    <message>
        <source>Secondi di durata</source>
        <translation>Duration seconds</translation>
    </message>
</context>
</TS>
