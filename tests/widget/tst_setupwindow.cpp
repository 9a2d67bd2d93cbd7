#include "setupwindow/modelprofile.h"
#include "setupwindow/splash.h"
#include "shell/texts.h"
#include "shell/translation.h"
#include "testsupport.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sys/stat.h>

namespace {

constexpr qint64 gib = qint64(1) << 30;

template<typename Control = QWidget>
Control *find(const StudioLauncher &launcher, const char *objectName)
{
    auto *control = launcher.setupWindow()->findChild<Control *>(QLatin1String(objectName));
    if (!control)
        qFatal("no control %s", objectName);
    return control;
}

QString accessibleName(QWidget *control)
{
    QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(control);
    return interface ? interface->text(QAccessible::Name) : QString();
}

QPushButton *buttonTitled(const QMessageBox &box, const QString &title)
{
    for (QAbstractButton *button : box.buttons())
        if (button->text() == title)
            return qobject_cast<QPushButton *>(button);
    return nullptr;
}

// Answers the memory warning the way a user would, and counts how often it was asked.
struct AlertAnswer
{
    enum Kind { PressReturn, PressEscape, ClickUseFull, ReturnAfterFocusingUseFull };
    Kind kind = PressReturn;
    int asked = 0;
    QString message, informative, defaultButton, escapeButton;
    QStringList buttons;
    bool customIcon = false;

    void install(StudioLauncher &launcher)
    {
        launcher.askAlert = [this](QMessageBox &box) {
            ++asked;
            message = box.text();
            informative = box.informativeText();
            defaultButton = box.defaultButton() ? box.defaultButton()->text() : QString();
            escapeButton = box.escapeButton() ? box.escapeButton()->text() : QString();
            buttons.clear();
            for (QAbstractButton *button : box.buttons())
                buttons << button->text();
            customIcon = !box.iconPixmap().isNull() && box.icon() == QMessageBox::NoIcon;
            box.show();
            QPushButton *useFull = buttonTitled(box, QStringLiteral("Use Full precision"));
            switch (kind) {
            case ClickUseFull:
                useFull->click();
                break;
            case ReturnAfterFocusingUseFull:
                useFull->setFocus(Qt::TabFocusReason);
                QTest::keyClick(&box, Qt::Key_Return);
                break;
            case PressReturn:
                QTest::keyClick(&box, Qt::Key_Return);
                break;
            case PressEscape:
                QTest::keyClick(&box, Qt::Key_Escape);
                break;
            }
            return box.clickedButton();
        };
    }
};

// What the status line can show, in English as setup writes it, each blank filled at its widest.
QStringList statusTexts()
{
    // Sentences and step labels; the intro and the memory note have frames of their own.
    const QStringList elsewhere{texts::intro, texts::memoryNote};
    QStringList shown;
    for (const char *file : {"vellmora_de.ts", "bootstrap_de.ts"}) {
        QXmlStreamReader reader(
            testsupport::readFile(QStringLiteral(VLMR_SOURCE_DIR "/translations/") + QLatin1String(file)));
        while (!reader.atEnd())
            if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("source"))
                if (const QString text = reader.readElementText();
                    (text.endsWith(QLatin1Char('.')) || text.endsWith(QStringLiteral("…")))
                    && !elsewhere.contains(text))
                    shown << QString(text)
                                 .replace(QRegularExpression(QStringLiteral("%\\d")), QStringLiteral("19.9"))
                                 .replace(QStringLiteral("{done}"), QStringLiteral("13"))
                                 .replace(QStringLiteral("{count}"), QStringLiteral("17"));
    }
    return shown;
}

// A step label as an engine download draws it, with wide figures and the time left.
void showDownloadStep(StudioLauncher &launcher, const QString &label)
{
    const QString archive = QFileInfo(launcher.progressURL()).absolutePath() + QStringLiteral("/downloads/a.tar.gz");
    testsupport::writeFile(archive, {});
    testsupport::writeFile(launcher.progressURL(),
                           QStringLiteral(R"({"label":"%1","step":13,"total_steps":17,)"
                                          R"("download_path":"%2","download_total":8888800000})")
                               .arg(label, archive)
                               .toUtf8());
    const Clock::time_point start = Clock::now();
    for (const int seconds : {0, 6}) { // 250 MB in 6 s: about 3:03 left
        QFile(archive).resize(seconds == 0 ? 1'000'000'000 : 1'250'000'000);
        launcher.now = [at = start + std::chrono::seconds(seconds)] { return at; };
        launcher.updateProgress();
    }
}

} // namespace

class SetupWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void texts_data();
    void texts();
    void textsFitTheirFrames();
    void initialStates();
    void accessibleNamesAndTabOrder();
    void adoptsTheMainMenu();
    void memory_data();
    void memory();
    void savedProfile_data();
    void savedProfile();
    void warningAnswers_data();
    void warningAnswers();
    void warningContents();
    void noWarning_data();
    void noWarning();
    void secondShowOnlyBringsForward();
    void savesProfile();
    void saveRecreatesRuntimeDirectory();
    void saveFailureReachesCaller();
    void detailsBeforeAnyAttempt();
    void progressDrivesControls();
    void unreadableRecordChangesNothing();
    void splashFillsItsArea();
    void splashVariant_data();
    void splashVariant();
    void rendersForReview();

private:
    void fitsIn(const QString &language);
};

void SetupWindowTest::frames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("frame");
    // Bottom-left frames of the design, turned to Qt's top-left origin.
    QTest::newRow("splash") << QStringLiteral("splash") << QRect(0, 0, 620, 396);
    QTest::newRow("intro") << QStringLiteral("intro") << QRect(28, 404, 564, 44);
    QTest::newRow("compactModels") << QStringLiteral("compactModels") << QRect(28, 460, 564, 26);
    QTest::newRow("fullModels") << QStringLiteral("fullModels") << QRect(28, 492, 564, 26);
    QTest::newRow("memoryNote") << QStringLiteral("memoryNote") << QRect(28, 527, 564, 56);
    QTest::newRow("status") << QStringLiteral("status") << QRect(28, 595, 564, 34);
    QTest::newRow("progress") << QStringLiteral("progress") << QRect(28, 637, 564, 10);
    QTest::newRow("action") << QStringLiteral("action") << QRect(370, 665, 222, 32);
    QTest::newRow("cancel") << QStringLiteral("cancel") << QRect(270, 665, 90, 32);
    QTest::newRow("details") << QStringLiteral("details") << QRect(28, 665, 128, 32);
}

void SetupWindowTest::frames()
{
    QFETCH(QString, control);
    QFETCH(QRect, frame);
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();

    auto *window = qobject_cast<QMainWindow *>(launcher->setupWindow());
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Vellmora"));
    QCOMPARE(window->centralWidget()->size(), QSize(620, 720));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QWidget *widget = find(*launcher, control.toLatin1().constData());
    QCOMPARE(widget->parentWidget(), window->centralWidget());
    QCOMPARE(widget->geometry(), frame);
}

void SetupWindowTest::texts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("intro") << QString() << QStringLiteral("intro")
                           << QStringLiteral("Prepare your local voice studio. Setup downloads the voice engines and "
                                             "may take several minutes. Model weights download on first use.")
                           << 13 << QColor(Qt::white);
    QTest::newRow("status") << QString() << QStringLiteral("status")
                            << QStringLiteral("Setup is needed before you can use the studio. Allow 20 GB of free "
                                              "space and an internet connection.")
                            << 12 << QColor(Qt::white);
    QTest::newRow("memoryNote") << QString() << QStringLiteral("memoryNote") << modelprofile::memoryNote(32 * gib) << 12
                                << QColor(0xaa, 0xaa, 0xaa);
    QTest::newRow("compactModels") << QString() << QStringLiteral("compactModels")
                                   << QStringLiteral("Compact (recommended) — smaller download, lower memory") << 13
                                   << QColor(Qt::white);
    QTest::newRow("fullModels") << QString() << QStringLiteral("fullModels")
                                << QStringLiteral("Full precision — original weights, larger download") << 13
                                << QColor(Qt::white);
    const QString german = QStringLiteral("de");
    QTest::newRow("intro in German")
        << german << QStringLiteral("intro")
        << QStringLiteral("Richte dein lokales Sprachstudio ein. Die Einrichtung lädt die Sprach-Engines und kann "
                          "einige Minuten dauern. Modellgewichte folgen bei der ersten Nutzung.")
        << 13 << QColor(Qt::white);
}

