#include "setupwindow/progressdisplay.h"
#include "shell/translation.h"

#include <QJsonDocument>
#include <QTest>

using progressdisplay::Bar;
using progressdisplay::Clock;

Q_DECLARE_METATYPE(progressdisplay::Bar)

namespace {

const Clock::time_point now = Clock::time_point(std::chrono::hours(1000));
const QString archive = QStringLiteral("/rt/downloads/abc.tar.gz");
constexpr double none = -1; // no time point at all

Clock::time_point secondsAgo(double seconds)
{
    return now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::optional<Clock::time_point> optionalSecondsAgo(double seconds)
{
    return seconds < 0 ? std::nullopt : std::optional(secondsAgo(seconds));
}

std::optional<QJsonObject> record(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    return document.isObject() ? std::optional(document.object()) : std::nullopt;
}

QByteArray downloadRecord(qint64 total)
{
    return QStringLiteral(R"({"step":1,"total_steps":4,"label":"Downloading the studio runtime…","state":"running",)"
                          R"("download_path":"%1","download_total":%2})")
        .arg(archive, QString::number(total))
        .toUtf8();
}

} // namespace

class ProgressTextTest : public QObject
{
    Q_OBJECT

private slots:
    void statusText_data();
    void statusText();
    void inTheUsersLanguage_data();
    void inTheUsersLanguage();
    void chooseLanguage_data();
    void chooseLanguage();
    void measuring_data();
    void measuring();
    void minutesAreNotWrapped();
};

void ProgressTextTest::statusText_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<double>("elapsed");     // since setupStartedAt; -1: none
    QTest::addColumn<double>("measuredFor"); // since downloadStartAt; -1: none
    QTest::addColumn<qint64>("startBytes");
    QTest::addColumn<qint64>("fileSize"); // of the archive; -1: cannot be read
    QTest::addColumn<QString>("status");  // null: unchanged
    QTest::addColumn<Bar>("bar");
    QTest::addColumn<double>("percent");

    const QString elapsed205 = QStringLiteral("Elapsed 2:05 · install time varies");
    const QString preparing = QStringLiteral("Step 1 of 4 · Preparing your studio…\n") + elapsed205;
    const QString downloading = QStringLiteral("Step 1 of 4 · Downloading the studio runtime…\n");

