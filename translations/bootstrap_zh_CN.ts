<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>正在等待之前的安装完成…</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>正在创建引擎环境…</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>正在检查语音引擎文件…</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>正在下载语音引擎：{done}/{count} 个文件…</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>正在安装语音引擎：已完成 {done}/{count}…</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>正在完成工作室运行时…</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>工作室运行时已就绪。</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>无法创建引擎环境。请选择“显示详情”查看日志，然后重试。</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>无法下载语音引擎。请检查互联网连接，然后重试安装。</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>一个语音引擎下载未通过校验和验证。请重试安装。</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>无法安装语音引擎。请选择“显示详情”查看日志，然后重试。</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>无法记录工作室运行时。请选择“显示详情”查看日志，然后重试。</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>安装未能完成。请选择“显示详情”查看日志，然后重试。</translation>
    </message>
</context>
</TS>
