<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::AppMenus</name>
    <message>
        <source>&amp;Nuovo show</source>
        <translation>&amp;New Show</translation>
    </message>
    <message>
        <source>&amp;Apri show…</source>
        <translation>&amp;Open Show…</translation>
    </message>
    <message>
        <source>&amp;Salva</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>Salva &amp;con nome…</source>
        <translation>Save &amp;As…</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>&amp;Impostazioni…</source>
        <translation>&amp;Settings…</translation>
    </message>
    <message>
        <source>&amp;Informazioni su Tessarin</source>
        <translation>&amp;About Tessarin</translation>
    </message>
</context>
<context>
    <name>tessarin::OnAirAnnouncements</name>
    <message>
        <source>In cue: %1</source>
        <translation>Cued: %1</translation>
    </message>
    <message>
        <source>In onda: %1</source>
        <translation>On air: %1</translation>
    </message>
    <message>
        <source>Blocco terminato: %1</source>
        <translation>Block ended: %1</translation>
    </message>
    <message>
        <source>Impossibile riprodurre: %1</source>
        <translation>Cannot play: %1</translation>
    </message>
    <message>
        <source>In chiusura: %1</source>
        <translation>Ending: %1</translation>
    </message>
    <message>
        <source>Stream %1 interrotto</source>
        <translation>Stream %1 interrupted</translation>
    </message>
    <message>
        <source>Stream %1 di nuovo in onda</source>
        <translation>Stream %1 back on air</translation>
    </message>
    <message>
        <source>Avvio dal palinsesto: %1</source>
        <translation>Started by the schedule: %1</translation>
    </message>
</context>
</TS>
