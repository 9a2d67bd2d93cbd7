#include "shell/setuperror.h"
#include "studio/branding.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <plist/plist.h>

#include <cstdlib>
#include <system_error>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

const QString identityText = QStringLiteral("The packaged application identity is incomplete.");
const QByteArray iconBytes = QByteArray("icns\0\0\0\x08", 8);

QByteArray infoPlist(const QByteArray &entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n"
           + entries + "</dict>\n</plist>\n";
}

// The packaged dictionary with keys of every kind a bundle may carry.
QByteArray richInfoPlist()
{
    return infoPlist("<key>CFBundleIdentifier</key><string>com.vellmora.launcher</string>\n"
                     "<key>CFBundleName</key><string>Vellmora</string>\n"
                     "<key>CFBundleDisplayName</key><string>Vellmora Studio</string>\n"
                     "<key>CFBundleExecutable</key><string>Vellmora</string>\n"
                     "<key>CFBundleIconFile</key><string>Tarnwick</string>\n"
                     "<key>CFBundleShortVersionString</key><string>1.2.3</string>\n"
                     "<key>NSHumanReadableCopyright</key><string>Grüße &amp; mehr…</string>\n"
                     "<key>NSHighResolutionCapable</key><true/>\n"
                     "<key>LSUIElement</key><false/>\n"
                     "<key>BuildNumber</key><integer>-42</integer>\n"
                     "<key>Ratio</key><real>0.5</real>\n"
                     "<key>Built</key><date>2024-05-01T12:00:00Z</date>\n"
                     "<key>Blob</key><data>AAECAw==</data>\n"
                     "<key>CFBundleURLTypes</key><array><dict><key>CFBundleURLSchemes</key>"
                     "<array><string>vellmora</string></array></dict><integer>7</integer></array>\n"
                     "<key>Nested</key><dict><key>Inner</key><string>x</string>"
                     "<key>Empty</key><dict/></dict>\n");
}

// A libplist dictionary, freed with the object.
class Plist
{
public:
    explicit Plist(const QByteArray &bytes)
    {
        plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    }
    ~Plist() { plist_free(node); }
    Plist(const Plist &) = delete;
    Plist &operator=(const Plist &) = delete;

    bool isDictionary() const { return node && plist_get_node_type(node) == PLIST_DICT; }
    QByteArray binary() const
    {
        char *bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(node, &bytes, &length);
        QByteArray result(bytes, static_cast<qsizetype>(length));
        plist_to_bin_free(bytes);
        return result;
    }
    QStringList keys() const
    {
        QStringList result;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char *key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!key)
                break;
            result.append(QString::fromUtf8(key));
            std::free(key);
        }
        std::free(iter);
        return result;
    }
    // The value as a stand-alone XML document: equal texts mean equal values, nested ones included.
    QByteArray valueXml(const QString &key) const
    {
        plist_t value = plist_dict_get_item(node, key.toUtf8().constData());
        if (!value)
            return {};
        char *xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(value, &xml, &length);
        QByteArray text(xml, static_cast<qsizetype>(length));
        plist_to_xml_free(xml);
        return text;
    }
    QString string(const QString &key) const
    {
        plist_t value = plist_dict_get_item(node, key.toUtf8().constData());
        if (!value || plist_get_node_type(value) != PLIST_STRING)
            return {};
        char *text = nullptr;
        plist_get_string_val(value, &text);
        QString result = QString::fromUtf8(text);
        std::free(text);
        return result;
    }

private:
    plist_t node = nullptr;
};

// A sandboxed launcher and an interpreter folder holding only "python3".
struct Branding
{
    testsupport::Sandbox sandbox;
    std::unique_ptr<StudioLauncher> launcher = sandbox.launcher();
    QString bin = sandbox.path(QStringLiteral("python-1/python/bin"));

    explicit Branding(const QByteArray &info = richInfoPlist())
    {
        writeFile(sandbox.infoPlist(), info);
        writeFile(sandbox.resources() + QStringLiteral("/Tarnwick.icns"), iconBytes);
        // Names the folder it really lives in, wherever it was started from.
        testsupport::writeExecutable(bin + QStringLiteral("/python3"),
                                     "#!/bin/sh\necho \"python3 in $(dirname \"$(readlink -f \"$0\")\")\"\n");
    }
    QStringList entries() const
    {
        return QDir(bin).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QString brand(const QString &role = QStringLiteral("setup")) const { return launcher->brandInterpreter(bin, role); }
};

} // namespace

