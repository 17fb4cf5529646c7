<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::ShowController</name>
    <message>
        <source>Il percorso non indica un file ma una cartella, un dispositivo o una pipe.</source>
        <translation>The path names no file but a folder, a device or a pipe.</translation>
    </message>
    <message>
        <source>Il file è troppo grande per essere uno show (oltre %1 MB).</source>
        <translation>The file is too large to be a show (over %1 MB).</translation>
    </message>
</context>
</TS>
