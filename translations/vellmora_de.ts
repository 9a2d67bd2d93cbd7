<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>Vellmora beenden</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>Richte dein lokales Sprachstudio ein. Die Einrichtung lädt die Sprach-Engines und kann einige Minuten dauern. Modellgewichte folgen bei der ersten Nutzung.</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>Dieser Mac hat %1 GB RAM. Beide Optionen bieten alle Funktionen. Modellgewichte werden bei der ersten Nutzung geladen: etwa 5,5 GB für Kompakt, 13 GB für Volle Präzision. Du kannst später in den Einstellungen wechseln.</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>Vor der ersten Nutzung des Studios ist eine Einrichtung nötig. Dafür brauchst du 20 GB freien Speicher und Internet.</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>Kompakt (empfohlen) – kleinerer Download, weniger Speicher</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>Volle Präzision – Originalgewichte, größerer Download</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>Kann diesen Mac überlasten. Auswählen, um die Warnung zu lesen.</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>Einrichtung starten</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>Wird eingerichtet …</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Show details</source>
        <translation>Details zeigen</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>Volle Präzision kann diesen Mac überlasten</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>Mit voller Präzision bleibt für macOS und andere Apps womöglich zu wenig RAM. Das kann zu starkem Auslagern, Hängern oder einer fehlgeschlagenen Generierung führen. Auf Macs mit weniger als 24 GB RAM wird Kompakt empfohlen. Trotzdem Volle Präzision verwenden?</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>Volle Präzision verwenden</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>Kompakt behalten</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>Freier Speicher wird geprüft …</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>Einrichtung wird abgebrochen …</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>Starte die Einrichtung, um ihr Protokoll zu sehen.</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>Schritt %1 von %2 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>Vergangen: %1 · Dauer variiert</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>%1 / %2 MB geladen</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · noch etwa %1 für diesen Download</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>Dein Studio wird vorbereitet …</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>Studio-Laufzeitumgebung wird geprüft …</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>Studio-Laufzeitumgebung wird geladen …</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>Studio-Laufzeitumgebung wird entpackt …</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>Sprach-Engines werden installiert …</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>Die Einrichtung läuft bereits in einem anderen Fenster. Beende sie dort oder brich sie ab.</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>Die Einrichtung konnte ihr Protokoll nicht anlegen. Prüfe den freien Speicher und versuche es erneut.</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>Die Einrichtung braucht 20 GB frei, verfügbar sind %1 GB. Gib mindestens %2 GB frei und versuche es erneut.</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>Einrichtung abgebrochen.</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>Einrichtung abgebrochen. Du kannst es jederzeit erneut versuchen.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>Die Einrichtung wurde nicht abgeschlossen. Wähle „Details zeigen“ für das Protokoll und versuche es erneut.</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>Der Datenträger ist voll. Die Einrichtung braucht etwa %1 GB frei. Gib Speicher frei und versuche es erneut.</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>Das Server-Zertifikat ließ sich nicht prüfen. Prüft dein Netzwerk verschlüsselten Verkehr, lass den Administrator dessen Zertifikat auf diesem Mac installieren und versuche es erneut.</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>Der Proxyserver hat die Anmeldung abgelehnt. Prüfe Proxy-Benutzername und -Passwort in den Netzwerkeinstellungen und versuche es erneut.</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>Das mitgelieferte Laufzeit-Manifest ist unvollständig.</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>Der Python-Download hat die Prüfsumme nicht bestanden. Bitte versuche es erneut.</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>Die mitgelieferte App-Identität ist unvollständig.</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>Die Prüfung der Laufzeitumgebung wurde nicht abgeschlossen. Bitte versuche es erneut.</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>Die Laufzeitumgebung muss repariert werden.</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>Das Studio konnte nicht starten. Sieh dir launch.log in „Application Support“ an oder richte es erneut ein.</translation>
    </message>
</context>
</TS>
