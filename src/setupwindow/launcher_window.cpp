#include "shell/launcher.h"

#include "platform/files.h"
#include "setupwindow/modelprofile.h"
#include "setupwindow/splash.h"
#include "shell/texts.h"
#include "shell/translation.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int contentWidth = 620;
constexpr int contentHeight = 720;

const QColor background(0x1b, 0x1b, 0x1b); // white level 0.105
const QColor lightGray(0xaa, 0xaa, 0xaa);  // white level 2/3
const QColor gray(0x80, 0x80, 0x80);       // white level 0.5
const QColor dimmed(0x5c, 0x5c, 0x5c);     // a disabled choice must look disabled on the dark ground
const QColor track(0x3a, 0x3a, 0x3a);

// Places a control by its frame measured from the bottom-left corner of the content.
void place(QWidget *control, QWidget *content, int x, int y, int width, int height)
{
    control->setParent(content);
    control->setGeometry(x, contentHeight - y - height, width, height);
}

void setPixelFont(QWidget *control, int pixels)
{
    QFont font = control->font();
    font.setPixelSize(pixels);
    control->setFont(font);
}

void setTextColour(QWidget *control, const QColor &colour)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, dimmed);
    control->setPalette(palette);
}

QLabel *wrappingLabel(const char *objectName, const QString &text, int pixels, const QColor &colour)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setPixelFont(label, pixels);
    setTextColour(label, colour);
    return label;
}

// Shows the picture drawn for the density of the screen the window is on, and picks again when the
// window moves to a screen of another density. A missing or undecodable image leaves it empty.
class SplashImage : public QLabel
{
public:
    explicit SplashImage(QString file) : path(std::move(file))
    {
        setObjectName(QStringLiteral("splash"));
        setTextFormat(Qt::PlainText);
        setAccessibleName(QStringLiteral("Vellmora"));
        setAlignment(Qt::AlignCenter);
    }

protected:
    // The native window, and with it the screen's ratio, exists from the first show on.
    void showEvent(QShowEvent *event) override
    {
        QLabel::showEvent(event);
        QWindow *handle = window()->windowHandle();
        if (handle && !following) {
            following = true;
            connect(handle, &QWindow::screenChanged, this, [this](QScreen *screen) {
                if (screen)
                    showFor(screen->devicePixelRatio());
            });
        }
        showFor(devicePixelRatioF());
    }

private:
    void showFor(qreal ratio)
    {
        if (ratio == shownRatio)
            return;
        shownRatio = ratio;
        setPixmap(splash::pixmapFor(path, ratio));
    }

    QString path;
    qreal shownRatio = 0;
    bool following = false;
};

QWidget *darkContent()
{
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    content->setFixedSize(contentWidth, contentHeight);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, background);
    content->setPalette(palette);
    content->setAutoFillBackground(true);
    return content;
}

