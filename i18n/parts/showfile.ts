<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>ShowController</name>
    <message>
        <source>Show senza titolo</source>
        <translation>Untitled show</translation>
    </message>
    <message>
        <source>%1 — modificato</source>
        <translation>%1 — edited</translation>
    </message>
    <message>
        <source>Apri un show di Tessarin</source>
        <translation>Open a Tessarin show</translation>
    </message>
    <message>
        <source>Salva lo show</source>
        <translation>Save the show</translation>
    </message>
    <message>
        <source>Salvare le modifiche allo show?</source>
        <translation>Save the changes to the show?</translation>
    </message>
    <message>
        <source>Le modifiche a “%1” andranno perse se non le salvi.</source>
        <translation>Your changes to “%1” will be lost if you don’t save them.</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Non salvare</source>
        <translation>Don’t Save</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Lo show contiene un numero non valido.</source>
        <translation>The show contains a number that is not valid.</translation>
    </message>
    <message>
        <source>Impossibile salvare lo show</source>
        <translation>The show could not be saved</translation>
    </message>
    <message>
        <source>Impossibile aprire lo show</source>
        <translation>The show could not be opened</translation>
    </message>
    <message>
        <source>Il file non è uno show valido di Tessarin.</source>
        <translation>The file is not a valid Tessarin show.</translation>
    </message>
    <message>
        <source>Un file non è stato trovato</source>
        <translation>One file was not found</translation>
    </message>
    <message>
        <source>%1 file non sono stati trovati</source>
        <translation>%1 files were not found</translation>
    </message>
    <message>
        <source>

Sono stati tolti dallo show; se lo salvi ora, non ci saranno più.</source>
        <translation>

They have been removed from the show; if you save it now, they will be gone.</translation>
    </message>
</context>
</TS>
