#include "shell/launcher.h"

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/mainqueue.h"
#include "shell/startup.h"
#include "shell/texts.h"
#include "shell/translation.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

template<typename Control, typename... Arguments>
Control *makeControl(const char *objectName, Arguments &&...arguments)
{
    auto *control = new Control(std::forward<Arguments>(arguments)...);
    control->setObjectName(QLatin1String(objectName));
    return control;
}

} // namespace

StudioLauncher::StudioLauncher(LauncherContext launcherContext, QObject *parent)
    : QObject(parent), name(QStringLiteral("Vellmora")), resources(launcherContext.resources),
      status(makeControl<QLabel>("status")), progress(makeControl<QProgressBar>("progress")),
      action(makeControl<QPushButton>("action", translation::text(texts::startSetup))),
      cancel(makeControl<QPushButton>("cancel", translation::text(texts::cancel))),
      details(makeControl<QPushButton>("details", translation::text(texts::showDetails))),
      compactModels(makeControl<QRadioButton>("compactModels", translation::text(texts::compactChoice))),
      fullModels(makeControl<QRadioButton>("fullModels", translation::text(texts::fullChoice))),
      context(std::move(launcherContext)), mainQueue(std::make_shared<MainQueue>(this))
{
    // The application object is destroyed after the event loop, while the launcher lives on.
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [queue = mainQueue] { queue->close(); });
    status->setTextFormat(Qt::PlainText); // the bootstrap's and the platform's words, never markup
    status->setWordWrap(true);
    askAlert = [](QMessageBox &box) {
        box.exec();
        return box.clickedButton();
    };
}

StudioLauncher::~StudioLauncher()
{
    mainQueue->close();
    // The window owns the controls once it exists; before that they are ours.
    if (window) {
        delete window.data();
        return;
    }
    delete status;
    delete progress;
    delete action;
    delete cancel;
    delete details;
    delete compactModels;
    delete fullModels;
}

void StudioLauncher::applicationDidFinishLaunching()
{
    try {
        platform::createPrivateDirectories(runtime());
        if (startup::hasRepairFlag(context.arguments)) {
            showSetup();
            return;
        }
        const std::optional<QJsonObject> receipt = validReceipt();
        if (!receipt) {
            showSetup();
            return;
        }
        launchStudio(*receipt);
    } catch (const std::exception &error) {
        showSetup();
        showError(platform::errorText(error));
    }
}

bool StudioLauncher::applicationShouldTerminate()
{
    if (working)
        cancelSetup();
    return true;
}

bool StudioLauncher::applicationShouldTerminateAfterLastWindowClosed() const
{
    if (working)
        return true;
    return !child;
}

void StudioLauncher::requestTermination()
{
    if (applicationShouldTerminate())
        QCoreApplication::exit(0);
}

void StudioLauncher::bringForward()
{
    // No window yet means the start-up decision is still to come, and it shows one if needed.
    if (!window || platform::activationPolicy() == platform::ActivationPolicy::Accessory)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    showSetup();
}

bool StudioLauncher::eventFilter(QObject *watched, QEvent *event)
{
    // The setup window is the only window, so its close is the last window closing. Decide once
    // the close has finished.
    if (watched == window && event->type() == QEvent::Close) {
        QTimer::singleShot(0, this, [this] {
            if (applicationShouldTerminateAfterLastWindowClosed())
                requestTermination();
        });
    }
    return QObject::eventFilter(watched, event);
}

bool StudioLauncher::hasChild() const
{
    return child != nullptr;
}

void StudioLauncher::showError(const QString &message)
{
    status->setText(translation::shown(message)); // the attempt log has kept it in English
    progress->setRange(0, 100);                   // a real range stops the busy animation
    progress->setValue(0);
    progress->hide();
    action->setText(translation::text(texts::retrySetup));
}
