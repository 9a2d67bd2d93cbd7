#include "platform/activation.h"
#include "platform/bundle.h"
#include "platform/inherited.h"
#include "platform/instance.h"
#include "platform/proxy.h"
#include "platform/signals.h"
#include "platform/system.h"
#include "setup/proxychoice.h"
#include "shell/launcher.h"
#include "shell/texts.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// `--proxy-for URL`: the bootstrap asks which proxy reaches a host it downloads from, since only
// the launcher can ask the system. One line on standard output; no window, and it is no start.
bool isProxyQuestion(int argc, char *argv[])
{
    return argc == 3 && proxy::helperOption == QLatin1String(argv[1]);
}

int answerProxyQuestion(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    const QUrl url(QCoreApplication::arguments().at(2));
    const QProcessEnvironment inherited = QProcessEnvironment::systemEnvironment();
    const proxy::Choice choice = proxy::choose(
        inherited, {[&url] { return platform::systemProxies(url); }, [] { return platform::systemProxyExceptions(); }});
    const QByteArray answer = proxy::helperAnswer(choice, inherited, url.host());
    return std::fwrite(answer.constData(), 1, answer.size(), stdout) == std::size_t(answer.size())
                   && std::fflush(stdout) == 0
               ? 0
               : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    platform::restoreDefaultChildSignal();
    platform::fillClosedStandardStreams();
    if (isProxyQuestion(argc, argv))
        return answerProxyQuestion(argc, argv);
    QApplication app(argc, argv);
    const QString executable = platform::executablePath();
    // As on a Mac, a second start of the same bundle copy only brings the running one forward,
    // whatever its arguments.
    const platform::InstanceAddress address = platform::instanceAddress(platform::bundlePath(executable));
    platform::Instance instance(address);
    if (instance.runningElsewhere()) {
        platform::askToComeForward(address.socket, std::chrono::seconds(2));
        std::fputs(qPrintable(texts::alreadyRunning + QLatin1Char('\n')), stderr);
        return 0;
    }

    // Lets Wayland desktops match the window to vellmora.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vellmora"));
    // Closing the window asks the launcher first (a running studio keeps it alive).
    QApplication::setQuitOnLastWindowClosed(false);

    LauncherContext context;
    context.resources = platform::bundleResources(executable);
    context.infoPlist = platform::bundleInfoPlist(executable);
    context.applicationSupport = platform::applicationSupportBase();
    context.arguments = QCoreApplication::arguments();
    context.executablePath = executable;
    context.physicalMemory = platform::physicalMemory;
    auto *delegate = new StudioLauncher(std::move(context)); // lives until the process ends
    instance.onComeForward(delegate, [delegate] { delegate->bringForward(); });

    platform::setActivationPolicy(platform::ActivationPolicy::Regular);

    auto *menu = new QMenuBar;
    auto *appMenu = menu->addMenu(QStringLiteral("Vellmora"));
    QAction *quit = appMenu->addAction(texts::quitItem);
    quit->setShortcuts(QKeySequence::Quit);
    if (quit->shortcuts().isEmpty()) // platforms without a theme (offscreen, bare X servers)
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, delegate, &StudioLauncher::requestTermination);
    delegate->setMainMenu(menu);

    platform::onTerminationSignals(delegate, [delegate] { delegate->requestTermination(); });
    QTimer::singleShot(0, delegate, &StudioLauncher::applicationDidFinishLaunching);

    const int status = QApplication::exec();
    if (delegate->isWorking()) {
        // A cancelled setup worker may still be winding down on its thread; quitting does not
        // wait for it, so leave without running destructors under its feet.
        std::_Exit(status);
    }
    return status;
}
