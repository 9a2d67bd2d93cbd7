#include "shell/launcher.h"

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/startup.h"

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
      context(std::move(launcherContext)), status(makeControl<QLabel>("status")),
      progress(makeControl<QProgressBar>("progress")),
      action(makeControl<QPushButton>("action", QStringLiteral("Start setup"))),
      cancel(makeControl<QPushButton>("cancel", QStringLiteral("Cancel"))),
      details(makeControl<QPushButton>("details", QStringLiteral("Show details"))),
      compactModels(makeControl<QRadioButton>(
          "compactModels", QStringLiteral("Compact (recommended) — smaller download, lower memory"))),
      fullModels(
          makeControl<QRadioButton>("fullModels", QStringLiteral("Full precision — original weights, larger download")))
{
    status->setWordWrap(true);
    askAlert = [](QMessageBox &box) {
        box.exec();
        return box.buttons().indexOf(box.clickedButton());
    };
}

StudioLauncher::~StudioLauncher()
{
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
        platform::createDirectories(runtime());
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
    status->setText(message);
    progress->setRange(0, 100); // a real range stops the busy animation
    progress->setValue(0);
    progress->hide();
    action->setText(QStringLiteral("Retry setup"));
}
