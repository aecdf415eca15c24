// A small Qt Quick program for the deployment test, built against the Qt 6
// kit with the MinGW compiler directly (it needs no moc): it loads the QML
// file named on its command line, and once the window has drawn its first
// frame it prints the window's title, which only that file gives it, and ends.
// Started without arguments, as a user or a trial starts it, it shows the
// file whose URL TREVALO_TEST_QML holds until its window is closed.
// A file that cannot be loaded, a QML module missing say, ends it with exit
// code 1 and the engine's errors on standard error.
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <cstdio>

namespace {

void toStandardError(QtMsgType, const QMessageLogContext &, const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    // Started by the test, it prints its messages on standard error itself: a
    // Windows program without a console sends them to the debugger. Started
    // bare, as a user starts it, Qt's own handling applies, as in any program.
    const bool once = argc == 2;
    if (once)
        qInstallMessageHandler(toStandardError);
    // Wine cannot compile Direct3D 11's shaders; the software back end needs none.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QUrl file = once ? QUrl::fromLocalFile(arguments.at(1))
                           : QUrl::fromEncoded(qgetenv("TREVALO_TEST_QML"));
    if (arguments.size() > 2 || file.isEmpty())
        return 2;
    QQmlApplicationEngine engine(file);
    const QList<QObject *> roots = engine.rootObjects();
    auto *window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
    if (!window)
        return 1;
    if (!once)
        return app.exec();
    QObject::connect(
            window, &QQuickWindow::frameSwapped, &app,
            [window]() {
                std::printf("%s\n", qPrintable(window->title()));
                std::fflush(stdout);
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    return app.exec();
}
