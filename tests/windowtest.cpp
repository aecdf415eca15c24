#include "windowtest.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

QString WindowTest::pane() const
{
    return widget<QTextBrowser>("textBrowser")->toPlainText();
}

void WindowTest::openWindow()
{
    closeWindow();
    window = new MainWindow;
    // The kits of this machine are no test's business: a test lays out its own.
    window->setKitPlaces(KitPlaces());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void WindowTest::closeWindow()
{
    delete window;
    window = nullptr;
}

void WindowTest::clickRunAndWait(int timeout)
{
    auto *run = widget<QPushButton>("Run");
    QVERIFY(run->isEnabled());
    QTest::mouseClick(run, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(run->isEnabled(), timeout);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void whenModalOpens(std::function<void(QWidget *)> handle)
{
    QTimer::singleShot(0, [handle]() {
        QWidget *modal = nullptr;
        QElapsedTimer timer;
        timer.start();
        while (!(modal = QApplication::activeModalWidget()) && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QVERIFY2(modal, "no modal dialog opened");
        handle(modal);
    });
}

QString noQmlWarning(const QString &qmlDir)
{
    return QStringLiteral("Warning: %1 holds no .qml file (looked 6 folders deep): the tool finds "
                          "the QML modules the application imports from its .qml files.\n")
            .arg(QDir::toNativeSeparators(qmlDir));
}

WorkingDirectory::WorkingDirectory(const QString &path)
    : old(QDir::currentPath()), set(QDir::setCurrent(path))
{
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(old);
}

bool WorkingDirectory::isSet() const
{
    return set;
}
