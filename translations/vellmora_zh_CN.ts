<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>退出 Vellmora</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>准备你的本地语音工作室。安装会下载语音引擎，可能需要几分钟。模型权重将在首次使用时下载。</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>这台 Mac 有 %1 GB 内存。两个选项都包含全部功能。模型权重在首次使用时下载：“紧凑”约 5.5 GB，“全精度”约 13 GB。之后可以在“设置”中切换。</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>使用工作室前需要先安装。请预留 20 GB 可用空间并连接互联网。</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>紧凑（推荐）— 下载更小，内存占用更低</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>全精度 — 原始权重，下载更大</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>可能使这台 Mac 负载过重。选择后可查看警告。</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>开始安装</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>重试安装</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>正在安装…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Show details</source>
        <translation>显示详情</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>全精度可能使这台 Mac 负载过重</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>全精度可能让 macOS 和其他 App 可用的内存过少，导致大量交换、卡顿或生成失败。内存少于 24 GB 的 Mac 建议使用“紧凑”。仍要使用全精度吗？</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>使用全精度</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>保留紧凑</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>正在检查可用空间…</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>正在取消安装…</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>开始安装后即可查看本次日志。</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>第 %1 步，共 %2 步 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>已用 %1 · 安装时间不定</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>已下载 %1 / %2 MB</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · 本次下载约剩 %1</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>正在准备你的工作室…</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>正在检查工作室运行时…</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>正在下载工作室运行时…</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>正在解压工作室运行时…</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>正在安装语音引擎…</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>安装已在另一个窗口中打开。请先完成或取消该安装。</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>安装无法创建日志。请检查可用磁盘空间，然后重试。</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>安装需要 20 GB 可用空间，当前可用 %1 GB。请至少释放 %2 GB，然后重试安装。</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>安装已取消。</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>安装已取消。准备好后可以重试。</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>安装未能完成。请选择“显示详情”查看日志，然后重试。</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>磁盘已满。安装需要约 %1 GB 可用空间；请释放一些空间，然后重试安装。</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>无法验证下载服务器的证书。如果你的网络会检查加密流量，请让网络管理员在这台 Mac 上安装该网络的证书，然后重试安装。</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>代理服务器拒绝了登录。请在网络设置中检查代理用户名和密码，然后重试安装。</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>随附的运行时清单不完整。</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>Python 下载未通过校验和验证。请重试安装。</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>随附的应用标识不完整。</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>运行时验证未完成。请重试安装。</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>运行时需要修复。</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>工作室无法启动。请查看 Application Support 中的 launch.log，或重试安装。</translation>
    </message>
</context>
</TS>
