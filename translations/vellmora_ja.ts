<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>Vellmoraを終了</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>ローカル音声スタジオを準備します。セットアップでは音声エンジンをダウンロードするため、数分かかることがあります。モデルの重みは初回使用時にダウンロードされます。</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>このMacのメモリは%1 GBです。どちらを選んでもすべての機能を使えます。モデルの重みは初回使用時にダウンロードされます（コンパクトは約5.5 GB、フル精度は約13 GB）。あとから設定で切り替えられます。</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>スタジオを使うにはセットアップが必要です。20 GBの空き容量とインターネット接続を用意してください。</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>コンパクト（推奨）— ダウンロードが小さく、メモリ使用量も少ない</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>フル精度 — 元の重み、ダウンロードが大きい</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>このMacに過大な負荷がかかる可能性があります。選択すると警告を確認できます。</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>セットアップを開始</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>再試行</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>セットアップ中…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Show details</source>
        <translation>詳細を表示</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>フル精度はこのMacに過大な負荷をかける可能性があります</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>フル精度ではmacOSやほかのアプリに使えるメモリが不足し、頻繁なスワップやフリーズ、生成の失敗が起きることがあります。メモリが24 GB未満のMacではコンパクトをお勧めします。それでもフル精度を使用しますか？</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>フル精度を使用</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>コンパクトのまま</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>空き容量を確認中…</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>セットアップをキャンセル中…</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>セットアップを開始すると、そのログを確認できます。</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>ステップ %1/%2 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>経過時間 %1 · 所要時間は環境により異なります</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>%1 / %2 MBをダウンロード済み</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · このダウンロードの残り約%1</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>スタジオを準備中…</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>スタジオのランタイムを確認中…</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>スタジオのランタイムをダウンロード中…</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>スタジオのランタイムを展開中…</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>音声エンジンをインストール中…</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>セットアップはすでに別のウインドウで開いています。先にそちらを完了するかキャンセルしてください。</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>セットアップのログを作成できませんでした。ディスクの空き容量を確認してから再試行してください。</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>セットアップには20 GBの空きが必要ですが、空きは%1 GBです。%2 GB以上空けてから再試行してください。</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>セットアップをキャンセルしました。</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>セットアップをキャンセルしました。準備ができたら再試行できます。</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>セットアップを完了できませんでした。「詳細を表示」でログを確認してから再試行してください。</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>ディスクがいっぱいです。セットアップには約%1 GBの空きが必要です。空き容量を増やしてから再試行してください。</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>ダウンロードサーバの証明書を検証できませんでした。ネットワークで暗号化通信が検査されている場合は、管理者にネットワークの証明書をこのMacにインストールしてもらってから再試行してください。</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>プロキシサーバがサインインを拒否しました。ネットワーク設定でプロキシのユーザ名とパスワードを確認してから再試行してください。</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>同梱のランタイムマニフェストが不完全です。</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>Pythonのダウンロードがチェックサムの検証に失敗しました。セットアップを再試行してください。</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>同梱のアプリケーション識別情報が不完全です。</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>ランタイムの検証が完了しませんでした。セットアップを再試行してください。</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>ランタイムの修復が必要です。</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>スタジオを起動できませんでした。Application Supportのlaunch.logを確認するか、セットアップを再試行してください。</translation>
    </message>
</context>
</TS>