void SetupWindowTest::texts()
{
    QFETCH(QString, language);
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    QFETCH(QColor, colour);
    translation::use(language);
    const auto english = qScopeGuard([] { translation::use({}); });
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();

    QWidget *widget = find(*launcher, control.toLatin1().constData());
    const QString shown = qobject_cast<QLabel *>(widget) ? qobject_cast<QLabel *>(widget)->text()
                                                         : qobject_cast<QAbstractButton *>(widget)->text();
    QCOMPARE(shown, text);
    QCOMPARE(widget->font().pixelSize(), pixelSize);
    QCOMPARE(widget->palette().color(QPalette::WindowText), colour);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QVERIFY(label->wordWrap());
        // The bootstrap's and the platform's words go here: "<b>Engines</b> & <br>" stays as it is.
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
}

// Each language at first use, during an engine download and with its longest failure, also
// rendered for review like rendersForReview.
void SetupWindowTest::textsFitTheirFrames()
{
    for (const QString &language : QStringList{QString()} + translation::languages)
        fitsIn(language);
}

void SetupWindowTest::fitsIn(const QString &language)
{
    translation::use(language);
    const auto english = qScopeGuard([] { translation::use({}); });
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, 16 * gib); // two-digit memory, the gray choice
    launcher->showSetup();
    const auto save = [&](const char *state) {
        const qreal ratio = qApp->devicePixelRatio();
        launcher->setupWindow()->grab().save(QStringLiteral(VLMR_BUILD_DIR "/screenshots/%1-%2%3.png")
                                                 .arg(language.isEmpty() ? QStringLiteral("en") : language,
                                                      QLatin1String(state),
                                                      ratio == 1 ? QString() : QStringLiteral("@%1x").arg(ratio)));
    };
    save("first-use");
    QStringList overflows;
    const auto check = [&](QWidget *control) {
        auto *label = qobject_cast<QLabel *>(control);
        if (label ? label->heightForWidth(label->width()) > label->height()
                        || label->minimumSizeHint().width() > label->width()
                  : control->sizeHint().width() > control->width())
            overflows << language + QLatin1Char(' ') + control->objectName() + QStringLiteral(" overflows: ")
                             + control->property("text").toString();
    };

    for (const char *name : {"intro", "memoryNote", "compactModels", "fullModels", "cancel", "details"})
        check(find(*launcher, name));
    for (const QString &title : {texts::startSetup, texts::settingUp, texts::retrySetup}) {
        launcher->action->setText(translation::text(title));
        check(launcher->action);
    }
    QString longestFailure;
    qsizetype longestShown = 0;
    for (const QString &text : statusTexts()) {
        if (text.endsWith(QStringLiteral("…"))) {
            showDownloadStep(*launcher, text);
            if (text.startsWith(QStringLiteral("Downloading the voice engines")))
                save("downloading");
        } else {
            launcher->showError(text);
            if (text != texts::setupNeeded && launcher->status->text().size() > longestShown) {
                longestFailure = text;
                longestShown = launcher->status->text().size();
            }
        }
        QVERIFY2(language.isEmpty() || !launcher->status->text().contains(text), qPrintable(text));
        check(launcher->status);
    }
    launcher->showError(longestFailure);
    save("failed");
    QVERIFY2(overflows.isEmpty(), qPrintable(overflows.join(QLatin1Char('\n'))));
}

void SetupWindowTest::initialStates()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();

    QVERIFY(launcher->compactModels->isChecked());
    QVERIFY(!launcher->fullModels->isChecked());
    QVERIFY(launcher->compactModels->isEnabled() && launcher->fullModels->isEnabled());
    QCOMPARE(launcher->action->text(), QStringLiteral("Start setup"));
    QVERIFY(launcher->action->isEnabled());
    QVERIFY(!launcher->cancel->isEnabled());
    QVERIFY(!launcher->details->isEnabled());
    QVERIFY(launcher->progress->isHidden());
    QCOMPARE(launcher->progress->minimum(), 0);
    QCOMPARE(launcher->progress->maximum(), 100);
    QCOMPARE(launcher->progress->value(), 0);
    QCOMPARE(launcher->currentModelProfile(), QStringLiteral("compact"));
    QCOMPARE(find(*launcher, "content")->palette().color(QPalette::Window), QColor(0x1b, 0x1b, 0x1b));
}

