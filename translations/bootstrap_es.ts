<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>Esperando a que termine una configuración anterior…</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>Creando los entornos de los motores…</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>Comprobando los archivos de los motores de voz…</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>Descargando los motores de voz: {done} de {count} archivos…</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>Instalando los motores de voz: {done} de {count} listos…</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>Finalizando el entorno de ejecución…</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>El entorno de ejecución del estudio está listo.</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>No se pudieron crear los entornos de los motores. Elige «Ver detalles» para el registro y reinténtalo.</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>No se pudieron descargar los motores de voz. Comprueba la conexión a internet y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>La descarga de un motor de voz no superó la verificación de suma de comprobación. Vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>No se pudieron instalar los motores de voz. Elige «Ver detalles» para el registro y reinténtalo.</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>No se pudo registrar el entorno de ejecución. Elige «Ver detalles» para el registro y reinténtalo.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>La configuración no pudo terminar. Elige «Ver detalles» para ver el registro y vuelve a intentarlo.</translation>
    </message>
</context>
</TS>