    QTest::newRow("not json") << QByteArray("{\"label\":") << 125.0 << none << qint64(0) << qint64(-1) << QString()
                              << Bar::Unchanged << 0.0;
    QTest::newRow("array") << QByteArray("[1,2]") << 125.0 << none << qint64(0) << qint64(-1) << QString()
                           << Bar::Unchanged << 0.0;
    QTest::newRow("empty object") << QByteArray("{}") << 125.0 << none << qint64(0) << qint64(-1) << preparing
                                  << Bar::Indeterminate << 0.0;
    QTest::newRow("download with time left")
        << downloadRecord(50'000'000) << 125.0 << 10.0 << qint64(2'500'000) << qint64(12'500'000)
        << downloading + QStringLiteral("12.5 / 50.0 MB downloaded · about 0:37 left for this download")
        << Bar::Determinate << 25.0;
    QTest::newRow("complete") << QByteArray(R"({"state":"complete","label":"Ready to go","step":4})") << 125.0 << none
                              << qint64(0) << qint64(-1) << QStringLiteral("Ready to go") << Bar::Determinate << 100.0;
    QTest::newRow("complete without label")
        << QByteArray(R"({"state":"complete"})") << 125.0 << none << qint64(0) << qint64(-1)
        << QStringLiteral("Preparing your studio…") << Bar::Determinate << 100.0;
    QTest::newRow("message wins over complete and download") << QByteArray(
        R"({"message":"Installing engine 2 of 3","state":"complete","download_path":"/rt/downloads/abc.tar.gz","download_total":50000000})")
                                                             << 125.0 << 10.0 << qint64(0) << qint64(12'500'000)
                                                             << QStringLiteral("Installing engine 2 of 3")
                                                             << Bar::Unchanged << 0.0;
    QTest::newRow("empty message is no message")
        << QByteArray(R"({"message":"","step":2})") << 125.0 << none << qint64(0) << qint64(-1)
        << QStringLiteral("Step 2 of 4 · Preparing your studio…\n") + elapsed205 << Bar::Indeterminate << 0.0;
    QTest::newRow("message of another type") << QByteArray(R"({"message":7})") << 125.0 << none << qint64(0)
                                             << qint64(-1) << preparing << Bar::Indeterminate << 0.0;
    QTest::newRow("state in another case") << QByteArray(R"({"state":"Complete"})") << 125.0 << none << qint64(0)
                                           << qint64(-1) << preparing << Bar::Indeterminate << 0.0;
    QTest::newRow("label of another type") << QByteArray(R"({"label":["x"]})") << 125.0 << none << qint64(0)
                                           << qint64(-1) << preparing << Bar::Indeterminate << 0.0;
    QTest::newRow("step 2.5") << QByteArray(R"({"step":2.5})") << 125.0 << none << qint64(0) << qint64(-1) << preparing
                              << Bar::Indeterminate << 0.0;
    QTest::newRow("step as string") << QByteArray(R"({"step":"2"})") << 125.0 << none << qint64(0) << qint64(-1)
                                    << preparing << Bar::Indeterminate << 0.0;
    QTest::newRow("step 2.0") << QByteArray(R"({"step":2.0,"total_steps":7})") << 125.0 << none << qint64(0)
                              << qint64(-1) << QStringLiteral("Step 2 of 7 · Preparing your studio…\n") + elapsed205
                              << Bar::Indeterminate << 0.0;
    QTest::newRow("step beyond 64 bits") << QByteArray(R"({"step":1e19})") << 125.0 << none << qint64(0) << qint64(-1)
                                         << preparing << Bar::Indeterminate << 0.0;
    QTest::newRow("total steps as string")
        << QByteArray(R"({"step":3,"total_steps":"5"})") << 125.0 << none << qint64(0) << qint64(-1)
        << QStringLiteral("Step 3 of 4 · Preparing your studio…\n") + elapsed205 << Bar::Indeterminate << 0.0;
    QTest::newRow("download total 0") << downloadRecord(0) << 125.0 << none << qint64(0) << qint64(12'500'000)
                                      << downloading + elapsed205 << Bar::Indeterminate << 0.0;
    QTest::newRow("download total negative") << downloadRecord(-5) << 125.0 << none << qint64(0) << qint64(12'500'000)
                                             << downloading + elapsed205 << Bar::Indeterminate << 0.0;
    QTest::newRow("download total as string")
        << QByteArray(R"({"download_path":"/rt/downloads/abc.tar.gz","download_total":"50000000"})") << 125.0 << none
        << qint64(0) << qint64(12'500'000) << preparing << Bar::Indeterminate << 0.0;
    QTest::newRow("empty download path") << QByteArray(R"({"download_path":"","download_total":50000000})") << 125.0
                                         << none << qint64(0) << qint64(12'500'000) << preparing << Bar::Indeterminate
                                         << 0.0;
    QTest::newRow("download file missing") << downloadRecord(50'000'000) << 125.0 << none << qint64(0) << qint64(-1)
                                           << downloading + elapsed205 << Bar::Indeterminate << 0.0;
    QTest::newRow("download file larger than total")
        << downloadRecord(50'000'000) << 125.0 << 10.0 << qint64(2'500'000) << qint64(60'000'000)
        << downloading + QStringLiteral("50.0 / 50.0 MB downloaded") << Bar::Determinate << 100.0;
    QTest::newRow("download file exactly total")
        << downloadRecord(50'000'000) << 125.0 << 10.0 << qint64(2'500'000) << qint64(50'000'000)
        << downloading + QStringLiteral("50.0 / 50.0 MB downloaded") << Bar::Determinate << 100.0;
    QTest::newRow("measuring under 3 s") << downloadRecord(50'000'000) << 125.0 << 2.9 << qint64(2'500'000)
                                         << qint64(12'500'000)
                                         << downloading + QStringLiteral("12.5 / 50.0 MB downloaded")
                                         << Bar::Determinate << 25.0;
    QTest::newRow("measuring exactly 3 s")
        << downloadRecord(50'000'000) << 125.0 << 3.0 << qint64(2'500'000) << qint64(12'500'000)
        << downloading + QStringLiteral("12.5 / 50.0 MB downloaded · about 0:11 left for this download")
        << Bar::Determinate << 25.0;
    QTest::newRow("no bytes since measuring began")
        << downloadRecord(50'000'000) << 125.0 << 30.0 << qint64(12'500'000) << qint64(12'500'000)
        << downloading + QStringLiteral("12.5 / 50.0 MB downloaded") << Bar::Determinate << 25.0;
    QTest::newRow("file shrank below the baseline")
        << downloadRecord(50'000'000) << 125.0 << 30.0 << qint64(20'000'000) << qint64(12'500'000)
        << downloading + QStringLiteral("12.5 / 50.0 MB downloaded") << Bar::Determinate << 25.0;
    // 10 s for 1 MB: 360 MB left takes 3600 s, one byte less just under.
    QTest::newRow("estimate one hour") << downloadRecord(371'000'000) << 125.0 << 10.0 << qint64(10'000'000)
                                       << qint64(11'000'000)
                                       << downloading + QStringLiteral("11.0 / 371.0 MB downloaded") << Bar::Determinate
                                       << 11'000'000 * 100.0 / 371'000'000;
    QTest::newRow("estimate just under one hour")
        << downloadRecord(370'999'999) << 125.0 << 10.0 << qint64(10'000'000) << qint64(11'000'000)
        << downloading + QStringLiteral("11.0 / 371.0 MB downloaded · about 59:59 left for this download")
        << Bar::Determinate << 11'000'000 * 100.0 / 370'999'999;
    // Doubles round totals past 2^53: the full bar once came out a hair above 100 (found by fuzzing).
    QTest::newRow("huge total, file complete")
        << downloadRecord(2'273'390'236'854'775'807) << 125.0 << none << qint64(0) << qint64(2'273'390'236'854'775'807)
        << downloading + QStringLiteral("2273390236854.8 / 2273390236854.8 MB downloaded") << Bar::Determinate << 100.0;
    // Several downloads at once: the record's count of their bytes wins over the size of any file.
    const QString several = QStringLiteral(R"({"label":"Downloading the studio runtime…","download_path":"%1",)"
                                           R"("download_total":50000000,"download_done":%2})");
    QTest::newRow("bytes of several downloads")
        << several.arg(archive, QStringLiteral("12500000")).toUtf8() << 125.0 << 10.0 << qint64(2'500'000)
        << qint64(1'000)
        << downloading + QStringLiteral("12.5 / 50.0 MB downloaded · about 0:37 left for this download")
        << Bar::Determinate << 25.0;
    QTest::newRow("elapsed 59:59") << QByteArray("{}") << 3599.9 << none << qint64(0) << qint64(-1)
                                   << QStringLiteral(
                                          "Step 1 of 4 · Preparing your studio…\nElapsed 59:59 · install time varies")
                                   << Bar::Indeterminate << 0.0;
    QTest::newRow("elapsed 62:05") << QByteArray("{}") << 3725.0 << none << qint64(0) << qint64(-1)
                                   << QStringLiteral(
                                          "Step 1 of 4 · Preparing your studio…\nElapsed 62:05 · install time varies")
                                   << Bar::Indeterminate << 0.0;
    QTest::newRow("no start time") << QByteArray("{}") << none << none << qint64(0) << qint64(-1)
                                   << QStringLiteral(
                                          "Step 1 of 4 · Preparing your studio…\nElapsed 0:00 · install time varies")
                                   << Bar::Indeterminate << 0.0;
}

void ProgressTextTest::statusText()
{
    QFETCH(QByteArray, json);
    QFETCH(double, elapsed);
    QFETCH(double, measuredFor);
    QFETCH(qint64, startBytes);
    QFETCH(qint64, fileSize);
    QFETCH(QString, status);
    QFETCH(Bar, bar);
    QFETCH(double, percent);

    const progressdisplay::Measuring measuring{measuredFor < 0 ? QString() : archive, optionalSecondsAgo(measuredFor),
                                               startBytes};
    const auto sizeOf = [&](const QString &path) -> std::optional<qint64> {
        if (path != archive || fileSize < 0)
            return std::nullopt;
        return fileSize;
    };
    const auto display = progressdisplay::update(record(json), now, optionalSecondsAgo(elapsed), measuring, sizeOf);

    QCOMPARE(display.status.value_or(QString()), status);
    QCOMPARE(display.status.has_value(), !status.isNull());
    QCOMPARE(display.bar, bar);
    if (bar == Bar::Determinate) {
        QCOMPARE(display.percent, percent);
        QVERIFY2(display.percent <= 100.0, qPrintable(QString::number(display.percent, 'g', 17)));
    }
}

void ProgressTextTest::inTheUsersLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("status");

