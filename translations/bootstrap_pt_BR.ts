<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>Aguardando o fim de uma configuração anterior…</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>Criando os ambientes dos motores…</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>Verificando os arquivos dos motores de voz…</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>Baixando os motores de voz: {done} de {count} arquivos…</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>Instalando os motores de voz: {done} de {count} prontos…</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>Finalizando o ambiente de execução…</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>O ambiente de execução do estúdio está pronto.</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>Não foi possível criar os ambientes dos motores. Escolha “Ver detalhes” para o registro e tente novamente.</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>Não foi possível baixar os motores de voz. Verifique a conexão à internet e tente novamente.</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>O download de um motor de voz falhou na verificação de checksum. Tente novamente.</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>Não foi possível instalar os motores de voz. Escolha “Ver detalhes” para o registro e tente novamente.</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>Não foi possível registrar o ambiente de execução. Escolha “Ver detalhes” para o registro e tente novamente.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>A configuração não foi concluída. Escolha “Ver detalhes” para ver o registro e tente novamente.</translation>
    </message>
</context>
</TS>