class BrandingTest : public QObject
{
    Q_OBJECT

private slots:
    void refusesAForeignIdentity_data()
    {
        QTest::addColumn<QByteArray>("info"); // empty: no Info.plist at all
        const QByteArray name = "<key>CFBundleName</key><string>Vellmora</string>\n";
        const QByteArray identifier = "<key>CFBundleIdentifier</key><string>com.vellmora.launcher</string>\n";
        QTest::newRow("other bundle identifier")
            << infoPlist(name + "<key>CFBundleIdentifier</key><string>com.example.other</string>\n");
        QTest::newRow("already derived identifier")
            << infoPlist(name + "<key>CFBundleIdentifier</key><string>com.vellmora.launcher.setup</string>\n");
        QTest::newRow("other bundle name") << infoPlist(identifier + "<key>CFBundleName</key><string>Other</string>\n");
        QTest::newRow("bundle name in other case")
            << infoPlist(identifier + "<key>CFBundleName</key><string>vellmora</string>\n");
        QTest::newRow("identifier missing") << infoPlist(name);
        QTest::newRow("name missing") << infoPlist(identifier);
        QTest::newRow("identifier not a string")
            << infoPlist(name + "<key>CFBundleIdentifier</key><integer>1</integer>\n");
        QTest::newRow("name not a string") << infoPlist(identifier + "<key>CFBundleName</key><true/>\n");
        QTest::newRow("no Info.plist") << QByteArray();
        QTest::newRow("garbage Info.plist") << QByteArray("<plist><dict><key>CFBundleName");
        // Both once made libplist's XML writer read past a string it had just parsed (found by fuzzing).
        QTest::newRow("binary property list") << Plist(infoPlist(identifier + name)).binary();
        QTest::newRow("NUL inside a string") << infoPlist(identifier + name + "<key>CFBundleIconFile</key><string>T"
                                                          + QByteArray(1, '\0') + "rnwick</string>\n");
        QTest::newRow("top level not a dictionary")
            << QByteArray(R"(<?xml version="1.0"?><plist version="1.0"><array><string>x</string></array></plist>)");
    }

    void refusesAForeignIdentity()
    {
        QFETCH(QByteArray, info);
        Branding branding(info);
        if (info.isEmpty())
            QVERIFY(QFile::remove(branding.sandbox.infoPlist()));
        try {
            branding.brand();
            QFAIL("a foreign identity was branded");
        } catch (const SetupError &error) {
            QCOMPARE(error.message(), identityText);
        }
        QCOMPARE(branding.entries(), QStringList{QStringLiteral("python3")});
    }

    void writesTheBrandedInfoKeepingEveryOtherKey()
    {
        Branding branding;
        QCOMPARE(branding.brand(), branding.bin + QStringLiteral("/Vellmora Setup"));
        QCOMPARE(branding.entries(), QStringList({QStringLiteral("Info.plist"), QStringLiteral("Tarnwick.icns"),
                                                  QStringLiteral("Vellmora Setup"), QStringLiteral("python3")}));
        QCOMPARE(readFile(branding.bin + QStringLiteral("/Tarnwick.icns")), iconBytes);

        const QByteArray written = readFile(branding.bin + QStringLiteral("/Info.plist"));
        QVERIFY(written.startsWith("<?xml"));
        QVERIFY(written.contains("<plist version=\"1.0\">"));
        const Plist branded(written);
        const Plist source(richInfoPlist());
        QVERIFY(branded.isDictionary());
        QCOMPARE(branded.keys().size(), source.keys().size());

        QCOMPARE(branded.string(QStringLiteral("CFBundleIdentifier")), QStringLiteral("com.vellmora.launcher.setup"));
        QCOMPARE(branded.string(QStringLiteral("CFBundleExecutable")), QStringLiteral("Vellmora Setup"));
        QCOMPARE(branded.string(QStringLiteral("CFBundleName")), QStringLiteral("Vellmora"));
        QCOMPARE(branded.string(QStringLiteral("CFBundleDisplayName")), QStringLiteral("Vellmora"));
        const QStringList replaced{QStringLiteral("CFBundleIdentifier"), QStringLiteral("CFBundleExecutable"),
                                   QStringLiteral("CFBundleName"), QStringLiteral("CFBundleDisplayName")};
        for (const QString &key : source.keys()) {
            if (replaced.contains(key))
                continue;
            QVERIFY2(!source.valueXml(key).isEmpty(), qPrintable(key));
            QVERIFY2(branded.valueXml(key) == source.valueXml(key), qPrintable(key));
        }
    }

