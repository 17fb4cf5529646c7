<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::LayerControlView</name>
    <message>
        <source>Carica un file…</source>
        <translation>Load a file…</translation>
    </message>
    <message>
        <source>Opacità, dimensione e posizione</source>
        <translation>Opacity, size and position</translation>
    </message>
    <message>
        <source>Svuota il layer</source>
        <translation>Clear the layer</translation>
    </message>
    <message>
        <source>Trascina un PNG o un video con alpha</source>
        <translation>Drop a PNG or a video with alpha</translation>
    </message>
    <message>
        <source>IN ONDA</source>
        <translation>ON AIR</translation>
    </message>
    <message>
        <source>MOSTRA</source>
        <translation>SHOW</translation>
    </message>
</context>
<context>
    <name>tessarin::LayerSettingsView</name>
    <message>
        <source>Opacità</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>Dimensione</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Posizione X</source>
        <translation>Position X</translation>
    </message>
    <message>
        <source>Posizione Y</source>
        <translation>Position Y</translation>
    </message>
    <message>
        <source>Ripeti in loop</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>Se spento, il video si ferma sull&apos;ultimo fotogramma</source>
        <translation>When off, the video stops on its last frame</translation>
    </message>
    <message>
        <source>Ripristina</source>
        <translation>Reset</translation>
    </message>
</context>
<context>
    <name>tessarin::WaveformTrimView</name>
    <message>
        <source>Durata</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>Reimposta punti IN/OUT</source>
        <translation>Reset IN/OUT points</translation>
    </message>
</context>
</TS>
