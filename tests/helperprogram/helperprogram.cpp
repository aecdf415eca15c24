// A Qt Widgets program that needs libhelper.dll: it shows what the library
// answers and stays open until its window is closed.
#include <QApplication>
#include <QLabel>

extern "C" __declspec(dllimport) int helper_answer();

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("libhelper.dll answers %1").arg(helper_answer()));
    label.show();
    return app.exec();
}
