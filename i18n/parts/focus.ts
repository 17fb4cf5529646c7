<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>KeyCombo</name>
    <message>
        <source>Tastierino %1</source>
        <translation>Keypad %1</translation>
    </message>
    <message>
        <source>Invio del tastierino</source>
        <translation>Keypad Enter</translation>
    </message>
    <message>
        <source>Bloc Num</source>
        <translation>Num Lock</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Backspace</translation>
    </message>
    <message>
        <source>Canc</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Ins</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>Inizio</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>Fine</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Pag su</source>
        <translation>Page Up</translation>
    </message>
    <message>
        <source>Pag giù</source>
        <translation>Page Down</translation>
    </message>
    <message>
        <source>Muto</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>Volume giù</source>
        <translation>Volume Down</translation>
    </message>
    <message>
        <source>Volume su</source>
        <translation>Volume Up</translation>
    </message>
    <message>
        <source>Invio</source>
        <translation>Return</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Freccia sinistra</source>
        <translation>Left Arrow</translation>
    </message>
    <message>
        <source>Freccia destra</source>
        <translation>Right Arrow</translation>
    </message>
    <message>
        <source>Freccia su</source>
        <translation>Up Arrow</translation>
    </message>
    <message>
        <source>Freccia giù</source>
        <translation>Down Arrow</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Ctrl</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Maiusc</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
</context>
<context>
    <name>tessarin::ShowController</name>
    <message>
        <source>Il nome del file o il percorso è più lungo di quanto il file system consente.</source>
        <translation>The file&apos;s name or its path is longer than the file system allows.</translation>
    </message>
</context>
<context>
    <name>tessarin::StreamRow</name>
    <message>
        <source>rtmp://server/app/chiave</source>
        <translation>rtmp://server/app/key</translation>
    </message>
</context>
<context>
    <name>tessarin::AddSourceView</name>
    <message>
        <source>rtmp://0.0.0.0:1935/live/chiave</source>
        <translation>rtmp://0.0.0.0:1935/live/key</translation>
    </message>
</context>
<context>
    <name>tessarin::MediaRowView</name>
    <message>
        <source>durata dell&apos;immagine</source>
        <translation>image length</translation>
    </message>
</context>
<context>
    <name>tessarin::BrowserFileList</name>
    <message>
        <source>File del browser</source>
        <translation>Browser files</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleEventList</name>
    <message>
        <source>Eventi del palinsesto</source>
        <translation>Schedule events</translation>
    </message>
</context>
</TS>