    void theReturnedLinkRunsThisFoldersPython()
    {
        Branding branding;
        const QString link = branding.brand();
        QCOMPARE(QFileInfo(link).symLinkTarget(), branding.bin + QStringLiteral("/python3"));
        char target[4096] = {};
        QVERIFY(::readlink(QFile::encodeName(link).constData(), target, sizeof target - 1) > 0);
        QCOMPARE(QString::fromUtf8(target), branding.bin + QStringLiteral("/python3")); // by its full path

        QProcess process;
        process.start(link, {});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.readAllStandardOutput(), "python3 in " + QFile::encodeName(branding.bin) + "\n");
    }

    void anotherRoleOnlyChangesTheIdentifier()
    {
        Branding branding;
        const QString studioBin = branding.sandbox.path(QStringLiteral("python-2/python/bin"));
        testsupport::writeExecutable(studioBin + QStringLiteral("/python3"), "#!/bin/sh\n");
        branding.brand();
        QCOMPARE(branding.launcher->brandInterpreter(studioBin, QStringLiteral("studio")),
                 studioBin + QStringLiteral("/Vellmora Setup"));

        const Plist setup(readFile(branding.bin + QStringLiteral("/Info.plist")));
        const Plist studio(readFile(studioBin + QStringLiteral("/Info.plist")));
        QCOMPARE(studio.string(QStringLiteral("CFBundleIdentifier")), QStringLiteral("com.vellmora.launcher.studio"));
        QCOMPARE(studio.keys(), setup.keys());
        for (const QString &key : setup.keys()) {
            if (key != QLatin1String("CFBundleIdentifier"))
                QVERIFY2(studio.valueXml(key) == setup.valueXml(key), qPrintable(key));
        }
    }

    void brandingTwiceFailsAtTheLink()
    {
        Branding branding;
        const QString link = branding.brand();
        const QByteArray firstInfo = readFile(branding.bin + QStringLiteral("/Info.plist"));
        writeFile(branding.sandbox.resources() + QStringLiteral("/Tarnwick.icns"), "changed");
        try {
            branding.brand();
            QFAIL("a second branding succeeded");
        } catch (const std::system_error &error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("Could not create the link “%1”: File exists").arg(link));
        }
        QCOMPARE(readFile(branding.bin + QStringLiteral("/Info.plist")), firstInfo);
        QCOMPARE(readFile(branding.bin + QStringLiteral("/Tarnwick.icns")), iconBytes);
    }

    void aMissingIconFailsAfterLinkAndInfo()
    {
        Branding branding;
        const QString icon = branding.sandbox.resources() + QStringLiteral("/Tarnwick.icns");
        QVERIFY(QFile::remove(icon));
        try {
            branding.brand();
            QFAIL("branding without an icon succeeded");
        } catch (const std::system_error &error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("Could not read “%1”: No such file or directory").arg(icon));
        }
        QCOMPARE(branding.entries(), QStringList({QStringLiteral("Info.plist"), QStringLiteral("Vellmora Setup"),
                                                  QStringLiteral("python3")}));
    }

    void theBuiltBundleCarriesTheLaunchersIdentity()
    {
        const std::optional<platform::PlistDictionary> info =
            branding::readInfo(testsupport::bundleDir() + QStringLiteral("/Contents/Info.plist"));
        QVERIFY(branding::identityMatches(info, QStringLiteral("Vellmora")));
        QVERIFY(!branding::identityMatches(info, QStringLiteral("Other")));
        QVERIFY(!branding::identityMatches(std::nullopt, QStringLiteral("Vellmora")));
    }
};

QTEST_MAIN(BrandingTest)
#include "tst_branding.moc"
