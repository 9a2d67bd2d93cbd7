<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>Salir de Vellmora</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>Prepara tu estudio de voz local. La configuración descarga los motores de voz y puede tardar varios minutos. Los pesos del modelo se descargan al primer uso.</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>Este Mac tiene %1 GB de RAM. Ambas opciones incluyen todas las funciones. Los pesos del modelo se descargan al primer uso: unos 5,5 GB en Compacto o 13 GB en Precisión completa. Puedes cambiarlo en Ajustes.</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>Antes de usar el estudio hay que configurarlo. Necesitas 20 GB de espacio libre y conexión a internet.</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>Compacto (recomendado): descarga más pequeña, menos memoria</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>Precisión completa: pesos originales, descarga más grande</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>Puede sobrecargar este Mac. Selecciónalo para ver el aviso.</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>Iniciar configuración</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>Reintentar</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>Configurando…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Show details</source>
        <translation>Ver detalles</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>La precisión completa puede sobrecargar este Mac</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>La precisión completa puede dejar poca RAM para macOS y otras apps, con mucho intercambio a disco, bloqueos o una generación fallida. Se recomienda Compacto en Mac con menos de 24 GB de RAM. ¿Usar Precisión completa de todos modos?</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>Usar Precisión completa</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>Mantener Compacto</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>Comprobando el espacio disponible…</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>Cancelando la configuración…</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>Inicia la configuración para ver su registro.</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>Paso %1 de %2 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>Transcurrido: %1 · la duración varía</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>%1 / %2 MB descargados</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · faltan unos %1 para esta descarga</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>Preparando tu estudio…</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>Comprobando el entorno de ejecución…</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>Descargando el entorno de ejecución…</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>Extrayendo el entorno de ejecución…</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>Instalando los motores de voz…</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>La configuración ya está abierta en otra ventana. Termínala o cancélala primero.</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>La configuración no pudo crear su registro. Comprueba el espacio en disco y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>La configuración necesita 20 GB libres; hay %1 GB disponibles. Libera al menos %2 GB y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>Configuración cancelada.</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>Configuración cancelada. Puedes reintentarlo cuando quieras.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>La configuración no pudo terminar. Elige «Ver detalles» para ver el registro y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>El disco está lleno. La configuración necesita unos %1 GB libres; libera espacio y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>No se pudo verificar el certificado del servidor de descarga. Si tu red inspecciona el tráfico cifrado, pide a su administrador que instale el certificado de la red en este Mac y reinténtalo.</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>El servidor proxy rechazó el inicio de sesión. Comprueba el usuario y la contraseña del proxy en los ajustes de red y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>El manifiesto del entorno incluido está incompleto.</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>La descarga de Python no superó la verificación de suma de comprobación. Vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>La identidad incluida de la app está incompleta.</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>La validación del entorno de ejecución no terminó. Vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>El entorno de ejecución necesita una reparación.</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>El estudio no pudo iniciarse. Consulta launch.log en Application Support o vuelve a configurarlo.</translation>
    </message>
</context>
</TS>
