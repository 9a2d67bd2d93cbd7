<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>前のセットアップの完了を待っています…</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>エンジンの環境を作成中…</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>音声エンジンのファイルを確認中…</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>音声エンジンをダウンロード中：{done}/{count} ファイル…</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>音声エンジンをインストール中：{done}/{count} 完了…</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>スタジオのランタイムを仕上げ中…</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>スタジオのランタイムの準備ができました。</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>エンジンの環境を作成できませんでした。「詳細を表示」でログを確認してから再試行してください。</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>音声エンジンをダウンロードできませんでした。インターネット接続を確認してから再試行してください。</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>音声エンジンのダウンロードがチェックサムの検証に失敗しました。セットアップを再試行してください。</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>音声エンジンをインストールできませんでした。「詳細を表示」でログを確認してから再試行してください。</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>スタジオのランタイムを記録できませんでした。「詳細を表示」でログを確認してから再試行してください。</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>セットアップを完了できませんでした。「詳細を表示」でログを確認してから再試行してください。</translation>
    </message>
</context>
</TS>
