#include "app/qtdirsetting.h"
#include "app/qtdirwriter.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QSettings>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // The deployment tool inherits this: when it crashes it ends at once and
    // is reported as a crash, instead of being held open by the system's crash
    // reporting (or a missing-DLL message box) until the time limit.
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
#endif
    QCoreApplication::setOrganizationName(QStringLiteral("Orvask"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvask.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Trevalo"));

    QApplication app(argc, argv);
    MainWindow window;

    // Resolved against the working directory, not the executable's folder.
    // The store stays alive while the event loop runs, which is when its
    // deferred write of a default value reaches the file.
    QSettings settings(configurationFile(), QSettings::IniFormat);
    window.setQtDir(qtDirFromSettings(settings));

    window.show();
    return app.exec();
}
