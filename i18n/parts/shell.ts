<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>AboutPanel</name>
    <message>
        <source>Tessarin usa anche FFmpeg, libsrt e OpenSSL. </source>
        <translation>Tessarin also uses FFmpeg, libsrt and OpenSSL. </translation>
    </message>
    <message>
        <source>Licenze dei componenti di terzi</source>
        <translation>Third-party component licences</translation>
    </message>
</context>
<context>
    <name>tessarin::AboutDialog</name>
    <message>
        <source>Informazioni su Tessarin</source>
        <translation>About Tessarin</translation>
    </message>
    <message>
        <source>Versione %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>tessarin::AppMenus</name>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Nuovo show</source>
        <translation>New Show</translation>
    </message>
    <message>
        <source>Apri show…</source>
        <translation>Open Show…</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Salva con nome…</source>
        <translation>Save As…</translation>
    </message>
    <message>
        <source>Esci</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Modifica</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Impostazioni…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>Aiuto</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Informazioni su Tessarin</source>
        <translation>About Tessarin</translation>
    </message>
</context>
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
