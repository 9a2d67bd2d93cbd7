<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>Encerrar Vellmora</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>Prepare seu estúdio de voz local. A configuração baixa os motores de voz e pode levar alguns minutos. Os pesos do modelo são baixados no primeiro uso.</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>Este Mac tem %1 GB de RAM. As duas opções incluem todos os recursos. Os pesos do modelo são baixados no primeiro uso: cerca de 5,5 GB no Compacto ou 13 GB na Precisão total. Você pode mudar depois nos Ajustes.</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>É preciso configurar antes de usar o estúdio. Reserve 20 GB de espaço livre e tenha conexão à internet.</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>Compacto (recomendado) — download menor, menos memória</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>Precisão total — pesos originais, download maior</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>Pode sobrecarregar este Mac. Selecione para ver o aviso.</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>Iniciar configuração</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>Tentar novamente</translation>
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
        <translation>Ver detalhes</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>A precisão total pode sobrecarregar este Mac</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>A precisão total pode deixar pouca RAM para o macOS e outros apps, causando uso intenso de swap, travamentos ou falha na geração. O Compacto é recomendado em Macs com menos de 24 GB de RAM. Usar a Precisão total mesmo assim?</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>Usar Precisão total</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>Manter Compacto</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>Verificando o espaço disponível…</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>Cancelando a configuração…</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>Inicie a configuração para ver o registro dela.</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>Etapa %1 de %2 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>Decorrido: %1 · a duração varia</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>%1 / %2 MB baixados</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · faltam cerca de %1 para este download</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>Preparando seu estúdio…</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>Verificando o ambiente de execução…</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>Baixando o ambiente de execução…</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>Extraindo o ambiente de execução…</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>Instalando os motores de voz…</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>A configuração já está aberta em outra janela. Conclua ou cancele essa configuração primeiro.</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>A configuração não conseguiu criar o registro. Verifique o espaço em disco e tente novamente.</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>A configuração precisa de 20 GB livres; há %1 GB disponíveis. Libere pelo menos %2 GB e tente novamente.</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>Configuração cancelada.</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>Configuração cancelada. Tente novamente quando quiser.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>A configuração não foi concluída. Escolha “Ver detalhes” para ver o registro e tente novamente.</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>O disco está cheio. A configuração precisa de cerca de %1 GB livres; libere espaço e tente novamente.</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>Não foi possível verificar o certificado do servidor. Se a rede inspeciona tráfego criptografado, peça ao administrador que instale o certificado dela no Mac e tente de novo.</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>O servidor proxy recusou o login. Verifique o nome de usuário e a senha do proxy nos ajustes de rede e tente novamente.</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>O manifesto do ambiente incluído está incompleto.</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>O download do Python falhou na verificação de checksum. Tente novamente.</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>A identidade incluída do app está incompleta.</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>A validação do ambiente de execução não foi concluída. Tente novamente.</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>O ambiente de execução precisa de reparo.</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>Não foi possível abrir o estúdio. Veja launch.log em Application Support ou configure novamente.</translation>
    </message>
</context>
</TS>
