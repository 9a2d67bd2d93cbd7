<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>Warten, bis eine frühere Einrichtung fertig ist …</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>Engine-Umgebungen werden erstellt …</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>Dateien der Sprach-Engines werden geprüft …</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>Sprach-Engines werden geladen: {done} von {count} Dateien …</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>Sprach-Engines werden installiert: {done} von {count} fertig …</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>Studio-Laufzeitumgebung wird abgeschlossen …</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>Die Studio-Laufzeitumgebung ist bereit.</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>Die Engine-Umgebungen konnten nicht erstellt werden. Wähle „Details zeigen“ und versuche es erneut.</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>Die Sprach-Engines konnten nicht geladen werden. Prüfe die Internetverbindung und versuche es erneut.</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>Ein Sprach-Engine-Download hat die Prüfsumme nicht bestanden. Bitte versuche es erneut.</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>Die Sprach-Engines konnten nicht installiert werden. Wähle „Details zeigen“ und versuche es erneut.</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>Die Studio-Laufzeitumgebung konnte nicht gespeichert werden. Wähle „Details zeigen“ und versuche es erneut.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>Die Einrichtung wurde nicht abgeschlossen. Wähle „Details zeigen“ für das Protokoll und versuche es erneut.</translation>
    </message>
</context>
</TS>