void SetupWindowTest::accessibleNamesAndTabOrder()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();

    for (const char *name : {"intro", "memoryNote", "status"})
        QCOMPARE(accessibleName(find(*launcher, name)), find<QLabel>(*launcher, name)->text());
    for (const char *name : {"compactModels", "fullModels", "action", "cancel", "details"})
        QCOMPARE(accessibleName(find(*launcher, name)), find<QAbstractButton>(*launcher, name)->text());
    // Names follow texts that change later.
    launcher->showError(QStringLiteral("Something failed."));
    QCOMPARE(accessibleName(launcher->status), QStringLiteral("Something failed."));
    QCOMPARE(accessibleName(launcher->action), QStringLiteral("Retry setup"));

    const QList<QWidget *> order{launcher->compactModels, launcher->fullModels, launcher->details, launcher->cancel,
                                 launcher->action};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order[i]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        QCOMPARE(next, order[i + 1]);
    }
}

void SetupWindowTest::adoptsTheMainMenu()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    auto *menu = new QMenuBar;
    QAction *quit = menu->addMenu(QStringLiteral("Vellmora"))->addAction(QStringLiteral("Quit Vellmora"));
    // QKeySequence::Quit is empty under the offscreen platform's key scheme; Ctrl+Q is what it means here.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QSignalSpy triggered(quit, &QAction::triggered);
    launcher->setMainMenu(menu);
    launcher->showSetup();

    auto *window = qobject_cast<QMainWindow *>(launcher->setupWindow());
    QCOMPARE(window->menuBar(), menu);
    QCOMPARE(window->centralWidget()->size(), QSize(620, 720)); // the bar adds to the window, not the content
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(triggered.count(), 1);
}

void SetupWindowTest::memory_data()
{
    QTest::addColumn<qint64>("memory");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("warns");

    QTest::newRow("16 GiB") << 16 * gib << QStringLiteral("16") << true;
    QTest::newRow("one byte under 24 GiB") << 24 * gib - 1 << QStringLiteral("23") << true;
    QTest::newRow("exactly 24 GiB") << 24 * gib << QStringLiteral("24") << false;
    QTest::newRow("32 GiB") << 32 * gib << QStringLiteral("32") << false;
    QTest::newRow("1 TiB") << 1024 * gib << QStringLiteral("1024") << false;
}

void SetupWindowTest::memory()
{
    QFETCH(qint64, memory);
    QFETCH(QString, number);
    QFETCH(bool, warns);
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, memory);
    launcher->showSetup();

    const QString note = QStringLiteral("This Mac has ") + number
                         + QStringLiteral(" GB RAM. Both choices include all features. Model weights download on "
                                          "first use: about 5.5 GB for Compact or 13 GB for Full precision. You can "
                                          "switch later in Settings.");
    QCOMPARE(modelprofile::memoryNote(memory), note);
    QCOMPARE(find<QLabel>(*launcher, "memoryNote")->text(), note);
    QCOMPARE(launcher->fullModels->palette().color(QPalette::WindowText),
             warns ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
    QCOMPARE(launcher->fullModels->toolTip(),
             warns ? QStringLiteral("May overload this Mac. Select to review the warning.") : QString());
    QCOMPARE(launcher->fullModels->text(), QStringLiteral("Full precision — original weights, larger download"));
    QCOMPARE(launcher->compactModels->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(launcher->compactModels->toolTip().isEmpty());
}

void SetupWindowTest::savedProfile_data()
{
    QTest::addColumn<QByteArray>("saved"); // null: no file
    QTest::addColumn<qint64>("memory");
    QTest::addColumn<QString>("profile");

    QTest::newRow("no file") << QByteArray() << 32 * gib << QStringLiteral("compact");
    QTest::newRow("full") << QByteArray(R"({"profile":"full","pending":true})") << 32 * gib << QStringLiteral("full");
    QTest::newRow("full on a small machine")
        << QByteArray(R"({"profile":"full"})") << 16 * gib << QStringLiteral("full");
    QTest::newRow("compact") << QByteArray(R"({"profile":"compact"})") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("other letter case") << QByteArray(R"({"profile":"Full"})") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("empty") << QByteArray(R"({"profile":""})") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("number") << QByteArray(R"({"profile":1})") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("missing") << QByteArray(R"({"pending":true})") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("unparsable") << QByteArray(R"({"profile":"full")") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("array") << QByteArray(R"(["full"])") << 32 * gib << QStringLiteral("compact");
    QTest::newRow("empty file") << QByteArray("") << 32 * gib << QStringLiteral("compact");
}

void SetupWindowTest::savedProfile()
{
    QFETCH(QByteArray, saved);
    QFETCH(qint64, memory);
    QFETCH(QString, profile);
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, memory);
    if (!saved.isNull())
        testsupport::writeFile(launcher->runtime() + QStringLiteral("/model-profile.json"), saved);
    AlertAnswer answer;
    answer.install(*launcher);
    launcher->showSetup();

    QCOMPARE(launcher->currentModelProfile(), profile);
    QCOMPARE(launcher->compactModels->isChecked(), profile == QLatin1String("compact"));
    QCOMPARE(launcher->fullModels->isChecked(), profile == QLatin1String("full"));
    QCOMPARE(answer.asked, 0);
}

