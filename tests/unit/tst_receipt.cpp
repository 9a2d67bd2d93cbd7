#include "studio/receipt.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTest>

#include <sys/stat.h>
#include <system_error>

using testsupport::writeExecutable;
using testsupport::writeFile;

namespace {
const QString digest = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

QJsonObject goodReceipt()
{
    return {{QStringLiteral("runtime_id"), digest},
            {QStringLiteral("main_python"), QStringLiteral("/envs/main/bin/python")},
            {QStringLiteral("seedvc_python"), QStringLiteral("/envs/seedvc/bin/python")},
            {QStringLiteral("mlx_python"), QStringLiteral("/envs/mlx/bin/python")}};
}

QJsonObject with(QJsonObject object, const QString &key, const QJsonValue &value)
{
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return object;
}
} // namespace

class ReceiptTest : public QObject
{
    Q_OBJECT

private slots:
    void validation_data();
    void validation();
    void interpretersAreCheckedInOrder();
    void manifestIsNotHashedForUnparsableReceipt();
    void hashMatchesIndependentDigest_data();
    void hashMatchesIndependentDigest();
    void hashOfMissingFileNamesIt();
    void hashOfDirectoryThrows();
    void launcherRejectsChangedOrMissingManifest();
};

void ReceiptTest::validation_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("executables");
    QTest::addColumn<bool>("valid");

    const QStringList all = {QStringLiteral("/envs/main/bin/python"), QStringLiteral("/envs/seedvc/bin/python"),
                             QStringLiteral("/envs/mlx/bin/python")};
    QTest::newRow("complete receipt") << json(goodReceipt()) << all << true;
    QTest::newRow("without optional keys, extra keys kept")
        << json(with(goodReceipt(), QStringLiteral("installer"), QStringLiteral("x"))) << all << true;
    QTest::newRow("upper-case digest") << json(with(goodReceipt(), QStringLiteral("runtime_id"), digest.toUpper()))
                                       << all << false;
    QTest::newRow("other digest") << json(
        with(goodReceipt(), QStringLiteral("runtime_id"), QString(digest).replace(0, 1, QLatin1Char('0'))))
                                  << all << false;
    QTest::newRow("runtime_id missing") << json(with(goodReceipt(), QStringLiteral("runtime_id"), QJsonValue())) << all
                                        << false;
    QTest::newRow("runtime_id empty") << json(with(goodReceipt(), QStringLiteral("runtime_id"), QString())) << all
                                      << false;
    QTest::newRow("runtime_id a number") << json(with(goodReceipt(), QStringLiteral("runtime_id"), 12)) << all << false;
    QTest::newRow("mlx_python a number") << json(with(goodReceipt(), QStringLiteral("mlx_python"), 3)) << all << false;
    QTest::newRow("main_python null") << json(with(goodReceipt(), QStringLiteral("main_python"), QJsonValue::Null))
                                      << all << false;
    QTest::newRow("seedvc_python missing")
        << json(with(goodReceipt(), QStringLiteral("seedvc_python"), QJsonValue())) << all << false;
    QTest::newRow("main_python an object")
        << json(with(goodReceipt(), QStringLiteral("main_python"), QJsonObject{{QStringLiteral("a"), 1}})) << all
        << false;
    QTest::newRow("one interpreter not executable") << json(goodReceipt()) << all.mid(0, 2) << false;
    QTest::newRow("no interpreter executable") << json(goodReceipt()) << QStringList() << false;
    QTest::newRow("empty file") << QByteArray() << all << false;
    QTest::newRow("not JSON") << QByteArray("runtime_id=abc") << all << false;
    QTest::newRow("truncated JSON") << json(goodReceipt()).left(40) << all << false;
    QTest::newRow("array") << QByteArray("[1, 2]") << all << false;
    QTest::newRow("string") << QByteArray("\"runtime\"") << all << false;
    QTest::newRow("number") << QByteArray("42") << all << false;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe{\x01\x02", 6) << all << false;
    QTest::newRow("very large") << QByteArray(R"({"pad":"")").insert(8, QByteArray(64 << 20, 'x')) << all << false;
}

void ReceiptTest::validation()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, executables);
    QFETCH(bool, valid);
    const auto result = receipt::validate(
        bytes, [] { return std::optional<QString>(digest); },
        [&](const QString &path) { return executables.contains(path); });
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, QJsonDocument::fromJson(bytes).object());
}

