#include "app/qtdirsetting.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(QStringLiteral("Orvask"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvask.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Trevalo"));

    QApplication app(argc, argv);
    MainWindow window;

    // Resolved against the working directory, not the executable's folder.
    // The store stays alive while the event loop runs, which is when its
    // deferred write of a default value reaches the file.
    QSettings settings(QStringLiteral("./conf/conf.ini"), QSettings::IniFormat);
    window.setQtDir(qtDirFromSettings(settings));

    window.show();
    return app.exec();
}