    const QString elapsed = QStringLiteral("\nVergangen: 2:05 · Dauer variiert");
    QTest::newRow("a bootstrap label with blanks")
        << QStringLiteral("de") << QByteArray(R"({"label":"Installing the voice engines: 2 of 12 ready…"})")
        << QStringLiteral("Schritt 1 von 4 · Sprach-Engines werden installiert: 2 von 12 fertig …") + elapsed;
    QTest::newRow("blanks in another order")
        << QStringLiteral("ko") << QByteArray(R"({"message":"Downloading the voice engines: 3 of 4 files…"})")
        << QStringLiteral("음성 엔진 다운로드 중: 4개 파일 중 3개…");
    QTest::newRow("the launcher's failure with numbers")
        << QStringLiteral("de")
        << QByteArray(
               R"({"message":"Setup needs 20 GB free; 10.5 GB is available. Free at least 9.5 GB, then retry setup."})")
        << QStringLiteral("Die Einrichtung braucht 20 GB frei, verfügbar sind 10,5 GB. Gib mindestens 9,5 GB frei und "
                          "versuche es erneut.");
    QTest::newRow("an unknown sentence as written")
        << QStringLiteral("de") << QByteArray(R"({"message":"Installing engine 2 of 3"})")
        << QStringLiteral("Installing engine 2 of 3");
    QTest::newRow("download figures") << QStringLiteral("de") << downloadRecord(24'000'000)
                                      << QStringLiteral("Schritt 1 von 4 · Studio-Laufzeitumgebung wird geladen …\n"
                                                        "8,5 / 24,0 MB geladen");
}

