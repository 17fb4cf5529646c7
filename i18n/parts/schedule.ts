<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>KeyCombo</name>
    <message>
        <source>Spazio</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Tasto %1</source>
        <translation>Key %1</translation>
    </message>
</context>
<context>
    <name>AtemTallyMonitor</name>
    <message>
        <source>Inserisci l&apos;indirizzo IP della regia</source>
        <translation>Enter the switcher&apos;s IP address</translation>
    </message>
    <message>
        <source>Integrazione ATEM non ancora collegata</source>
        <translation>ATEM integration not connected yet</translation>
    </message>
</context>
<context>
    <name>ScheduleEvent</name>
    <message>
        <source>Orario fisso</source>
        <translation>Fixed time</translation>
    </message>
    <message>
        <source>A seguire</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>Manuale</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Una volta</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>Ogni giorno</source>
        <translation>Every day</translation>
    </message>
    <message>
        <source>Ogni settimana</source>
        <translation>Every week</translation>
    </message>
</context>
<context>
    <name>ShortcutActionID</name>
    <message>
        <source>Play / Pausa</source>
        <translation>Play / Pause</translation>
    </message>
    <message>
        <source>Manda in onda (take)</source>
        <translation>Take to air</translation>
    </message>
    <message>
        <source>Annulla cue</source>
        <translation>Clear cue</translation>
    </message>
    <message>
        <source>Cue della clip selezionata</source>
        <translation>Cue selected clip</translation>
    </message>
    <message>
        <source>Mostra / nascondi Layer 1</source>
        <translation>Show / hide Layer 1</translation>
    </message>
    <message>
        <source>Mostra / nascondi Layer 2</source>
        <translation>Show / hide Layer 2</translation>
    </message>
    <message>
        <source>Avvia blocco %1</source>
        <translation>Play block %1</translation>
    </message>
</context>
</TS>