void ReceiptTest::interpretersAreCheckedInOrder()
{
    QStringList asked;
    receipt::validate(
        json(goodReceipt()), [] { return std::optional<QString>(digest); },
        [&](const QString &path) {
            asked << path;
            return true;
        });
    QCOMPARE(asked, (QStringList{QStringLiteral("/envs/mlx/bin/python"), QStringLiteral("/envs/main/bin/python"),
                                 QStringLiteral("/envs/seedvc/bin/python")}));
}

void ReceiptTest::manifestIsNotHashedForUnparsableReceipt()
{
    bool hashed = false;
    const auto result = receipt::validate(
        QByteArray("{"),
        [&] {
            hashed = true;
            return std::optional<QString>(digest);
        },
        [](const QString &) { return true; });
    QVERIFY(!result);
    QVERIFY(!hashed);
    QVERIFY(!receipt::validate(
        json(goodReceipt()), [] { return std::optional<QString>(); }, [](const QString &) { return true; }));
}

void ReceiptTest::hashMatchesIndependentDigest_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("one chunk less one") << receipt::hashChunkSize - 1;
    QTest::newRow("exactly one chunk") << receipt::hashChunkSize;
    QTest::newRow("one chunk and one byte") << receipt::hashChunkSize + 1;
    QTest::newRow("several chunks") << 5 * receipt::hashChunkSize + 12345;
}

void ReceiptTest::hashMatchesIndependentDigest()
{
    QFETCH(qint64, size);
    QTemporaryDir dir;
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    const QString path = dir.filePath(QStringLiteral("data.bin"));
    writeFile(path, bytes);
    const QString expected = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    const QString actual = receipt::hash(path);
    QCOMPARE(actual, expected);
    QCOMPARE(actual.size(), 64);
    QCOMPARE(actual, actual.toLower());
}

void ReceiptTest::hashOfMissingFileNamesIt()
{
    try {
        receipt::hash(QStringLiteral("/nonexistent/runtime-manifest.json"));
        QFAIL("hash of a missing file returned");
    } catch (const std::system_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()),
                 QStringLiteral("Could not read “/nonexistent/runtime-manifest.json”: No such file or directory"));
    }
}

void ReceiptTest::hashOfDirectoryThrows()
{
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(std::system_error, receipt::hash(dir.path()));
    // A named pipe nobody writes to would block the hash for good.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY_THROWS_EXCEPTION(std::system_error, receipt::hash(pipe));
}

void ReceiptTest::launcherRejectsChangedOrMissingManifest()
{
    testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    for (const char *env : {"main", "seedvc", "mlx"})
        writeExecutable(sandbox.path(QStringLiteral("envs/%1/python").arg(QLatin1String(env))), "#!/bin/sh\n");
    const auto writeReceipt = [&] {
        QJsonObject object = {{QStringLiteral("runtime_id"), receipt::hash(launcher->manifestURL())},
                              {QStringLiteral("main_python"), sandbox.path(QStringLiteral("envs/main/python"))},
                              {QStringLiteral("seedvc_python"), sandbox.path(QStringLiteral("envs/seedvc/python"))},
                              {QStringLiteral("mlx_python"), sandbox.path(QStringLiteral("envs/mlx/python"))}};
        writeFile(launcher->runtime() + QStringLiteral("/runtime.json"), json(object));
    };
    writeReceipt();
    QVERIFY(launcher->validReceipt());

    // One more byte of whitespace in the packaged manifest is another runtime.
    writeFile(launcher->manifestURL(), testsupport::readFile(launcher->manifestURL()) + ' ');
    QVERIFY(!launcher->validReceipt());
    writeReceipt();
    QVERIFY(launcher->validReceipt());

    QFile::remove(launcher->manifestURL());
    QVERIFY(!launcher->validReceipt());

    QDir(launcher->runtime()).removeRecursively();
    QDir().mkpath(launcher->runtime() + QStringLiteral("/runtime.json"));
    QVERIFY(!launcher->validReceipt());

    // Without a writer, reading a named pipe would hang start-up before any window appears.
    QDir(launcher->runtime()).removeRecursively();
    QDir().mkpath(launcher->runtime());
    QCOMPARE(::mkfifo(QFile::encodeName(launcher->runtime() + QStringLiteral("/runtime.json")).constData(), 0600), 0);
    QVERIFY(!launcher->validReceipt());
}

QTEST_MAIN(ReceiptTest)
#include "tst_receipt.moc"