void SetupWindowTest::warningAnswers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("profile");

    QTest::newRow("Return keeps compact") << int(AlertAnswer::PressReturn) << QStringLiteral("compact");
    QTest::newRow("Escape keeps compact") << int(AlertAnswer::PressEscape) << QStringLiteral("compact");
    QTest::newRow("Return after focusing Use Full")
        << int(AlertAnswer::ReturnAfterFocusingUseFull) << QStringLiteral("compact");
    QTest::newRow("Use Full precision") << int(AlertAnswer::ClickUseFull) << QStringLiteral("full");
}

void SetupWindowTest::warningAnswers()
{
    QFETCH(int, answer);
    QFETCH(QString, profile);
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, 16 * gib);
    AlertAnswer alert;
    alert.kind = AlertAnswer::Kind(answer);
    alert.install(*launcher);
    launcher->showSetup();

    QTest::mouseClick(launcher->fullModels, Qt::LeftButton);
    QCOMPARE(alert.asked, 1);
    QCOMPARE(launcher->currentModelProfile(), profile);
    QCOMPARE(launcher->compactModels->isChecked(), profile == QLatin1String("compact"));
    QCOMPARE(launcher->fullModels->isChecked(), profile == QLatin1String("full"));

    // Clicking the current choice again asks nothing and changes nothing.
    QRadioButton *current = profile == QLatin1String("full") ? launcher->fullModels : launcher->compactModels;
    QTest::mouseClick(current, Qt::LeftButton);
    QCOMPARE(alert.asked, 1);
    QCOMPARE(launcher->currentModelProfile(), profile);
    QVERIFY(current->isChecked());
    QCOMPARE(launcher->compactModels->isChecked(), profile == QLatin1String("compact"));

    // Back to compact never asks.
    QTest::mouseClick(launcher->compactModels, Qt::LeftButton);
    QCOMPARE(alert.asked, 1);
    QCOMPARE(launcher->currentModelProfile(), QStringLiteral("compact"));
    QVERIFY(launcher->compactModels->isChecked() && !launcher->fullModels->isChecked());
}

void SetupWindowTest::warningContents()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, 16 * gib);
    AlertAnswer alert;
    alert.install(*launcher);
    launcher->showSetup();
    launcher->selectModelProfile(1);

    QCOMPARE(alert.asked, 1);
    QCOMPARE(alert.message, QStringLiteral("Full precision may overload this Mac"));
    QCOMPARE(alert.informative,
             QStringLiteral("Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, "
                            "freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. "
                            "Use Full precision anyway?"));
    // The seam answers with an index into this list: 0 must be "Use Full precision".
    QCOMPARE(alert.buttons, (QStringList{QStringLiteral("Use Full precision"), QStringLiteral("Keep Compact")}));
    QCOMPARE(alert.defaultButton, QStringLiteral("Keep Compact"));
    QCOMPARE(alert.escapeButton, QStringLiteral("Keep Compact"));
    QCOMPARE(alert.customIcon, !QPixmap(sandbox.resources() + QStringLiteral("/Tarnwick.icns")).isNull());
}

void SetupWindowTest::noWarning_data()
{
    QTest::addColumn<qint64>("memory");
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("profile");

    QTest::newRow("full at 24 GiB") << 24 * gib << 1 << QStringLiteral("full");
    QTest::newRow("full at 32 GiB") << 32 * gib << 1 << QStringLiteral("full");
    QTest::newRow("compact at 16 GiB") << 16 * gib << 0 << QStringLiteral("compact");
    QTest::newRow("any other tag is full") << 32 * gib << 7 << QStringLiteral("full");
}