void ProgressTextTest::inTheUsersLanguage()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, json);
    QFETCH(QString, status);
    translation::use(language);
    const auto english = qScopeGuard([] { translation::use({}); });

    const auto sizeOf = [](const QString &) -> std::optional<qint64> { return 8'500'000; };
    const auto display = progressdisplay::update(record(json), now, secondsAgo(125), {}, sizeOf);
    QCOMPARE(display.status.value_or(QString()), status);
}

void ProgressTextTest::chooseLanguage_data()
{
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("C.UTF-8 before German") << QStringList{QStringLiteral("C.UTF-8"), QStringLiteral("de")} << QString();
    QTest::newRow("locale with codeset") << QStringList{QStringLiteral("de_DE.UTF-8@euro")} << QStringLiteral("de");
    QTest::newRow("first one we have") << QStringList{QStringLiteral("nl"), QStringLiteral("it_IT"),
                                                      QStringLiteral("es-419"), QStringLiteral("fr-CA")}
                                       << QStringLiteral("es");
    QTest::newRow("English first") << QStringList{QStringLiteral("en-GB"), QStringLiteral("ja")} << QString();
    QTest::newRow("traditional Chinese is passed over")
        << QStringList{QStringLiteral("zh-Hant-TW"), QStringLiteral("zh_HK"), QStringLiteral("zh-Hans-CN")}
        << QStringLiteral("zh_CN");
    QTest::newRow("Portuguese") << QStringList{QStringLiteral("pt-PT")} << QStringLiteral("pt_BR");
    QTest::newRow("none we have") << QStringList{QStringLiteral("ru"), QStringLiteral("")} << QString();
}

