<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::CueBar</name>
    <message>
        <source>Annulla cue</source>
        <translation>Cancel cue</translation>
    </message>
    <message>
        <source>IN CUE</source>
        <translation>CUED</translation>
    </message>
    <message>
        <source>Manda in onda</source>
        <translation>Take to air</translation>
    </message>
</context>
<context>
    <name>tessarin::SeekBar</name>
    <message>
        <source>Clicca o trascina per spostarti nella traccia</source>
        <translation>Click or drag to move through the track</translation>
    </message>
</context>
<context>
    <name>tessarin::TransitionControl</name>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Cut: la clip successiva sostituisce subito quella in onda. Fade: dissolvenza incrociata tra una clip e la successiva; l&apos;ultima clip sfuma a nero.</source>
        <translation>Cut: the next clip replaces the one on air at once. Fade: crossfade from one clip to the next; the last clip fades to black.</translation>
    </message>
    <message>
        <source>Durata della transizione: le due clip si sovrappongono per questo tempo; l&apos;ultima clip sfuma a nero nello stesso tempo</source>
        <translation>Transition length: the two clips overlap for this long; the last clip fades to black in the same time</translation>
    </message>
    <message>
        <source>Transizione</source>
        <translation>Transition</translation>
    </message>
</context>
<context>
    <name>tessarin::TransportBar</name>
    <message>
        <source>Avanti di 10 secondi</source>
        <translation>Forward 10 seconds</translation>
    </message>
    <message>
        <source>Indietro di 10 secondi</source>
        <translation>Back 10 seconds</translation>
    </message>
    <message>
        <source>Play / Pausa</source>
        <translation>Play / Pause</translation>
    </message>
    <message>
        <source>Prepara (cue) la clip selezionata</source>
        <translation>Cue the selected clip</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Traccia precedente (o riparti dall&apos;inizio)</source>
        <translation>Previous track (or restart from the beginning)</translation>
    </message>
    <message>
        <source>Traccia successiva</source>
        <translation>Next track</translation>
    </message>
</context>
</TS>
