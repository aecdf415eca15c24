#include "testkit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QTextBlock>
#include <QtTest>

namespace {

QMutex warningsMutex;
QStringList warnings;
QtMessageHandler testlibHandler = nullptr;

// Notes of the platforms the tests run on, not faults of the program.
bool isPlatformNote(const QString &message)
{
    // The offscreen platform cannot pass a window's size limits on.
    return message == QLatin1String("This plugin does not support propagateSizeHints()")
            // Nor raise a popup menu and grab the keyboard for it.
            || message == QLatin1String("This plugin does not support raise()")
            || message == QLatin1String("This plugin does not support grabbing the keyboard")
            // A Linux machine without a login session.
            || message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

void recordWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if ((type == QtWarningMsg || type == QtCriticalMsg) && !isPlatformNote(message)) {
        QMutexLocker locker(&warningsMutex);
        warnings << message;
    }
    testlibHandler(type, context, message);
}

} // namespace

void catchWarnings()
{
    testlibHandler = qInstallMessageHandler(recordWarning);
}

void verifyNoWarnings()
{
    QStringList seen;
    {
        QMutexLocker locker(&warningsMutex);
        seen.swap(warnings);
    }
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QLatin1Char('\n'))));
}

FakeQtKit::FakeQtKit()
{
    if (!dir.isValid() || !QDir(dir.path()).mkpath(QStringLiteral("bin")))
        return;
    // Looked up next to the running program: a path fixed at build time names
    // another drive on Windows once a test has changed its working directory.
    const QString standin = QCoreApplication::applicationDirPath() + QStringLiteral("/" STANDIN_TOOL);
    installed = QFile::copy(standin, toolPath());
}

FakeQtKit::~FakeQtKit()
{
    removeWhenFree(dir.path());
}

bool FakeQtKit::isValid() const
{
    return installed;
}

QString FakeQtKit::qtDir() const
{
    return dir.path();
}

QString FakeQtKit::toolPath() const
{
    return dir.path() + QStringLiteral("/bin/windeployqt.exe");
}

bool removeWhenFree(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    while (!QDir(path).removeRecursively() && clock.elapsed() < 5000)
        QTest::qWait(50);
    return !QFileInfo::exists(path);
}

bool haveFixtures()
{
    return TREVALO_HAVE_FIXTURES;
}

const char noFixtures[] = "needs MinGW-w64 (apt-get install mingw-w64) to make the Windows test "
                          "programs; configure the build again once it is installed";

QColor lineColor(const QTextBlock &line)
{
    const QBrush brush = line.begin().fragment().charFormat().foreground();
    return brush.style() == Qt::NoBrush ? QColor() : brush.color();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