void ProgressTextTest::chooseLanguage()
{
    QFETCH(QStringList, preferred);
    QFETCH(QString, chosen);
    QCOMPARE(translation::chooseLanguage(preferred), chosen);
}

void ProgressTextTest::measuring_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("trackingBefore");
    QTest::addColumn<double>("measuredForBefore");
    QTest::addColumn<qint64>("startBytesBefore");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<QString>("trackingAfter");
    QTest::addColumn<double>("measuredForAfter");
    QTest::addColumn<qint64>("startBytesAfter");

    QTest::newRow("idle, first sight starts measuring") << downloadRecord(50'000'000) << QString() << none << qint64(0)
                                                        << qint64(4'000'000) << archive << 0.0 << qint64(4'000'000);
    QTest::newRow("same path keeps the baseline") << downloadRecord(50'000'000) << archive << 8.0 << qint64(1'000)
                                                  << qint64(4'000'000) << archive << 8.0 << qint64(1'000);
    QTest::newRow("another path restarts")
        << downloadRecord(50'000'000) << QStringLiteral("/rt/downloads/old.tar.gz") << 8.0 << qint64(1'000)
        << qint64(4'000'000) << archive << 0.0 << qint64(4'000'000);
    QTest::newRow("baseline capped at the total") << downloadRecord(50'000'000) << QString() << none << qint64(0)
                                                  << qint64(70'000'000) << archive << 0.0 << qint64(50'000'000);
    QTest::newRow("missing file does not start")
        << downloadRecord(50'000'000) << QString() << none << qint64(0) << qint64(-1) << QString() << none << qint64(0);
    QTest::newRow("tick without figures keeps the baseline")
        << QByteArray(R"({"label":"Extracting the studio runtime…"})") << archive << 8.0 << qint64(1'000)
        << qint64(4'000'000) << archive << 8.0 << qint64(1'000);
    QTest::newRow("message keeps the baseline")
        << QByteArray(R"({"message":"working"})") << archive << 8.0 << qint64(1'000) << qint64(4'000'000) << archive
        << 8.0 << qint64(1'000);
}

void ProgressTextTest::measuring()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, trackingBefore);
    QFETCH(double, measuredForBefore);
    QFETCH(qint64, startBytesBefore);
    QFETCH(qint64, fileSize);
    QFETCH(QString, trackingAfter);
    QFETCH(double, measuredForAfter);
    QFETCH(qint64, startBytesAfter);

    const auto sizeOf = [&](const QString &) -> std::optional<qint64> {
        return fileSize < 0 ? std::nullopt : std::optional(fileSize);
    };
    const progressdisplay::Measuring before{trackingBefore, optionalSecondsAgo(measuredForBefore), startBytesBefore};
    const auto after = progressdisplay::update(record(json), now, secondsAgo(60), before, sizeOf).measuring;

    QCOMPARE(after.path, trackingAfter);
    QCOMPARE(after.startAt, optionalSecondsAgo(measuredForAfter));
    QCOMPARE(after.startBytes, startBytesAfter);
}

void ProgressTextTest::minutesAreNotWrapped()
{
    QCOMPARE(progressdisplay::minutesAndSeconds(0), QStringLiteral("0:00"));
    QCOMPARE(progressdisplay::minutesAndSeconds(59), QStringLiteral("0:59"));
    QCOMPARE(progressdisplay::minutesAndSeconds(6000), QStringLiteral("100:00"));
}

QTEST_GUILESS_MAIN(ProgressTextTest)
#include "tst_progresstext.moc"
