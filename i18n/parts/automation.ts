<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>ScheduleController</name>
    <message>
        <source>Blocco mancante</source>
        <translation>Missing block</translation>
    </message>
    <message>
        <source>Un evento del palinsesto punta a un blocco che non esiste più.</source>
        <translation>A schedule event points to a block that no longer exists.</translation>
    </message>
    <message>
        <source>Il blocco “%1” è vuoto: non c&apos;è nulla da mandare in onda.</source>
        <translation>The block “%1” is empty: there is nothing to put on air.</translation>
    </message>
</context>
</TS>
