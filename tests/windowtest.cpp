#include "windowtest.h"

#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

QString WindowTest::pane() const
{
    return widget<QTextBrowser>("textBrowser")->toPlainText();
}

void WindowTest::openWindow()
{
    closeWindow();
    window = new MainWindow;
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
