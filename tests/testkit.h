#ifndef TESTKIT_H
#define TESTKIT_H

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QTextBlock;

// A temporary Qt kit folder whose bin/windeployqt.exe is the stand-in tool.
class FakeQtKit
{
public:
    FakeQtKit();
    ~FakeQtKit();

    bool isValid() const;
    QString qtDir() const;
    QString toolPath() const;

private:
    QTemporaryDir dir;
    bool installed = false;
};

// From now on, records every warning and critical message from Qt or the
// program, from any thread, besides passing it on to Qt Test's own output.
// A suite calls it in initTestCase() and verifyNoWarnings() in cleanup(), so
// that a test fails on a warning nobody expected (a slot the form connects by
// name that is missing, say).
void catchWarnings();
void verifyNoWarnings();

// Removes a folder and what it holds. Windows keeps a folder in use for a
// moment after a program that ran from it or in it has ended, so this tries
// again for a few seconds.
bool removeWhenFree(const QString &path);

// The colour a line of the output pane is drawn in; invalid where the pane's
// own colour applies.
QColor lineColor(const QTextBlock &line);

// Whether the build made the Windows programs and DLLs of tests/fixtures.cmake
// (the folder "fixtures" beside the test programs). Configured without
// MinGW-w64 it made none, and the tests that read them skip with
// `noFixtures` as the reason.
bool haveFixtures();
extern const char noFixtures[];

// A file's bytes, or nothing when it cannot be read.
QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &bytes);

// A MinGW program with its delay-import directory filled in. GNU ld (2.40)
// lays out the descriptors of a delay-import library but leaves the directory
// empty; Windows' loader needs no directory, readers do. `dll` is a DLL the
// program delay-loads; bytes without one come back unchanged. Where the
// descriptor lies in the file goes to `descriptorAt`.
QByteArray withDelayImportDirectory(QByteArray image, const QByteArray &dll,
                                    int *descriptorAt = nullptr);

#endif // TESTKIT_H
