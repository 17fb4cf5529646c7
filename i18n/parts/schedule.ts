<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>tessarin::BlockPicker</name>
    <message>
        <source>Blocco</source>
        <translation>Block</translation>
    </message>
    <message>
        <source> · diretta</source>
        <translation> · live</translation>
    </message>
    <message>
        <source>Nessun blocco: creane uno</source>
        <translation>No blocks: create one</translation>
    </message>
    <message>
        <source>Scegli un blocco</source>
        <translation>Choose a block</translation>
    </message>
</context>
<context>
    <name>tessarin::DurationFields</name>
    <message>
        <source>Ore</source>
        <translation>Hours</translation>
    </message>
    <message>
        <source>Minuti</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>Secondi</source>
        <translation>Seconds</translation>
    </message>
</context>
<context>
    <name>tessarin::TimeOfDayFields</name>
    <message>
        <source>Ora</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>Minuti</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>Secondi</source>
        <translation>Seconds</translation>
    </message>
</context>
<context>
    <name>tessarin::FilePicker</name>
    <message>
        <source>Scegli file…</source>
        <translation>Choose File…</translation>
    </message>
    <message>
        <source>Dal Browser</source>
        <translation>From Browser</translation>
    </message>
    <message>
        <source>Nessun file scelto</source>
        <translation>No file chosen</translation>
    </message>
    <message>
        <source>Video, immagini e audio (%1)</source>
        <translation>Video, images and audio (%1)</translation>
    </message>
