<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko" sourcelanguage="en">
<context>
    <name>texts</name>
    <message>
        <source>Quit Vellmora</source>
        <translation>Vellmora 종료</translation>
    </message>
    <message>
        <source>Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.</source>
        <translation>로컬 음성 스튜디오를 준비합니다. 설치 과정에서 음성 엔진을 다운로드하므로 몇 분 정도 걸릴 수 있습니다. 모델 가중치는 처음 사용할 때 다운로드됩니다.</translation>
    </message>
    <message>
        <source>This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.</source>
        <translation>이 Mac의 메모리는 %1GB입니다. 두 옵션 모두 모든 기능을 제공합니다. 모델 가중치는 처음 사용할 때 다운로드됩니다(컴팩트 약 5.5GB, 전체 정밀도 약 13GB). 나중에 설정에서 바꿀 수 있습니다.</translation>
    </message>
    <message>
        <source>Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.</source>
        <translation>스튜디오를 사용하려면 먼저 설치해야 합니다. 20GB의 여유 공간과 인터넷 연결이 필요합니다.</translation>
    </message>
    <message>
        <source>Compact (recommended) — smaller download, lower memory</source>
        <translation>컴팩트(권장) — 더 작은 다운로드, 더 적은 메모리</translation>
    </message>
    <message>
        <source>Full precision — original weights, larger download</source>
        <translation>전체 정밀도 — 원본 가중치, 더 큰 다운로드</translation>
    </message>
    <message>
        <source>May overload this Mac. Select to review the warning.</source>
        <translation>이 Mac에 과부하가 걸릴 수 있습니다. 선택하면 경고를 확인할 수 있습니다.</translation>
    </message>
    <message>
        <source>Start setup</source>
        <translation>설치 시작</translation>
    </message>
    <message>
        <source>Retry setup</source>
        <translation>다시 시도</translation>
    </message>
    <message>
        <source>Setting up…</source>
        <translation>설치 중…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Show details</source>
        <translation>세부사항 보기</translation>
    </message>
    <message>
        <source>Full precision may overload this Mac</source>
        <translation>전체 정밀도는 이 Mac에 과부하를 줄 수 있습니다</translation>
    </message>
    <message>
        <source>Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?</source>
        <translation>전체 정밀도를 사용하면 macOS와 다른 앱에 남는 메모리가 부족해 스와핑이 심해지거나, 멈추거나, 생성이 실패할 수 있습니다. 메모리가 24GB 미만인 Mac에는 컴팩트를 권장합니다. 그래도 전체 정밀도를 사용하겠습니까?</translation>
    </message>
    <message>
        <source>Use Full precision</source>
        <translation>전체 정밀도 사용</translation>
    </message>
    <message>
        <source>Keep Compact</source>
        <translation>컴팩트 유지</translation>
    </message>
    <message>
        <source>Checking available space…</source>
        <translation>사용 가능한 공간 확인 중…</translation>
    </message>
    <message>
        <source>Cancelling setup…</source>
        <translation>설치 취소 중…</translation>
    </message>
    <message>
        <source>Start setup to see this attempt&apos;s log.</source>
        <translation>설치를 시작하면 이번 시도의 로그를 볼 수 있습니다.</translation>
    </message>
    <message>
        <source>Step %1 of %2 · %3
%4</source>
        <translation>%2단계 중 %1단계 · %3
%4</translation>
    </message>
    <message>
        <source>Elapsed %1 · install time varies</source>
        <translation>경과 시간 %1 · 설치 시간은 다를 수 있음</translation>
    </message>
    <message>
        <source>%1 / %2 MB downloaded</source>
        <translation>%1 / %2MB 다운로드됨</translation>
    </message>
    <message>
        <source> · about %1 left for this download</source>
        <translation> · 이 다운로드 약 %1 남음</translation>
    </message>
    <message>
        <source>Preparing your studio…</source>
        <translation>스튜디오 준비 중…</translation>
    </message>
    <message>
        <source>Checking the studio runtime…</source>
        <translation>스튜디오 런타임 확인 중…</translation>
    </message>
    <message>
        <source>Downloading the studio runtime…</source>
        <translation>스튜디오 런타임 다운로드 중…</translation>
    </message>
    <message>
        <source>Extracting the studio runtime…</source>
        <translation>스튜디오 런타임 압축 해제 중…</translation>
    </message>
    <message>
        <source>Installing the voice engines…</source>
        <translation>음성 엔진 설치 중…</translation>
    </message>
    <message>
        <source>Setup is already open in another window. Finish or cancel that setup first.</source>
        <translation>설치가 이미 다른 윈도우에서 열려 있습니다. 먼저 해당 설치를 완료하거나 취소하십시오.</translation>
    </message>
    <message>
        <source>Setup could not create its log. Check available disk space, then retry.</source>
        <translation>설치 로그를 만들 수 없습니다. 디스크 여유 공간을 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.</source>
        <translation>설치에는 20GB의 여유 공간이 필요하지만 %1GB만 사용 가능합니다. %2GB 이상 확보한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>Setup cancelled.</source>
        <translation>설치가 취소되었습니다.</translation>
    </message>
    <message>
        <source>Setup cancelled. You can retry when ready.</source>
        <translation>설치가 취소되었습니다. 준비되면 다시 시도할 수 있습니다.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>설치를 완료할 수 없습니다. &apos;세부사항 보기&apos;에서 로그를 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The disk is full. Setup needs about %1 GB free; free some space, then retry setup.</source>
        <translation>디스크가 가득 찼습니다. 설치에는 약 %1GB의 여유 공간이 필요합니다. 공간을 확보한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The download server&apos;s certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network&apos;s certificate on this Mac, then retry setup.</source>
        <translation>다운로드 서버의 인증서를 확인할 수 없습니다. 네트워크에서 암호화된 트래픽을 검사하는 경우 관리자에게 이 Mac에 네트워크 인증서를 설치해 달라고 요청한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.</source>
        <translation>프록시 서버가 로그인을 거부했습니다. 네트워크 설정에서 프록시 사용자 이름과 암호를 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The packaged runtime manifest is incomplete.</source>
        <translation>포함된 런타임 매니페스트가 불완전합니다.</translation>
    </message>
    <message>
        <source>The Python download failed checksum verification. Please retry setup.</source>
        <translation>Python 다운로드가 체크섬 확인에 실패했습니다. 설치를 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The packaged application identity is incomplete.</source>
        <translation>포함된 앱 식별 정보가 불완전합니다.</translation>
    </message>
    <message>
        <source>Runtime validation did not complete. Please retry setup.</source>
        <translation>런타임 확인이 완료되지 않았습니다. 설치를 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The runtime needs repair.</source>
        <translation>런타임을 복구해야 합니다.</translation>
    </message>
    <message>
        <source>The studio could not start. Check launch.log in Application Support, or retry setup.</source>
        <translation>스튜디오를 시작할 수 없습니다. Application Support의 launch.log를 확인하거나 설치를 다시 시도하십시오.</translation>
    </message>
</context>
</TS>
