<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::BlockCardView</name>
    <message>
        <source>Nome blocco</source>
        <translation>Block name</translation>
    </message>
    <message>
        <source>Riproduci blocco</source>
        <translation>Play block</translation>
    </message>
    <message>
        <source>Loop blocco (ricomincia dal primo video alla fine)</source>
        <translation>Loop block (starts again from the first video at the end)</translation>
    </message>
    <message>
        <source>Impostazioni blocco</source>
        <translation>Block settings</translation>
    </message>
    <message>
        <source>Elimina blocco</source>
        <translation>Delete block</translation>
    </message>
</context>
<context>
    <name>tessarin::BlockSettingsView</name>
    <message>
        <source>Normalizza audio</source>
        <translation>Normalize audio</translation>
    </message>
    <message>
        <source>Loop blocco</source>
        <translation>Loop block</translation>
    </message>
    <message>
        <source>Porta il picco di ogni clip del blocco a un livello comune</source>
        <translation>Brings the peak of every clip of the block to a common level</translation>
    </message>
    <message>
        <source>Ricomincia dal primo video alla fine del blocco</source>
        <translation>Starts again from the first video at the end of the block</translation>
    </message>
    <message>
        <source>Alla fine del blocco</source>
        <translation>At the end of the block</translation>
    </message>
    <message>
        <source>Infinito</source>
        <translation>Infinite</translation>
    </message>
    <message>
        <source>Numero di volte</source>
        <translation>Number of times</translation>
    </message>
    <message>
        <source>Ripeti 1 volta</source>
        <translation>Repeat once</translation>
    </message>
    <message>
        <source>Ripeti %1 volte</source>
        <translation>Repeat %1 times</translation>
    </message>
</context>
<context>
    <name>tessarin::CountCapsule</name>
    <message>
        <source>Numero di tracce nel blocco</source>
        <translation>Number of tracks in the block</translation>
    </message>
</context>
<context>
    <name>tessarin::DragHandle</name>
    <message>
        <source>Trascina per riordinare i blocchi</source>
        <translation>Drag to reorder the blocks</translation>
    </message>
</context>
<context>
    <name>tessarin::DropZone</name>
    <message>
        <source>Trascina qui file o sorgenti per creare un nuovo blocco</source>
        <translation>Drag files or sources here to create a new block</translation>
    </message>
</context>
<context>
    <name>tessarin::EmptyBlockHint</name>
    <message>
        <source>Trascina qui file o sorgenti dal browser</source>
        <translation>Drag files or sources here from the browser</translation>
    </message>
</context>
<context>
    <name>tessarin::GainSlider</name>
    <message>
        <source>Guadagno della traccia — doppio clic per riportarlo a 0 dB</source>
        <translation>Track gain — double-click to reset it to 0 dB</translation>
    </message>
</context>
<context>
    <name>tessarin::MediaRowView</name>
    <message>
        <source>Input Live</source>
        <translation>Live Input</translation>
    </message>
    <message>
        <source>Seleziona — usata dal tasto “cue” e dal tally ATEM</source>
        <translation>Select — used by the “cue” key and the ATEM tally</translation>
    </message>
    <message>
        <source>Durata della clip (tiene conto dei punti IN/OUT)</source>
        <translation>Clip length (takes the IN/OUT points into account)</translation>
    </message>
    <message>
        <source>Durata di visualizzazione dell&apos;immagine</source>
        <translation>How long the image is shown</translation>
    </message>
    <message>
        <source>Punti IN/OUT</source>
        <translation>IN/OUT points</translation>
    </message>
    <message>
        <source>Prepara (cue) senza avviare la riproduzione</source>
        <translation>Prepare (cue) without starting playback</translation>
    </message>
    <message>
        <source>Riproduci da qui</source>
        <translation>Play from here</translation>
    </message>
    <message>
        <source>Loop video (si ripete senza avanzare al successivo)</source>
        <translation>Loop video (repeats without moving on to the next)</translation>
    </message>
    <message>
        <source>Rimuovi dal blocco</source>
        <translation>Remove from the block</translation>
    </message>
    <message>
        <source>Disattiva l&apos;audio di questa traccia</source>
        <translation>Mute this track</translation>
    </message>
    <message>
        <source>MUTE</source>
        <translation>MUTE</translation>
    </message>
    <message>
        <source>in attesa del segnale…</source>
        <translation>waiting for signal…</translation>
    </message>
    <message>
        <source>in diretta</source>
        <translation>live</translation>
    </message>
    <message>
        <source>LIVE · %1</source>
        <translation>LIVE · %1</translation>
    </message>
    <message>
        <source>Immagine · %1 s</source>
        <translation>Image · %1 s</translation>
    </message>
</context>
<context>
    <name>tessarin::PlaylistColumnView</name>
    <message>
        <source>Blocchi</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Nuovo blocco</source>
        <translation>New block</translation>
    </message>
    <message>
        <source>Trascina qui file o sorgenti dal browser per creare automaticamente un blocco, oppure crealo con “Nuovo blocco”.</source>
        <translation>Drag files or sources here from the browser to create a block automatically, or create one with “New block”.</translation>
    </message>
</context>
</TS>