</context>
<context>
    <name>tessarin::LivePicker</name>
    <message>
        <source>Nuova %1…</source>
        <translation>New %1…</translation>
    </message>
    <message>
        <source>Sorgente</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Scegli una sorgente</source>
        <translation>Choose a source</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleAutomationBar</name>
    <message>
        <source>Loop</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>Riparti da capo: azzera lo stato di ciò che è già andato in onda</source>
        <translation>Start over: clear the record of what has already aired</translation>
    </message>
    <message>
        <source>Automazione attiva</source>
        <translation>Automation on</translation>
    </message>
    <message>
        <source>Automazione spenta</source>
        <translation>Automation off</translation>
    </message>
    <message>
        <source>Gli eventi partono da soli. Clicca per fermare l&apos;automazione (ciò che è in onda continua).</source>
        <translation>Events start on their own. Click to stop the automation (what is on air keeps playing).</translation>
    </message>
    <message>
        <source>Attiva l&apos;automazione: gli eventi partono da soli all&apos;orario stabilito.</source>
        <translation>Turn on the automation: events start on their own at the set time.</translation>
    </message>
    <message>
        <source>Loop attivo: finito l&apos;ultimo evento si riparte dal primo</source>
        <translation>Loop on: after the last event it starts again from the first</translation>
    </message>
    <message>
        <source>Attiva il loop: finito l&apos;ultimo evento si riparte dal primo</source>
        <translation>Turn on the loop: after the last event it starts again from the first</translation>
    </message>
    <message>
        <source> In loop: finito l&apos;ultimo evento si riparte dal primo.</source>
        <translation> Looping: after the last event it starts again from the first.</translation>
    </message>
    <message>
        <source>Spenta: gli eventi non partono da soli, ma puoi avviarli a mano.</source>
        <translation>Off: events do not start on their own, but you can start them by hand.</translation>
    </message>
    <message>
        <source>Attiva. Nessun evento a orario fisso in arrivo.</source>
        <translation>On. No fixed-time event coming up.</translation>
    </message>
    <message>
        <source>evento</source>
        <translation>event</translation>
    </message>
    <message>
        <source>Prossimo: “%1” alle %2 — tra %3</source>
        <translation>Next: “%1” at %2 — in %3</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleColumnView</name>
    <message>
        <source>Nuovo evento</source>
        <translation>New Event</translation>
    </message>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Aggiungi un evento al palinsesto</source>
        <translation>Add an event to the schedule</translation>
    </message>
    <message>
        <source>Nessun evento. Trascina qui file o sorgenti live dal Browser, oppure usa “Nuovo evento”: scegli un file, una diretta o un blocco e quando mandarlo in onda (a un orario preciso, a seguire del precedente, oppure a mano).</source>
        <translation>No events. Drag files or live sources here from the Browser, or use “New Event”: choose a file, a live source or a block and when to put it on air (at a set time, after the previous one, or by hand).</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleEventDraft</name>
    <message>
        <source>Blocco</source>
        <translation>Block</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Diretta</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Va in onda all&apos;ora indicata. Se in quel momento c&apos;è altro in onda, viene sostituito.</source>
        <translation>Goes on air at the set time. Whatever is on air at that moment is replaced.</translation>
    </message>
    <message>
        <source>Parte da solo appena finisce l&apos;evento che lo precede nell&apos;elenco.</source>
        <translation>Starts on its own as soon as the event before it in the list ends.</translation>
    </message>
    <message>
        <source>Non parte da solo: lo avvii tu con il pulsante Play della riga.</source>
        <translation>Does not start on its own: you start it with the row&apos;s Play button.</translation>
    </message>
    <message>
        <source>Una diretta non ha una fine: senza limite resta in onda finché non parte un evento a orario fisso o la fermi tu, e gli eventi “a seguire” e il loop non scattano.</source>
        <translation>A live source has no end: without a limit it stays on air until a fixed-time event starts or you stop it, and “follow” events and the loop never trigger.</translation>
    </message>
    <message>
        <source>Senza limite l&apos;evento dura quanto il suo blocco.</source>
        <translation>Without a limit the event lasts as long as its block.</translation>
    </message>
    <message>
        <source>Allo scadere l&apos;evento finisce e passa a ciò che viene dopo: l&apos;evento “a seguire”, il loop o la fine del blocco.</source>
        <translation>When time is up the event ends and moves on to what comes next: the “follow” event, the loop or the end of the block.</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleEventEditor</name>
    <message>
        <source>Nuovo evento</source>
        <translation>New Event</translation>
    </message>
    <message>
        <source>Modifica evento</source>
        <translation>Edit Event</translation>
    </message>
    <message>
        <source>COSA MANDARE IN ONDA</source>
        <translation>WHAT TO PUT ON AIR</translation>
    </message>
    <message>
        <source>Contenuto</source>
        <translation>Content</translation>
    </message>
    <message>
        <source>PARTENZA</source>
        <translation>START</translation>
    </message>
    <message>
        <source>Partenza</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>GIORNO</source>
        <translation>DAY</translation>
    </message>
    <message>
        <source>Giorno</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>ORA (ORE : MINUTI : SECONDI)</source>
        <translation>TIME (HOURS : MINUTES : SECONDS)</translation>
    </message>
    <message>
        <source>RIPETIZIONE</source>
        <translation>REPEAT</translation>
    </message>
    <message>
        <source>Ripetizione</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>DURATA MASSIMA</source>
        <translation>MAXIMUM DURATION</translation>
    </message>
    <message>
        <source>Limita la durata</source>
        <translation>Limit the duration</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Aggiungi</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleRowView</name>
    <message>
        <source>Manda in onda adesso</source>
        <translation>Put on air now</translation>
    </message>
    <message>
        <source>Azioni dell&apos;evento</source>
        <translation>Event actions</translation>
    </message>
    <message>
        <source>Modifica…</source>
        <translation>Edit…</translation>
    </message>
    <message>
        <source>Disattiva</source>
        <translation>Disable</translation>
    </message>
    <message>
        <source>Sposta su</source>
        <translation>Move Up</translation>
    </message>
    <message>
        <source>Sposta giù</source>
        <translation>Move Down</translation>
    </message>
    <message>
        <source>Elimina</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Attiva</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>In attesa</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>In onda</source>
        <translation>On air</translation>
    </message>
    <message>
        <source>Andato in onda</source>
        <translation>Aired</translation>
    </message>
    <message>
        <source>Saltato</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>Disattivato</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>Blocco mancante</source>
        <translation>Missing block</translation>
    </message>
    <message>
        <source>A SEGUIRE</source>
        <translation>FOLLOWS</translation>
    </message>
    <message>
        <source>MANUALE</source>
        <translation>MANUAL</translation>
    </message>
    <message>
        <source>a seguire</source>
        <translation>follows</translation>
    </message>
    <message>
        <source>parte a mano</source>
        <translation>started by hand</translation>
    </message>
    <message>
        <source>ogni giorno</source>
        <translation>every day</translation>
    </message>
    <message>
        <source>ogni %1</source>
        <translation>every %1</translation>
    </message>
    <message>
        <source>Il blocco è stato eliminato</source>
        <translation>The block was deleted</translation>
    </message>
    <message>
        <source>diretta · fino a </source>
        <translation>live · up to </translation>
    </message>
    <message>
        <source>diretta · senza limite</source>
        <translation>live · no limit</translation>
    </message>
    <message>
        <source>durata non definita</source>
        <translation>duration unknown</translation>
    </message>
    <message>
        <source>durata </source>
        <translation>duration </translation>
    </message>
    <message>
        <source> (limite)</source>
        <translation> (limit)</translation>
    </message>
</context>
</TS>
