<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>En attente de la fin d’une configuration précédente…</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>Création des environnements des moteurs…</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>Vérification des fichiers des moteurs vocaux…</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>Téléchargement des moteurs vocaux : {done} fichiers sur {count}…</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>Installation des moteurs vocaux : {done} sur {count} prêts…</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>Finalisation de l’environnement d’exécution…</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>L’environnement d’exécution du studio est prêt.</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>Impossible de créer les environnements des moteurs. Choisissez « Détails » pour le journal, puis réessayez.</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>Impossible de télécharger les moteurs vocaux. Vérifiez la connexion Internet, puis réessayez.</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>Le téléchargement d’un moteur vocal a échoué à la vérification de somme de contrôle. Réessayez.</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>Impossible d’installer les moteurs vocaux. Choisissez « Détails » pour le journal, puis réessayez.</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>Impossible d’enregistrer l’environnement d’exécution. Choisissez « Détails » pour le journal, puis réessayez.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>La configuration n’a pas abouti. Choisissez « Détails » pour voir le journal, puis réessayez.</translation>
    </message>
</context>
</TS>
