#include "setup/failuretexts.h"
#include "shell/texts.h"
#include "testsupport.h"

#include <QTest>

// The worker's text (null: a generic one), the log's end, the sentence (null: recorded, else worker's).
struct Ending
{
    QString worker;
    QByteArray log;
    QString shown;
};
Q_DECLARE_METATYPE(Ending)

class FailureTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void spaceSentence_data();
    void spaceSentence();
    void unreadableVolumeHoldsNothingUp();
    void failureMessage_data();
    void failureMessage();
};

void FailureTextsTest::spaceSentence_data()
{
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<QString>("refusal"); // null: setup goes on

    constexpr qint64 gib = qint64(1) << 30;
    const auto refusal = [](const char *available, const char *missing) {
        return QStringLiteral("Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.")
            .arg(QLatin1String(available), QLatin1String(missing));
    };
    QTest::newRow("exactly 20 GiB") << 20 * gib << QString();
    QTest::newRow("one byte less") << 20 * gib - 1 << refusal("20.0", "0.0");
    QTest::newRow("nothing free") << qint64(0) << refusal("0.0", "20.0");
    QTest::newRow("10.5 GiB") << qint64(11'274'289'152) << refusal("10.5", "9.5");
    QTest::newRow("1 GiB") << gib << refusal("1.0", "19.0");
    QTest::newRow("a full disk") << qint64(500 * 1024 * 1024) << refusal("0.5", "19.5");
    QTest::newRow("plenty") << std::numeric_limits<qint64>::max() << QString();
}

void FailureTextsTest::spaceSentence()
{
    QFETCH(qint64, freeBytes);
    QFETCH(QString, refusal);
    const std::optional<QString> text = failuretexts::spaceError(freeBytes);
    QCOMPARE(text.has_value(), !refusal.isNull());
    QCOMPARE(text.value_or(QString()), refusal);
}

void FailureTextsTest::unreadableVolumeHoldsNothingUp()
{
    QVERIFY(!failuretexts::spaceError(std::nullopt));
    // The sandbox's runtime directory does not exist yet, so its volume cannot be asked.
    const testsupport::Sandbox sandbox;
    QVERIFY(!sandbox.launcher()->setupSpaceError());
}

void FailureTextsTest::failureMessage_data()
{
    QTest::addColumn<QByteArray>("record"); // null: no record file
    QTest::addColumn<QString>("text");      // null: no failure text
    QTest::addColumn<Ending>("ending");
    const Ending none;

    QTest::newRow("no record") << QByteArray() << QString() << none;
    QTest::newRow("half-written record") << QByteArray(R"({"state":"failed","mess)") << QString() << none;
    QTest::newRow("array") << QByteArray(R"([{"state":"failed","message":"x"}])") << QString() << none;
    QTest::newRow("failed with message") << QByteArray(R"({"state":"failed","message":"pip could not install torch"})")
                                         << QStringLiteral("pip could not install torch") << none;
    QTest::newRow("failed with empty message")
        << QByteArray(R"({"state":"failed","message":"","label":"Setup needs"})") << QStringLiteral("") << none;
    QTest::newRow("failed without message")
        << QByteArray(R"({"state":"failed","label":"Broken"})") << QString() << none;
    QTest::newRow("failed with numeric message")
        << QByteArray(R"({"state":"failed","message":3})") << QString() << none;
    QTest::newRow("running with message")
        << QByteArray(R"({"state":"running","message":"still going"})") << QString() << none;
    QTest::newRow("complete with message")
        << QByteArray(R"({"state":"complete","message":"done"})") << QString() << none;
    QTest::newRow("state in another case") << QByteArray(R"({"state":"Failed","message":"x"})") << QString() << none;
    QTest::newRow("no state") << QByteArray(R"({"message":"x"})") << QString() << none;
    // A full disk is named whoever noticed it, over the bootstrap's sentence for its stage.
    const QByteArray stage = R"({"state":"failed","message":"Engines failed."})";
    const QString full = texts::diskFull.arg(20);
    QTest::newRow("tar filled the disk") << stage << QStringLiteral("Engines failed.")
                                         << Ending{{}, "tar: x.so: Cannot write: No space left on device\n", full};
    QTest::newRow("the launcher's own write")
        << QByteArray() << QString()
        << Ending{QStringLiteral("Could not write “/r”: No space left on device"), {}, full};
    // What to do about a refused download, over the bootstrap's sentence for its stage.
    QTest::newRow("inspecting network") << stage << QStringLiteral("Engines failed.")
                                        << Ending{{},
                                                  "curl: (60) SSL certificate problem: self-signed certificate\n",
                                                  texts::certificateNotTrusted};
    QTest::newRow("proxy refuses the sign-in")
        << stage << QStringLiteral("Engines failed.")
        << Ending{{}, "curl: (56) CONNECT tunnel failed, response 407\n", texts::proxySignInRefused};
}

void FailureTextsTest::failureMessage()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, text);

    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    if (!record.isNull())
        testsupport::writeFile(launcher->progressURL(), record);
    const std::optional<QString> found = launcher->setupFailureMessage();
    QCOMPARE(found.has_value(), !text.isNull());
    QCOMPARE(found.value_or(QString()), text);

    QFETCH(Ending, ending);
    const QString worker = ending.worker.isNull() ? QStringLiteral("Setup could not finish.") : ending.worker;
    QCOMPARE(failuretexts::attemptFailure(worker, found, ending.log),
             !ending.shown.isNull() ? ending.shown : (text.isEmpty() ? worker : text));

    // The end of the attempt leaves a record that carries a failure text exactly as it was.
    launcher->failSetup(worker);
    if (!text.isNull())
        QCOMPARE(testsupport::readFile(launcher->progressURL()), record);
}

QTEST_MAIN(FailureTextsTest)
#include "tst_failuretexts.moc"
