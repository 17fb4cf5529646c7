<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>SettingsSection</name>
    <message>
        <source>Uscita esterna</source>
        <translation>External output</translation>
    </message>
    <message>
        <source>Regia ATEM</source>
        <translation>ATEM switcher</translation>
    </message>
    <message>
        <source>Scorciatoie</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Lingua</source>
        <translation>Language</translation>
    </message>
</context>
<context>
    <name>ShortcutActionID</name>
    <message>
        <source>Play / Pausa</source>
        <translation>Play / Pause</translation>
    </message>
    <message>
        <source>Manda in onda (take)</source>
        <translation>Take (send on air)</translation>
    </message>
    <message>
        <source>Annulla cue</source>
        <translation>Clear cue</translation>
    </message>
    <message>
        <source>Cue della clip selezionata</source>
        <translation>Cue the selected clip</translation>
    </message>
    <message>
        <source>Mostra / nascondi Layer 1</source>
        <translation>Show / hide Layer 1</translation>
    </message>
    <message>
        <source>Mostra / nascondi Layer 2</source>
        <translation>Show / hide Layer 2</translation>
    </message>
    <message>
        <source>Avvia blocco %1</source>
        <translation>Start block %1</translation>
    </message>
</context>
<context>
    <name>tessarin::AtemSettingsView</name>
    <message>
        <source>Regia ATEM</source>
        <translation>ATEM switcher</translation>
    </message>
    <message>
        <source>Attiva auto-take da ATEM</source>
        <translation>Enable auto-take from ATEM</translation>
    </message>
    <message>
        <source>Indirizzo IP della regia</source>
        <translation>Switcher IP address</translation>
    </message>
    <message>
        <source>es. %1</source>
        <translation>e.g. %1</translation>
    </message>
    <message>
        <source>Ingresso ATEM dedicato al playout</source>
        <translation>ATEM input dedicated to playout</translation>
    </message>
    <message>
        <source>Quando l'ingresso indicato va in program sull'ATEM, la clip in cue viene mandata in onda automaticamente — esattamente come premendo “Manda in onda”.</source>
        <translation>When the chosen input goes to program on the ATEM, the cued clip is sent on air automatically — exactly like pressing “Take”.</translation>
    </message>
    <message>
        <source>Ingresso %1</source>
        <translation>Input %1</translation>
    </message>
    <message>
        <source>Connesso</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>Non connesso</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>tessarin::LanguageSettingsView</name>
    <message>
        <source>Lingua</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>La lingua cambia quando riapri Tessarin.</source>
        <translation>The language changes when you reopen Tessarin.</translation>
    </message>
    <message>
        <source>Riavvia ora</source>
        <translation>Restart now</translation>
    </message>
    <message>
        <source>Automatica (lingua del computer)</source>
        <translation>Automatic (computer language)</translation>
    </message>
</context>
<context>
    <name>tessarin::OutputSettingsView</name>
    <message>
        <source>Uscita esterna</source>
        <translation>External output</translation>
    </message>
    <message>
        <source>Nessun secondo monitor rilevato. Collega un monitor, proiettore o LED wall e riapri questo pannello.</source>
        <translation>No second display detected. Connect a monitor, projector or LED wall and reopen this panel.</translation>
    </message>
    <message>
        <source>Monitor</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Risoluzione / Hz</source>
        <translation>Resolution / Hz</translation>
    </message>
    <message>
        <source>Interrompi uscita</source>
        <translation>Stop output</translation>
    </message>
    <message>
        <source>Avvia uscita fullscreen</source>
        <translation>Start full-screen output</translation>
    </message>
    <message>
        <source>Risoluzione attuale</source>
        <translation>Current resolution</translation>
    </message>
    <message>
        <source>In uscita su %1 — %2</source>
        <translation>Output on %1 — %2</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleBadge</name>
    <message>
        <source>Il palinsesto è in automatico: gli eventi partono da soli</source>
        <translation>The schedule runs automatically: events start by themselves</translation>
    </message>
    <message>
        <source>AUTOMAZIONE</source>
        <translation>AUTOMATION</translation>
    </message>
</context>
<context>
    <name>tessarin::ScheduleSettingsView</name>
    <message>
        <source>Palinsesto</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Mai</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>%1 secondi prima</source>
        <translation>%1 seconds before</translation>
    </message>
    <message>
        <source>Cue automatico</source>
        <translation>Automatic cue</translation>
    </message>
    <message>
        <source>Poco prima di un evento a orario fisso, la prima clip del suo blocco viene messa in cue, così parte senza attese. Non succede se hai già qualcosa in cue.</source>
        <translation>Shortly before a fixed-time event, the first clip of its block is cued, so it starts without delay. This does not happen if something is already cued.</translation>
    </message>
    <message>
        <source>%1 secondi</source>
        <translation>%1 seconds</translation>
    </message>
    <message>
        <source>Tolleranza sul ritardo</source>
        <translation>Lateness tolerance</translation>
    </message>
    <message>
        <source>Un evento a orario fisso che risulta in ritardo di più di così (perché il computer era occupato) viene saltato invece di partire fuori orario. Ciò che era già scaduto quando accendi l'automazione non parte mai.</source>
        <translation>A fixed-time event that is later than this (because the computer was busy) is skipped instead of starting off schedule. Whatever had already passed when you turn the automation on never starts.</translation>
    </message>
    <message>
        <source>Con il loop attivo, quando finisce l'ultimo evento il palinsesto riparte dal primo. Gli eventi a orario fisso partono comunque ai loro orari: per averli a ogni giro impostali su “Ogni giorno” o “Ogni settimana”.</source>
        <translation>With loop on, when the last event ends the schedule starts again from the first. Fixed-time events still start at their times: to have them on every round, set them to “Every day” or “Every week”.</translation>
    </message>
    <message>
        <source>L'automazione del palinsesto è sempre spenta quando apri Tessarin o uno show: si accende a mano dalla scheda Palinsesto.</source>
        <translation>The schedule automation is always off when you open Tessarin or a show: turn it on by hand from the Schedule tab.</translation>
    </message>
