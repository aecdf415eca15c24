#include "qtkit.h"

#include "peimage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPair>
#include <QRegularExpression>

namespace {

// The DLLs MinGW programs need at run time: the GCC support library (SEH on
// 64-bit, DWARF or SJLJ on 32-bit), the C++ library and the threads library.
const QStringList runtimePatterns = { QStringLiteral("libgcc_s_*.dll"),
                                      QStringLiteral("libstdc++-6.dll"),
                                      QStringLiteral("libwinpthread-1.dll") };

const QString gcc = QStringLiteral("g++.exe");

bool compareBytes(const QString &a, const QString &b)
{
    // Sizes from the paths, and no atEnd(): the open files' sizes cost
    // Windows a query of the volume each time.
    const qint64 size = QFileInfo(a).size();
    if (size != QFileInfo(b).size())
        return false;
    QFile one(a);
    QFile other(b);
    if (!one.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly))
        return false;
    qint64 compared = 0;
    while (compared < size) {
        const QByteArray chunk = one.read(1 << 16);
        if (chunk.isEmpty() || chunk != other.read(chunk.size()))
            return false;
        compared += chunk.size();
    }
    return true;
}

// A run compares the kit's runtime with the installer's MinGW before the tool
// starts and again for the check after it; each pair of files is compared
// once while neither changes.
bool sameBytes(const QString &a, const QString &b)
{
    struct Comparison
    {
        QDateTime modifiedA, modifiedB;
        qint64 sizeA, sizeB;
        bool same;
    };
    static QHash<QPair<QString, QString>, Comparison> compared;
    const QFileInfo one(a);
    const QFileInfo other(b);
    const auto known = compared.constFind(qMakePair(a, b));
    if (known != compared.constEnd() && known->modifiedA == one.lastModified()
        && known->modifiedB == other.lastModified() && known->sizeA == one.size()
        && known->sizeB == other.size())
        return known->same;
    const bool same = compareBytes(a, b);
    compared.insert(qMakePair(a, b),
                    { one.lastModified(), other.lastModified(), one.size(), other.size(), same });
    return same;
}

bool compilerOnPath(const QString &path)
{
    // Split without a flag: Qt 5.12 and Qt 6 name "skip empty parts" differently.
    const QStringList folders = path.split(QDir::listSeparator());
    for (const QString &folder : folders) {
        if (!folder.isEmpty() && QFileInfo(QDir(folder).filePath(gcc)).isFile())
            return true;
    }
    return false;
}

} // namespace

QtKit::QtKit(const QString &dir) : folder(dir)
{
    // A run reads its kit before the tool starts and again for the check
    // after it: the kit's bin is read once while neither it nor its Qt Core
    // changes.
    struct Read
    {
        QDateTime binModified, coreModified;
        QtKit kit;
    };
    static QHash<QString, Read> known;
    const QDir bin(dir + QStringLiteral("/bin"));
    const QDateTime binModified = QFileInfo(bin.path()).lastModified();
    const auto read = known.constFind(dir);
    if (read != known.constEnd() && read->binModified == binModified && binModified.isValid()
        && read->coreModified == QFileInfo(read->kit.corePath()).lastModified()) {
        *this = read->kit;
        return;
    }
    for (int candidate : { 6, 5 }) {
        const QString core = bin.filePath(QStringLiteral("Qt%1Core.dll").arg(candidate));
        if (QFileInfo(core).isFile()) {
            major = candidate;
            const PeImage image = readPeImage(core);
            coreBits = image.bits;
            coreCompiler = compilerOf(image.imports);
            break;
        }
    }
    runtime = bin.entryList(runtimePatterns, QDir::Files, QDir::Name);
    known.insert(dir, { binModified, QFileInfo(corePath()).lastModified(), *this });
}

QString QtKit::corePath() const
{
    return QStringLiteral("%1/bin/Qt%2Core.dll").arg(folder).arg(major);
}

QString QtKit::dir() const
{
    return folder;
}

int QtKit::majorVersion() const
{
    return major;
}

int QtKit::bits() const
{
    return coreBits;
}

Compiler QtKit::compiler() const
{
    return coreCompiler;
}

QVersionNumber QtKit::version() const
{
    static const QRegularExpression versionName(QStringLiteral("^\\d+(\\.\\d+)*$"));
    const QString name = QFileInfo(QFileInfo(QDir::cleanPath(folder)).path()).fileName();
    if (versionName.match(name).hasMatch())
        return QVersionNumber::fromString(name);

    // A kit built or unpacked elsewhere; the file is a few lines long.
    static const QRegularExpression versionLine(
            QStringLiteral("^QT_VERSION\\s*=\\s*(\\d+(\\.\\d+)*)\\s*$"),
            QRegularExpression::MultilineOption);
    QFile qconfig(folder + QStringLiteral("/mkspecs/qconfig.pri"));
    if (!qconfig.open(QIODevice::ReadOnly))
        return QVersionNumber();
    const QRegularExpressionMatch match =
            versionLine.match(QString::fromLatin1(qconfig.read(1 << 16)));
    return match.hasMatch() ? QVersionNumber::fromString(match.captured(1)) : QVersionNumber();
}

QStringList QtKit::runtimeDlls() const
{
    return runtime;
}

bool QtKit::isMinGW() const
{
    return !runtime.isEmpty();
}

QString QtKit::findMinGWBin() const
{
    if (runtime.isEmpty())
        return QString();
    const QDir tools(QDir::cleanPath(folder + QStringLiteral("/../../Tools")));
    const QStringList mingws = tools.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &mingw : mingws) {
        const QDir bin(tools.filePath(mingw + QStringLiteral("/bin")));
        if (!QFileInfo(bin.filePath(gcc)).isFile())
            continue;
        bool same = true;
        for (const QString &dll : runtime) {
            if (!sameBytes(folder + QStringLiteral("/bin/") + dll, bin.filePath(dll))) {
                same = false;
                break;
            }
        }
        if (same)
            return bin.path();
    }
    return QString();
}

QProcessEnvironment toolEnvironment(const QtKit &kit, const QProcessEnvironment &environment)
{
    const QString path = environment.value(QStringLiteral("PATH"));
    if (!kit.isMinGW() || compilerOnPath(path))
        return QProcessEnvironment();
    const QString mingw = kit.findMinGWBin();
    if (mingw.isEmpty())
        return QProcessEnvironment();
    QProcessEnvironment result = environment;
    result.insert(QStringLiteral("PATH"),
                  QDir::toNativeSeparators(mingw)
                          + (path.isEmpty() ? QString() : QDir::listSeparator() + path));
    return result;
}
