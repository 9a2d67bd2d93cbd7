<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko" sourcelanguage="en">
<context>
    <name>bootstrap</name>
    <message>
        <source>Waiting for an earlier setup to finish…</source>
        <translation>이전 설치가 끝나기를 기다리는 중…</translation>
    </message>
    <message>
        <source>Creating the engine environments…</source>
        <translation>엔진 환경 생성 중…</translation>
    </message>
    <message>
        <source>Checking the voice engine files…</source>
        <translation>음성 엔진 파일 확인 중…</translation>
    </message>
    <message>
        <source>Downloading the voice engines: {done} of {count} files…</source>
        <translation>음성 엔진 다운로드 중: {count}개 파일 중 {done}개…</translation>
    </message>
    <message>
        <source>Installing the voice engines: {done} of {count} ready…</source>
        <translation>음성 엔진 설치 중: {count}개 중 {done}개 완료…</translation>
    </message>
    <message>
        <source>Finishing the studio runtime…</source>
        <translation>스튜디오 런타임 마무리 중…</translation>
    </message>
    <message>
        <source>The studio runtime is ready.</source>
        <translation>스튜디오 런타임이 준비되었습니다.</translation>
    </message>
    <message>
        <source>The engine environments could not be created. Choose Show details for the log, then retry.</source>
        <translation>엔진 환경을 만들 수 없습니다. &apos;세부사항 보기&apos;에서 로그를 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The voice engines could not be downloaded. Check the internet connection, then retry setup.</source>
        <translation>음성 엔진을 다운로드할 수 없습니다. 인터넷 연결을 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>A voice engine download failed checksum verification. Please retry setup.</source>
        <translation>음성 엔진 다운로드가 체크섬 확인에 실패했습니다. 설치를 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The voice engines could not be installed. Choose Show details for the log, then retry.</source>
        <translation>음성 엔진을 설치할 수 없습니다. &apos;세부사항 보기&apos;에서 로그를 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>The studio runtime could not be recorded. Choose Show details for the log, then retry.</source>
        <translation>스튜디오 런타임을 기록할 수 없습니다. &apos;세부사항 보기&apos;에서 로그를 확인한 후 다시 시도하십시오.</translation>
    </message>
    <message>
        <source>Setup could not finish. Choose Show details for the log, then retry.</source>
        <translation>설치를 완료할 수 없습니다. &apos;세부사항 보기&apos;에서 로그를 확인한 후 다시 시도하십시오.</translation>
    </message>
</context>
</TS>