void SetupWindowTest::noWarning()
{
    QFETCH(qint64, memory);
    QFETCH(int, tag);
    QFETCH(QString, profile);
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, memory);
    AlertAnswer alert;
    alert.install(*launcher);
    launcher->showSetup();
    launcher->selectModelProfile(tag);

    QCOMPARE(alert.asked, 0);
    QCOMPARE(launcher->currentModelProfile(), profile);
    QCOMPARE(launcher->fullModels->isChecked(), profile == QLatin1String("full"));
    QCOMPARE(launcher->compactModels->isChecked(), profile == QLatin1String("compact"));
}

void SetupWindowTest::secondShowOnlyBringsForward()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    QWidget *window = launcher->setupWindow();
    launcher->showError(QStringLiteral("The runtime needs repair."));
    window->hide();
    testsupport::writeFile(launcher->runtime() + QStringLiteral("/model-profile.json"), R"({"profile":"full"})");

    launcher->showSetup();
    QCOMPARE(launcher->setupWindow(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->findChildren<QLabel *>(QStringLiteral("intro")).size(), 1);
    QCOMPARE(launcher->status->text(), QStringLiteral("The runtime needs repair."));
    QCOMPARE(launcher->action->text(), QStringLiteral("Retry setup"));
    QCOMPARE(launcher->currentModelProfile(), QStringLiteral("compact"));
    QVERIFY(launcher->compactModels->isChecked());
}

void SetupWindowTest::savesProfile()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    launcher->selectModelProfile(1);
    launcher->saveModelProfile();

    const QByteArray bytes = testsupport::readFile(sandbox.runtime() + QStringLiteral("/model-profile.json"));
    QVERIFY2(bytes.contains("\n    \""), bytes.constData()); // pretty-printed
    const QJsonObject saved = QJsonDocument::fromJson(bytes).object();
    QCOMPARE(saved.value(QLatin1String("profile")).toString(), QStringLiteral("full"));
    QCOMPARE(saved.value(QLatin1String("pending")), QJsonValue(true));
    QCOMPARE(saved.size(), 2);
    QCOMPARE(modelprofile::parseSaved(bytes), std::optional(QStringLiteral("full")));
}

void SetupWindowTest::saveRecreatesRuntimeDirectory()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    QVERIFY(!QDir(sandbox.runtime()).exists());
    launcher->saveModelProfile();
    QCOMPARE(modelprofile::parseSaved(testsupport::readFile(sandbox.runtime() + QStringLiteral("/model-profile.json"))),
             std::optional(QStringLiteral("compact")));
}

void SetupWindowTest::saveFailureReachesCaller()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    // A file where the product's folder should be: the runtime directory cannot be made.
    testsupport::writeFile(sandbox.applicationSupport() + QStringLiteral("/Vellmora"), "not a folder");
    QVERIFY_THROWS_EXCEPTION(std::exception, launcher->saveModelProfile());
}

void SetupWindowTest::detailsBeforeAnyAttempt()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    launcher->showDetails();
    QCOMPARE(launcher->status->text(), QStringLiteral("Start setup to see this attempt's log."));
}

void SetupWindowTest::progressDrivesControls()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    Clock::time_point now = Clock::now();
    launcher->now = [&now] { return now; };
    const QString archive = sandbox.runtime() + QStringLiteral("/downloads/runtime.tar.gz");
    testsupport::writeFile(launcher->progressURL(),
                           QStringLiteral(R"({"label":"Downloading the studio runtime…","state":"running","step":1,)"
                                          R"("total_steps":4,"download_path":"%1","download_total":40000000})")
                               .arg(archive)
                               .toUtf8());

    launcher->updateProgress(); // no file yet: busy bar, elapsed line
    QCOMPARE(launcher->progress->maximum(), 0);
    QVERIFY(launcher->status->text().endsWith(QStringLiteral("Elapsed 0:00 · install time varies")));

    testsupport::writeFile(archive, {});
    QFile file(archive);
    QVERIFY(file.resize(10'000'000));
    launcher->updateProgress(); // measuring starts here
    QCOMPARE(launcher->progress->maximum(), 100);
    QCOMPARE(launcher->progress->value(), 25);
    QCOMPARE(launcher->status->text(),
             QStringLiteral("Step 1 of 4 · Downloading the studio runtime…\n10.0 / 40.0 MB downloaded"));

    now += std::chrono::seconds(4);
    QVERIFY(file.resize(14'999'999));
    launcher->updateProgress();
    QCOMPARE(launcher->progress->value(), 37); // 37.49…%, never rounded up to a share not yet there
    QCOMPARE(launcher->status->text(), QStringLiteral("Step 1 of 4 · Downloading the studio runtime…\n15.0 / 40.0 MB "
                                                      "downloaded · about 0:20 left for this download"));

    testsupport::writeFile(launcher->progressURL(), R"({"state":"complete","label":"Your studio is ready."})");
    launcher->updateProgress();
    QCOMPARE(launcher->progress->maximum(), 100);
    QCOMPARE(launcher->progress->value(), 100);
    QCOMPARE(launcher->status->text(), QStringLiteral("Your studio is ready."));
}