</context>
<context>
    <name>tessarin::ShortcutRecorderButton</name>
    <message>
        <source>Rimuovi scorciatoia</source>
        <translation>Remove shortcut</translation>
    </message>
    <message>
        <source>Premi un tasto…</source>
        <translation>Press a key…</translation>
    </message>
</context>
<context>
    <name>tessarin::ShortcutsSettingsView</name>
    <message>
        <source>Scorciatoie da tastiera</source>
        <translation>Keyboard shortcuts</translation>
    </message>
    <message>
        <source>Blocchi</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Le scorciatoie sono disattivate mentre stai scrivendo in un campo di testo (es. il nome di un blocco).</source>
        <translation>Shortcuts are off while you are typing in a text field (e.g. a block's name).</translation>
    </message>
    <message>
        <source>Avvia “%1”</source>
        <translation>Start “%1”</translation>
    </message>
</context>
<context>
    <name>tessarin::ShowMenuButton</name>
    <message>
        <source>Nuovo, apri e salva lo show</source>
        <translation>New, open and save the show</translation>
    </message>
    <message>
        <source>Nuovo show</source>
        <translation>New show</translation>
    </message>
    <message>
        <source>Apri show…</source>
        <translation>Open show…</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Salva con nome…</source>
        <translation>Save as…</translation>
    </message>
</context>
<context>
    <name>tessarin::StreamRow</name>
    <message>
        <source>IN DIRETTA</source>
        <translation>LIVE</translation>
    </message>
    <message>
        <source>Indirizzo di STREAM %1</source>
        <translation>STREAM %1 address</translation>
    </message>
    <message>
        <source>Codec</source>
        <translation>Codec</translation>
    </message>
    <message>
        <source>Avvia</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Fermo</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Connessione…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>srt://server:porta?mode=caller</source>
        <translation>srt://server:port?mode=caller</translation>
    </message>
    <message>
        <source>Ferma</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>RTMP trasmette in H.264: è il codec che le piattaforme accettano.</source>
        <translation>RTMP sends H.264: it is the codec the platforms accept.</translation>
    </message>
    <message>
        <source>H.265 è il codec abituale per SRT: stessa qualità con circa metà bitrate. Il ricevitore deve decodificarlo.</source>
        <translation>H.265 is the usual codec for SRT: the same quality at about half the bitrate. The receiver must decode it.</translation>
    </message>
    <message>
        <source>H.264 è compatibile con qualunque ricevitore.</source>
        <translation>H.264 works with any receiver.</translation>
    </message>
    <message>
        <source>MPEG-2 non si può inviare in RTMP: scegli SRT oppure H.264.</source>
        <translation>MPEG-2 cannot be sent over RTMP: choose SRT or H.264.</translation>
    </message>
    <message>
        <source>MPEG-2 è incluso nell'app e funziona con SRT.</source>
        <translation>MPEG-2 is built into the app and works with SRT.</translation>
    </message>
    <message>
        <source>H.264 interlacciato usa x264 di un ffmpeg installato sul computer (es. apt install ffmpeg). L'H.265 è disponibile solo in progressivo.</source>
        <translation>Interlaced H.264 uses x264 from an ffmpeg installed on the computer (e.g. apt install ffmpeg). H.265 is available in progressive only.</translation>
    </message>
</context>
<context>
    <name>tessarin::StreamSettingsView</name>
    <message>
        <source>Streaming</source>
        <translation>Streaming</translation>
    </message>
    <message>
        <source>Il formato si cambia a stream fermi</source>
        <translation>The format can be changed while streams are stopped</translation>
    </message>
    <message>
        <source>Interlacciato: campi alternati, come nei formati televisivi 1080i</source>
        <translation>Interlaced: alternating fields, as in 1080i television formats</translation>
    </message>
    <message>
        <source>Scansione</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>Risoluzione</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>Frequenza</source>
        <translation>Frame rate</translation>
    </message>
    <message>
        <source>Viene trasmesso ciò che è in onda: video, sorgente live, layer grafici e audio. Per RTMP usa l'indirizzo completo della piattaforma, chiave inclusa.</source>
        <translation>What is on air is streamed: video, live source, graphics layers and audio. For RTMP use the platform's full address, key included.</translation>
    </message>
    <message>
        <source>L'interlacciato è disponibile in 1080</source>
        <translation>Interlaced is available in 1080</translation>
    </message>
</context>
<context>
    <name>tessarin::TopBarView</name>
    <message>
        <source>Streaming</source>
        <translation>Streaming</translation>
    </message>
    <message>
        <source>Uscita esterna</source>
        <translation>External output</translation>
    </message>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Streaming, uscita esterna, regia ATEM, scorciatoie, palinsesto e lingua (Ctrl+,)</source>
        <translation>Streaming, external output, ATEM switcher, shortcuts, schedule and language (Ctrl+,)</translation>
    </message>
    <message>
        <source>STREAMING</source>
        <translation>STREAMING</translation>
    </message>
    <message>
        <source>Uscita attiva</source>
        <translation>Output active</translation>
    </message>
</context>
</TS>
