<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>StreamOutput</name>
    <message>
        <source>Il portachiavi non ha dato l&apos;indirizzo di destinazione</source>
        <translation>The keyring did not provide the destination address</translation>
    </message>
</context>
</TS>
