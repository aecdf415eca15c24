#ifndef TESTKIT_H
#define TESTKIT_H

#include <QByteArray>
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

// A file's bytes, or nothing when it cannot be read.
QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &bytes);

#endif // TESTKIT_H
