#include "setup/jsonmembers.h"
#include "setup/progressrecord.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <limits>
#include <thread>

using testsupport::readFile;
using testsupport::writeFile;

Q_DECLARE_METATYPE(std::optional<qint64>)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

QJsonObject parsed(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class ProgressRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void encodesEightTypedMembersCompactly()
    {
        const progress::Record record{QStringLiteral("Downloading the studio runtime…"),
                                      1,
                                      QStringLiteral("running"),
                                      QString(),
                                      1,
                                      4,
                                      QStringLiteral("/a b/c.tar.gz"),
                                      qint64(1) << 40};
        const QByteArray bytes = progress::encode(record);
        QVERIFY(!bytes.contains('\n'));
        QVERIFY(!bytes.contains(": "));
        QVERIFY(bytes.contains("running\""));
        QVERIFY2(bytes.contains("\xE2\x80\xA6"), "the ellipsis is written as UTF-8, not escaped");

        const QJsonObject object = parsed(bytes);
        QCOMPARE(object.size(), 8);
        QCOMPARE(json::stringMember(object, progress::labelKey), record.label);
        QCOMPARE(json::integerMember(object, progress::percentKey), 1);
        QCOMPARE(json::stringMember(object, progress::stateKey), record.state);
        QCOMPARE(json::stringMember(object, progress::messageKey), QString());
        QCOMPARE(json::integerMember(object, progress::stepKey), 1);
        QCOMPARE(json::integerMember(object, progress::totalStepsKey), 4);
        QCOMPARE(json::stringMember(object, progress::downloadPathKey), record.downloadPath);
        QCOMPARE(json::integerMember(object, progress::downloadTotalKey), qint64(1) << 40);
    }

    void integerMember_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<qint64>>("expected");
        const auto none = std::optional<qint64>();
        QTest::newRow("integer") << QByteArray(R"({"n":2})") << std::optional<qint64>(2);
        QTest::newRow("whole double") << QByteArray(R"({"n":2.0})") << std::optional<qint64>(2);
        QTest::newRow("exponent") << QByteArray(R"({"n":1.5e1})") << std::optional<qint64>(15);
        QTest::newRow("negative") << QByteArray(R"({"n":-7})") << std::optional<qint64>(-7);
        QTest::newRow("negative zero") << QByteArray(R"({"n":-0.0})") << std::optional<qint64>(0);
        QTest::newRow("fraction") << QByteArray(R"({"n":2.5})") << none;
        QTest::newRow("numeric string") << QByteArray(R"({"n":"2"})") << none;
        QTest::newRow("boolean") << QByteArray(R"({"n":true})") << none;
        QTest::newRow("null") << QByteArray(R"({"n":null})") << none;
        QTest::newRow("array") << QByteArray(R"({"n":[2]})") << none;
        QTest::newRow("missing") << QByteArray(R"({"m":2})") << none;
        QTest::newRow("huge") << QByteArray(R"({"n":1e300})") << none;
        QTest::newRow("largest") << QByteArray(R"({"n":9223372036854775807})")
                                 << std::optional<qint64>(std::numeric_limits<qint64>::max());
        QTest::newRow("smallest") << QByteArray(R"({"n":-9223372036854775808})")
                                  << std::optional<qint64>(std::numeric_limits<qint64>::min());
        QTest::newRow("two to the 63") << QByteArray(R"({"n":9223372036854775808})") << none;
        QTest::newRow("two to the 63 as double") << QByteArray(R"({"n":9.223372036854775808e18})") << none;
        QTest::newRow("beyond the smallest") << QByteArray(R"({"n":-1e19})") << none;
    }

    void integerMember()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<qint64>, expected);
        QCOMPARE(json::integerMember(parsed(json), QLatin1String("n")), expected);
    }

    void wholeNumberRejectsNonFinite()
    {
        QCOMPARE(json::wholeNumber(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
        QCOMPARE(json::wholeNumber(std::numeric_limits<double>::infinity()), std::nullopt);
        QCOMPARE(json::wholeNumber(-std::numeric_limits<double>::infinity()), std::nullopt);
        QCOMPARE(json::wholeNumber(-9223372036854775808.0), std::numeric_limits<qint64>::min());
    }

    void stringMember_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("string") << QByteArray(R"({"s":"x"})") << std::optional<QString>(QStringLiteral("x"));
        QTest::newRow("empty string") << QByteArray(R"({"s":""})") << std::optional<QString>(QString());
        QTest::newRow("number") << QByteArray(R"({"s":2})") << std::optional<QString>();
        QTest::newRow("null") << QByteArray(R"({"s":null})") << std::optional<QString>();
        QTest::newRow("object") << QByteArray(R"({"s":{}})") << std::optional<QString>();
        QTest::newRow("missing") << QByteArray(R"({})") << std::optional<QString>();
    }

    void stringMember()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(json::stringMember(parsed(json), QLatin1String("s")), expected);
    }

    void defaults_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<qint64>("totalSteps");
        QTest::addColumn<QString>("downloadPath");
        QTest::addColumn<qint64>("downloadTotal");
        const QString preparing = QStringLiteral("Preparing your studio…");
        QTest::newRow("empty record") << QByteArray("{}") << preparing << QString() << qint64(1) << qint64(4)
                                      << QString() << qint64(0);
        QTest::newRow("wrong types") << QByteArray(R"({"label":1,"message":[],"step":"2","total_steps":2.5,)"
                                                   R"("download_path":7,"download_total":"9"})")
                                     << preparing << QString() << qint64(1) << qint64(4) << QString() << qint64(0);
        QTest::newRow("all present") << QByteArray(R"({"label":"L","message":"M","step":2.0,"total_steps":5,)"
                                                   R"("download_path":"/p","download_total":123})")
                                     << QStringLiteral("L") << QStringLiteral("M") << qint64(2) << qint64(5)
                                     << QStringLiteral("/p") << qint64(123);
    }

    void defaults()
    {
        QFETCH(QByteArray, json);
        const QJsonObject record = parsed(json);
        QTEST(progress::label(record), "label");
        QTEST(progress::message(record), "message");
        QTEST(progress::step(record), "step");
        QTEST(progress::totalSteps(record), "totalSteps");
        QTEST(progress::downloadPath(record), "downloadPath");
        QTEST(progress::downloadTotal(record), "downloadTotal");
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("present");
        QTest::newRow("object") << QByteArray(R"({"state":"running"})") << true;
        QTest::newRow("empty object") << QByteArray("{}") << true;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("half written") << QByteArray(R"({"label":"Downloading the studio runtime…"})").left(28) << false;
        QTest::newRow("array") << QByteArray("[]") << false;
        QTest::newRow("string") << QByteArray(R"("failed")") << false;
        QTest::newRow("trailing garbage") << QByteArray(R"({"state":"failed"}x)") << false;
        QTest::newRow("not utf-8 json") << QByteArray("\xff\xfe{}") << false;
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, present);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup-progress.json"));
        writeFile(path, bytes);
        QCOMPARE(progress::read(path).has_value(), present);
    }

    void readMissingFileIsAbsent()
    {
        QTemporaryDir dir;
        QCOMPARE(progress::read(dir.filePath(QStringLiteral("none.json"))), std::nullopt);
        QCOMPARE(progress::read(dir.path()), std::nullopt); // a folder cannot be read as a record
    }

    void failureText_data()
    {
        QTest::addColumn<QByteArray>("json"); // empty: no record at all
        QTest::addColumn<std::optional<QString>>("expected");
        const auto none = std::optional<QString>();
        QTest::newRow("no record") << QByteArray() << none;
        QTest::newRow("failed with message") << QByteArray(R"({"state":"failed","message":"Disk full."})")
                                             << std::optional<QString>(QStringLiteral("Disk full."));
        QTest::newRow("failed with empty message")
            << QByteArray(R"({"state":"failed","message":""})") << std::optional<QString>(QString());
        QTest::newRow("failed without message") << QByteArray(R"({"state":"failed","label":"x"})") << none;
        QTest::newRow("failed with number message") << QByteArray(R"({"state":"failed","message":3})") << none;
        QTest::newRow("running with message") << QByteArray(R"({"state":"running","message":"x"})") << none;
        QTest::newRow("complete") << QByteArray(R"({"state":"complete","message":""})") << none;
        QTest::newRow("state in other case") << QByteArray(R"({"state":"Failed","message":"x"})") << none;
        QTest::newRow("state not a string") << QByteArray(R"({"state":1,"message":"x"})") << none;
        QTest::newRow("no state") << QByteArray(R"({"message":"x"})") << none;
    }

    void failureText()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<QString>, expected);
        const std::optional<QJsonObject> record = json.isEmpty() ? std::nullopt : std::optional(parsed(json));
        QCOMPARE(progress::failureText(record), expected);
    }

    void freeSpaceFailureRecordGivesEmptyFailureText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup-progress.json"));
        progress::write(path, progress::failed(QStringLiteral("Setup needs 20 GB of free space.")));
        QCOMPARE(progress::failureText(progress::read(path)), QString());
    }

    void failedWriteIsDroppedAndKeepsThePreviousRecord()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("file"));
        writeFile(blocker, "x");
        // A path below a plain file can never be created.
        progress::write(blocker + QStringLiteral("/setup-progress.json"), {});
        QCOMPARE(readFile(blocker), QByteArray("x"));

        // Replacing a folder with a file fails too; the folder stays untouched.
        const QString folder = dir.filePath(QStringLiteral("record"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("record")));
        progress::write(folder, {});
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).size(), 2);
    }

    void launcherWritesItsRecordToProgressURL()
    {
        testsupport::Sandbox sandbox;
        const auto launcher = sandbox.launcher();
        QDir().mkpath(sandbox.runtime());
        launcher->writeProgress({.label = QStringLiteral("Extracting the studio runtime…"),
                                 .percent = 3,
                                 .state = progress::runningState,
                                 .step = 1});
        const std::optional<QJsonObject> record =
            progress::read(sandbox.runtime() + QStringLiteral("/setup-progress.json"));
        QVERIFY(record);
        QCOMPARE(record->size(), 8);
        QCOMPARE(progress::label(*record), QStringLiteral("Extracting the studio runtime…"));
        QCOMPARE(json::integerMember(*record, progress::percentKey), 3);
    }

    void readerNeverSeesAPartialRecord()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup-progress.json"));
        const progress::Record shortRecord{QStringLiteral("a"), 1, QStringLiteral("running"), {}, 1, 4, {}, 0};
        const progress::Record longRecord{QString(4000, QLatin1Char('b')),
                                          99,
                                          QStringLiteral("running"),
                                          QString(3000, QChar(0x2026)),
                                          2,
                                          4,
                                          QStringLiteral("/x"),
                                          1};
        progress::write(path, shortRecord);

        std::atomic<bool> writing{true};
        std::atomic<int> reads{0};
        std::atomic<int> bad{0};
        std::thread reader([&] {
            while (writing.load()) {
                const std::optional<QJsonObject> record = progress::read(path);
                const QString text = record ? progress::label(*record) : QString();
                if (!record || record->size() != 8 || (text != shortRecord.label && text != longRecord.label))
                    ++bad;
                ++reads;
            }
        });
        for (int i = 0; i < 300; ++i)
            progress::write(path, i % 2 ? shortRecord : longRecord);
        writing = false;
        reader.join();

        QCOMPARE(bad.load(), 0);
        QVERIFY2(reads.load() > 300, "the reader polled while the writer replaced the record");
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral("setup-progress.json")});
    }
};

QTEST_MAIN(ProgressRecordTest)
#include "tst_progressrecord.moc"
