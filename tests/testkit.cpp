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

namespace {

quint32 u32In(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData() + at));
}

} // namespace

QByteArray withDelayImportDirectory(QByteArray image, const QByteArray &dll, int *descriptorAt)
{
    // Anything but a program this helper was written for comes back as it is.
    if (image.size() < 64 || u32In(image, 0x3c) > quint32(image.size() - 256))
        return image;
    const int peAt = int(u32In(image, 0x3c));
    const int sectionCount =
            qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(image.constData() + peAt + 6));
    const int optionalSize =
            qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(image.constData() + peAt + 20));
    const bool plus = image.at(peAt + 24) == 0x0b && image.at(peAt + 25) == 0x02;
    const int directories = peAt + 24 + (plus ? 112 : 96);
    const int sectionsAt = peAt + 24 + optionalSize;
    // The address in memory of a place in the file.
    const auto rvaOf = [&](int offset) -> quint32 {
        for (int i = 0; i < sectionCount; ++i) {
            const int at = sectionsAt + 40 * i;
            const quint32 raw = u32In(image, at + 20);
            if (quint32(offset) >= raw && quint32(offset) - raw < u32In(image, at + 16))
                return u32In(image, at + 12) + (quint32(offset) - raw);
        }
        return 0;
    };
    const int nameAt = image.indexOf(dll + '\0');
    if (nameAt < 0)
        return image;
    // A descriptor in the current format (attributes 1) naming that DLL.
    QByteArray descriptorStart(8, '\0');
    qToLittleEndian(quint32(1), reinterpret_cast<uchar *>(descriptorStart.data()));
    qToLittleEndian(rvaOf(nameAt), reinterpret_cast<uchar *>(descriptorStart.data() + 4));
    const int at = image.indexOf(descriptorStart);
    if (at < 0)
        return image;
    if (descriptorAt)
        *descriptorAt = at;
    qToLittleEndian(rvaOf(at), reinterpret_cast<uchar *>(image.data() + directories + 13 * 8));
    qToLittleEndian(quint32(64), reinterpret_cast<uchar *>(image.data() + directories + 13 * 8 + 4));
    return image;
}