// Every failure to read the saved choice is silent: the profile in memory then stands.
std::optional<QString> savedProfile(const QString &runtime)
{
    try {
        return modelprofile::parseSaved(platform::readWholeFile(runtime + QStringLiteral("/model-profile.json")));
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace

void StudioLauncher::showSetup()
{
    if (!window)
        buildWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void StudioLauncher::buildWindow()
{
    auto *main = new QMainWindow;
    main->setObjectName(QStringLiteral("setupWindow"));
    main->setWindowTitle(name);
    if (mainMenu)
        main->setMenuBar(mainMenu); // a parentless bar is invisible on Linux and its Ctrl+Q dead
    QWidget *content = darkContent();
    main->setCentralWidget(content);

    place(new SplashImage(resources + QStringLiteral("/app/sonaric/app/ui/branding/splash-quenby.png")), content, 0,
          324, splash::area.width(), splash::area.height());
    place(wrappingLabel("intro", translation::text(texts::intro), 13, Qt::white), content, 28, 272, 564, 44);

    if (const std::optional<QString> saved = savedProfile(runtime()))
        modelProfile = *saved;
    configureChoices(content);

    const qint64 memory = context.physicalMemory();
    if (modelprofile::warnsAboutFull(memory)) {
        setTextColour(fullModels, gray);
        fullModels->setToolTip(translation::text(texts::fullChoiceTip));
    }
    place(wrappingLabel("memoryNote", modelprofile::memoryNote(memory), 12, lightGray), content, 28, 137, 564, 56);

    configureSetupControls(content);
    QWidget::setTabOrder(compactModels, fullModels);
    QWidget::setTabOrder(fullModels, details);
    QWidget::setTabOrder(details, cancel);
    QWidget::setTabOrder(cancel, action);

    main->layout()->setSizeConstraint(QLayout::SetFixedSize); // not resizable
    main->installEventFilter(this);
    window = main;
    main->adjustSize();
    centreOnScreen(main);
}

void StudioLauncher::configureChoices(QWidget *content)
{
    const std::pair<QRadioButton *, int> choices[] = {{compactModels, 0}, {fullModels, 1}};
    int y = 234;
    for (const auto &[choice, tag] : choices) {
        // Both states are set by selectModelProfile, so the buttons must not toggle each other.
        choice->setAutoExclusive(false);
        setPixelFont(choice, 13);
        setTextColour(choice, Qt::white);
        place(choice, content, 28, y, 564, 26);
        connect(choice, &QRadioButton::clicked, this, [this, tagged = tag] { selectModelProfile(tagged); });
        y -= 32;
    }
    showModelProfile(modelProfile);
}

void StudioLauncher::configureSetupControls(QWidget *content)
{
    status->setText(translation::text(texts::setupNeeded));
    status->setWordWrap(true);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setPixelFont(status, 12);
    setTextColour(status, Qt::white);
    place(status, content, 28, 91, 564, 34);

    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    QPalette palette = progress->palette();
    palette.setColor(QPalette::Base, track); // a white groove glares on the dark ground
    progress->setPalette(palette);
    progress->hide();
    place(progress, content, 28, 73, 564, 10);

    place(action, content, 370, 23, 222, 32);
    place(cancel, content, 270, 23, 90, 32);
    place(details, content, 28, 23, 128, 32);
    for (QPushButton *button : {action, cancel, details})
        setPixelFont(button, 13);
    action->setEnabled(true);
    cancel->setEnabled(false);
    details->setEnabled(false);
    connect(action, &QPushButton::clicked, this, &StudioLauncher::beginSetup);
    connect(cancel, &QPushButton::clicked, this, &StudioLauncher::cancelSetup);
    connect(details, &QPushButton::clicked, this, &StudioLauncher::showDetails);
}

void StudioLauncher::showModelProfile(const QString &profile)
{
    compactModels->setChecked(profile == QLatin1String("compact"));
    fullModels->setChecked(profile == QLatin1String("full"));
}

void StudioLauncher::selectModelProfile(int tag)
{
    const QString candidate = tag == 0 ? QStringLiteral("compact") : QStringLiteral("full");
    if (candidate == QLatin1String("full") && modelProfile != QLatin1String("full")
        && modelprofile::warnsAboutFull(context.physicalMemory()) && !confirmFullPrecision()) {
        showModelProfile(QStringLiteral("compact"));
        return;
    }
    modelProfile = candidate;
    showModelProfile(candidate);
}

bool StudioLauncher::confirmFullPrecision()
{
    QMessageBox alert(window);
    alert.setIcon(QMessageBox::Warning);
    alert.setTextFormat(Qt::PlainText);
    // As an icon the file offers all its sizes; read as one image it gives only its first, 16 pixels.
    const QIcon icon(resources + QStringLiteral("/Tarnwick.icns"));
    if (!icon.isNull())
        alert.setIconPixmap(
            icon.pixmap(QSize(64, 64), window ? window->devicePixelRatioF() : qApp->devicePixelRatio()));
    alert.setText(translation::text(texts::warningTitle));
    alert.setInformativeText(translation::text(texts::warningText));
    QPushButton *useFull = alert.addButton(translation::text(texts::useFull), QMessageBox::AcceptRole);
    useFull->setAutoDefault(false); // focus alone must not hand Return to this answer
    QPushButton *keepCompact = alert.addButton(translation::text(texts::keepCompact), QMessageBox::RejectRole);
    alert.setDefaultButton(keepCompact); // Return keeps compact; the other answer has no key
    alert.setEscapeButton(keepCompact);
    return askAlert(alert) == useFull;
}

void StudioLauncher::saveModelProfile() const
{
    const QString target = runtime() + QStringLiteral("/model-profile.json");
    platform::createDirectories(QFileInfo(target).absolutePath());
    platform::writeFileAtomically(target, modelprofile::serialise(modelProfile));
}
