#include "app/qtdirsetting.h"
#include "app/qtdirwriter.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QIcon>
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

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // At 125-200 % display scaling the window is scaled as a whole, images
    // included, not only its fonts; Qt 6 always does this. 150 % stays 1.5
    // rather than being rounded to 2, so that fonts and sizes keep together.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
#endif

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/start.png")));
    // Declared before the window, which keeps a pointer to it.
    IniKitStore kitStore(configurationFile());
    MainWindow window;
    window.setKitStore(&kitStore);

    // Resolved against the working directory, not the executable's folder.
    // The store stays alive while the event loop runs, which is when its
    // deferred write of a default value reaches the file.
    QSettings settings(configurationFile(), QSettings::IniFormat);
    window.setQtDir(qtDirFromSettings(settings));

    // "Open with", or a shortcut with the program's path after trevalo.exe.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        window.openProgram(arguments.at(1));

    window.show();
    return app.exec();
}
