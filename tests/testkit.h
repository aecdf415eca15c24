#ifndef TESTKIT_H
#define TESTKIT_H

#include <QString>
#include <QTemporaryDir>

// A temporary Qt kit folder whose bin/windeployqt.exe is the stand-in tool.
class FakeQtKit
{
public:
    FakeQtKit();

    bool isValid() const;
    QString qtDir() const;
    QString toolPath() const;

private:
    QTemporaryDir dir;
    bool installed = false;
};

#endif // TESTKIT_H
