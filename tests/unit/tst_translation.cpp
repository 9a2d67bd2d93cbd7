#include "shell/translation.h"

#include <QtTest>

class TranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void chooseLanguage_data();
    void chooseLanguage();
};

void TranslationTest::chooseLanguage_data()
{
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("nothing set") << QStringList() << QString();
    QTest::newRow("C") << QStringList{QStringLiteral("C")} << QString();
    QTest::newRow("C.UTF-8 before German") << QStringList{QStringLiteral("C.UTF-8"), QStringLiteral("de")} << QString();
    QTest::newRow("POSIX") << QStringList{QStringLiteral("POSIX")} << QString();
    QTest::newRow("locale with codeset") << QStringList{QStringLiteral("de_DE.UTF-8@euro")} << QStringLiteral("de");
    QTest::newRow("macOS tag") << QStringList{QStringLiteral("fr-CA")} << QStringLiteral("fr");
    QTest::newRow("first one we have") << QStringList{QStringLiteral("nl"), QStringLiteral("it_IT"),
                                                      QStringLiteral("es-419"), QStringLiteral("de")}
                                       << QStringLiteral("es");
    QTest::newRow("English first") << QStringList{QStringLiteral("en-GB"), QStringLiteral("ja")} << QString();
    QTest::newRow("simplified Chinese") << QStringList{QStringLiteral("zh-Hans-CN")} << QStringLiteral("zh_CN");
    QTest::newRow("Chinese of Singapore") << QStringList{QStringLiteral("zh_SG.UTF-8")} << QStringLiteral("zh_CN");
    QTest::newRow("traditional Chinese is passed over")
        << QStringList{QStringLiteral("zh-Hant-TW"), QStringLiteral("zh_HK"), QStringLiteral("ko-KR")}
        << QStringLiteral("ko");
    QTest::newRow("Portuguese") << QStringList{QStringLiteral("pt-PT")} << QStringLiteral("pt_BR");
    QTest::newRow("none we have") << QStringList{QStringLiteral("ru"), QStringLiteral("")} << QString();
}

void TranslationTest::chooseLanguage()
{
    QFETCH(QStringList, preferred);
    QFETCH(QString, chosen);
    QCOMPARE(translation::chooseLanguage(preferred), chosen);
}

QTEST_GUILESS_MAIN(TranslationTest)
#include "tst_translation.moc"