void SetupWindowTest::unreadableRecordChangesNothing()
{
    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    launcher->progress->setValue(42);
    const QString before = launcher->status->text();
    for (const QByteArray &bytes : {QByteArray(R"({"label":"half)"), QByteArray("[]"), QByteArray()}) {
        if (bytes.isNull())
            QFile::remove(launcher->progressURL());
        else
            testsupport::writeFile(launcher->progressURL(), bytes);
        launcher->updateProgress();
        QCOMPARE(launcher->status->text(), before);
        QCOMPARE(launcher->progress->maximum(), 100);
        QCOMPARE(launcher->progress->value(), 42);
    }
    // A named pipe left by a bootstrap would hang the window for good if it were read.
    QFile::remove(launcher->progressURL());
    QCOMPARE(::mkfifo(QFile::encodeName(launcher->progressURL()).constData(), 0600), 0);
    launcher->updateProgress();
    QCOMPARE(launcher->status->text(), before);
    QCOMPARE(launcher->progress->value(), 42);
}

void SetupWindowTest::splashFillsItsArea()
{
    const testsupport::Sandbox sandbox;
    const QString image = sandbox.resources() + QStringLiteral("/app/sonaric/app/ui/branding/splash-quenby.png");
    {
        const auto launcher = sandbox.launcher();
        launcher->showSetup();
        const QPixmap shown = find<QLabel>(*launcher, "splash")->pixmap();
        if (QPixmap(image).isNull())
            QSKIP("the bundle carries no splash image yet");
        const QSize logical = shown.deviceIndependentSize().toSize();
        // Aspect kept, fitted to 620 × 396: one side meets the area's edge.
        QVERIFY2(logical.width() == 620 || logical.height() == 396,
                 qPrintable(QStringLiteral("%1×%2").arg(logical.width()).arg(logical.height())));
        QVERIFY(logical.width() <= 620 && logical.height() <= 396);
    }
    QFile::remove(image);
    const auto launcher = sandbox.launcher();
    launcher->showSetup();
    QVERIFY(find<QLabel>(*launcher, "splash")->pixmap().isNull());
}

void SetupWindowTest::splashVariant_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("bundleHas2x");
    QTest::addColumn<QColor>("drawnFrom"); // the 1x file is red, the 2x file blue
    QTest::newRow("ratio 1 takes the 1x file") << qreal(1) << true << QColor(Qt::red);
    QTest::newRow("ratio 2 takes the 2x file") << qreal(2) << true << QColor(Qt::blue);
    QTest::newRow("ratio 1.5 shrinks the 2x file") << qreal(1.5) << true << QColor(Qt::blue);
    QTest::newRow("ratio 2 without a 2x file enlarges the 1x") << qreal(2) << false << QColor(Qt::red);
}

void SetupWindowTest::splashVariant()
{
    QFETCH(qreal, ratio);
    QFETCH(bool, bundleHas2x);
    QFETCH(QColor, drawnFrom);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("splash-quenby.png"));
    const auto writeImage = [](const QString &file, QSize size, Qt::GlobalColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(file));
    };
    writeImage(path, QSize(620, 396), Qt::red);
    if (bundleHas2x)
        writeImage(folder.filePath(QStringLiteral("splash-quenby@2x.png")), QSize(1240, 792), Qt::blue);

    const QPixmap shown = splash::pixmapFor(path, ratio);
    QCOMPARE(shown.devicePixelRatio(), ratio);
    QCOMPARE(shown.size(), (QSizeF(620, 396) * ratio).toSize()); // one image pixel per device pixel
    QCOMPARE(shown.deviceIndependentSize().toSize(), QSize(620, 396));
    const QImage pixels = shown.toImage();
    QCOMPARE(pixels.pixelColor(pixels.width() / 2, pixels.height() / 2), drawnFrom);
}

