<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>Quitter Vellmora</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>Préparez votre studio vocal local. La configuration télécharge les moteurs vocaux et peut prendre plusieurs minutes. Les poids des modèles suivent au premier usage.</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>Ce Mac a %1&#xa0;Go de RAM. Les deux choix offrent toutes les fonctions. Poids des modèles téléchargés au premier usage&#xa0;: environ 5,5&#xa0;Go en Compact, 13&#xa0;Go en Pleine précision. Modifiable plus tard dans les Réglages.</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>Une configuration est nécessaire avant d’utiliser le studio. Prévoyez 20&#xa0;Go d’espace libre et une connexion Internet.</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>Compact (recommandé) — téléchargement réduit, moins de mémoire</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>Pleine précision — poids d’origine, téléchargement plus lourd</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>Risque de surcharger ce Mac. Sélectionnez pour lire l’avertissement.</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>Lancer la configuration</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>Configuration…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Show details</source>
        <translation>Détails</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>La pleine précision risque de surcharger ce Mac</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>La pleine précision peut laisser trop peu de RAM à macOS et aux autres apps, et provoquer un swap intensif, des blocages ou l’échec d’une génération. Compact est recommandé sur les Mac de moins de 24&#xa0;Go de RAM. Utiliser quand même la pleine précision&#x202f;?</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>Utiliser la pleine précision</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>Garder Compact</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>Vérification de l’espace disponible…</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>Annulation de la configuration…</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>Lancez la configuration pour voir son journal.</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>Étape %1 sur %2 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>Écoulé&#xa0;: %1 · la durée varie</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>%1 / %2&#xa0;Mo téléchargés</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · encore %1 environ pour ce téléchargement</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>Préparation de votre studio…</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>Vérification de l’environnement d’exécution…</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>Téléchargement de l’environnement d’exécution…</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>Extraction de l’environnement d’exécution…</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>Installation des moteurs vocaux…</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>La configuration est déjà ouverte dans une autre fenêtre. Terminez-la ou annulez-la d’abord.</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>Impossible de créer le journal de configuration. Vérifiez l’espace disque, puis réessayez.</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>La configuration requiert 20&#xa0;Go libres&#x202f;; %1&#xa0;Go disponibles. Libérez au moins %2&#xa0;Go, puis réessayez.</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>Configuration annulée.</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>Configuration annulée. Vous pourrez réessayer quand vous voulez.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>La configuration n’a pas abouti. Choisissez «&#xa0;Détails&#xa0;» pour voir le journal, puis réessayez.</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>Le disque est plein. La configuration requiert environ %1&#xa0;Go libres&#x202f;; libérez de l’espace, puis réessayez.</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>Impossible de vérifier le certificat du serveur de téléchargement. Si votre réseau inspecte le trafic chiffré, faites installer son certificat sur ce Mac par l’administrateur, puis réessayez.</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>Le serveur proxy a refusé l’identification. Vérifiez le nom d’utilisateur et le mot de passe du proxy dans les réglages réseau, puis réessayez.</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>Le manifeste d’exécution fourni est incomplet.</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>Le téléchargement de Python a échoué à la vérification de somme de contrôle. Réessayez.</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>L’identité fournie de l’application est incomplète.</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>La validation de l’environnement d’exécution n’a pas abouti. Réessayez.</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>L’environnement d’exécution doit être réparé.</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>Le studio n’a pas pu démarrer. Consultez launch.log dans Application Support, ou relancez la configuration.</translation>
    </message>
</context>
</TS>
