#ifndef WINDOWTEST_H
#define WINDOWTEST_H

#include "mainwindow/mainwindow.h"

#include <QString>

#include <functional>

// What the window suites share: the window under test, its widgets by object
// name, the pane's text, and a click on Run that waits for the run to end.
class WindowTest
{
protected:
    template<typename T>
    T *widget(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QString pane() const;

    // A new window, shown; the old one, if any, is closed first.
    void openWindow();
    void closeWindow();
    // Clicks Run, which must be enabled, and waits for Run to be enabled
    // again; however the run ended, the wait cursor must be gone then.
    void clickRunAndWait(int timeout = 5000);

    MainWindow *window = nullptr;
};

// Runs `handle` on the next modal dialog once the caller's code has opened it.
void whenModalOpens(std::function<void(QWidget *)> handle);

// The line above the tool's output for a QML folder that holds no .qml file,
// with its line break.
QString noQmlWarning(const QString &qmlDir);

// Makes a folder the working directory, where the window finds and saves
// conf/conf.ini, until it goes out of scope.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const QString &path);
    ~WorkingDirectory();

    bool isSet() const;

private:
    QString old;
    bool set = false;
};

#endif // WINDOWTEST_H