void SetupWindowTest::rendersForReview()
{
    const QString folder = QStringLiteral(VLMR_BUILD_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    // Renders at a scale factor above 1 are named as Qt names high-density files, beside the 1x set.
    const qreal ratio = qApp->devicePixelRatio();
    const QString density = ratio == 1 ? QString() : QStringLiteral("@%1x").arg(ratio);
    const auto shot = [&](const char *name) {
        return QStringLiteral("%1/%2%3.png").arg(folder, QLatin1String(name), density);
    };
    const auto save = [&shot](const StudioLauncher &launcher, const char *name) {
        const QImage image = launcher.setupWindow()->grab().toImage();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(shot(name)));
    };

    // As the entry builds it, so the window is rendered with its menu bar.
    const auto withMenu = [](StudioLauncher &launcher) {
        auto *menu = new QMenuBar;
        menu->addMenu(QStringLiteral("Vellmora"))->addAction(QStringLiteral("Quit Vellmora"));
        launcher.setMainMenu(menu);
    };
    for (const qint64 memory : {16 * gib, 32 * gib}) {
        const testsupport::Sandbox sandbox;
        const auto launcher = sandbox.launcher({}, memory);
        withMenu(*launcher);
        launcher->showSetup();
        save(*launcher, memory == 16 * gib ? "first-use-16gib" : "first-use-32gib");
    }

    const testsupport::Sandbox sandbox;
    const auto launcher = sandbox.launcher({}, 16 * gib);
    launcher->askAlert = [&](QMessageBox &box) {
        box.show();
        const QImage image = box.grab().toImage();
        image.save(shot("memory-warning"));
        return buttonTitled(box, QStringLiteral("Keep Compact"));
    };
    withMenu(*launcher);
    launcher->showSetup();
    launcher->selectModelProfile(1);
    // The controls as an attempt leaves them while it downloads.
    launcher->compactModels->setEnabled(false);
    launcher->fullModels->setEnabled(false);
    launcher->action->setEnabled(false);
    launcher->action->setText(QStringLiteral("Setting up…"));
    launcher->cancel->setEnabled(true);
    launcher->details->setEnabled(true);
    launcher->progress->show();
    Clock::time_point now = Clock::now();
    launcher->now = [&now] { return now; };
    const QString archive = sandbox.runtime() + QStringLiteral("/downloads/runtime.tar.gz");
    testsupport::writeFile(launcher->progressURL(),
                           QStringLiteral(R"({"label":"Downloading the studio runtime…","state":"running","step":1,)"
                                          R"("total_steps":4,"download_path":"%1","download_total":61800000})")
                               .arg(archive)
                               .toUtf8());
    testsupport::writeFile(archive, {});
    QFile file(archive);
    QVERIFY(file.resize(12'000'000));
    launcher->updateProgress();
    now += std::chrono::seconds(6);
    QVERIFY(file.resize(27'300'000));
    launcher->updateProgress();
    QVERIFY(launcher->status->text().contains(QStringLiteral("left for this download")));
    save(*launcher, "downloading");
    // The engine line with two-digit counts.
    testsupport::writeFile(launcher->progressURL(),
                           QStringLiteral(R"({"label":"Downloading the voice engines: 13 of 17 files…",)"
                                          R"("step":3,"download_path":"%1","download_total":61800000})")
                               .arg(archive)
                               .toUtf8());
    now += std::chrono::seconds(6);
    launcher->updateProgress();
    save(*launcher, "downloading-engines");

    launcher->compactModels->setEnabled(true);
    launcher->fullModels->setEnabled(true);
    launcher->action->setEnabled(true);
    launcher->cancel->setEnabled(false);
    launcher->showError(QStringLiteral("Setup could not finish. Choose Show details for the log, then retry."));
    save(*launcher, "failed");
}

QTEST_MAIN(SetupWindowTest)
#include "tst_setupwindow.moc"
