// A small Qt 6 program for the deployment test, built against the Qt 6 kit
// with the MinGW compiler directly (it needs no moc): it shows a label and,
// once its event loop runs, prints the label's text and ends.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Deployed with Qt %1").arg(QLatin1String(qVersion())));
    label.show();
    QTimer::singleShot(0, &app, [&label]() {
        std::printf("%s\n", qPrintable(label.text()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
