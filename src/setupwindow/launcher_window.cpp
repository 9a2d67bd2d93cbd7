#include "shell/launcher.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

// A plain window holding the controls until the designed layout arrives.
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
        main->setMenuBar(mainMenu);
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    for (QWidget *control : std::initializer_list<QWidget *>{compactModels, fullModels, status, progress, details,
                                                             cancel, action})
        layout->addWidget(control);
    compactModels->setChecked(true);
    progress->setRange(0, 100);
    progress->hide();
    cancel->setEnabled(false);
    details->setEnabled(false);
    status->setText(QStringLiteral("Setup is needed before you can use the studio. Allow 20 GB of free space and an "
                                   "internet connection."));
    main->setCentralWidget(content);
    main->installEventFilter(this);
    window = main;
}

void StudioLauncher::selectModelProfile(int tag)
{
    modelProfile = tag == 0 ? QStringLiteral("compact") : QStringLiteral("full");
}

void StudioLauncher::saveModelProfile() const {}
