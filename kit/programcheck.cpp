#include "programcheck.h"

#include "kitpaths.h"
#include "peimage.h"
#include "qtkit.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

struct Program
{
    KitNeeds needs;
    bool debug = false;
};

// The tool keeps only the imported DLLs named after its own Qt major version
// ("Qt5Widgets.dll", "Qt53DCore.dll"); a debug build imports "Qt5Cored.dll".
Program readImports(const QString &path)
{
    static const QRegularExpression module(QStringLiteral("^Qt(\\d)\\w+\\.dll$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression debugCore(QStringLiteral("^Qt\\dCored\\.dll$"),
                                              QRegularExpression::CaseInsensitiveOption);
    Program program;
    const PeImage image = readPeImage(path);
    for (const QString &dll : image.imports) {
        const QRegularExpressionMatch match = module.match(dll);
        if (!match.hasMatch())
            continue;
        if (program.needs.major == 0)
            program.needs.major = match.captured(1).toInt();
        if (debugCore.match(dll).hasMatch())
            program.debug = true;
    }
    if (program.needs.major != 0) {
        program.needs.bits = image.bits;
        program.needs.compiler = compilerOf(image.imports);
    }
    return program;
}

// A run asks about its program for the kit choice and again for the check;
// the file is read once while it stays the same.
Program readProgram(const QString &path)
{
    static QString lastPath;
    static QDateTime lastModified;
    static qint64 lastSize = -1;
    static Program last;
    const QFileInfo file(path);
    if (path != lastPath || file.lastModified() != lastModified || file.size() != lastSize) {
        last = readImports(path);
        lastPath = path;
        lastModified = file.lastModified();
        lastSize = file.size();
    }
    return last;
}

// Where the user chooses a kit, naming one that would do if there is one.
QString kitHint(const KitNeeds &needs, const FoundKits &foundKits)
{
    const QString fitting = bestFittingKit(needs, foundKits.list());
    if (fitting.isEmpty())
        return QStringLiteral(" (%1)").arg(kitMenuHint());
    return QStringLiteral(", such as %1 (%2)").arg(QDir::toNativeSeparators(fitting), kitMenuHint());
}

} // namespace

KitNeeds kitNeedsOf(const QString &programPath)
{
    return readProgram(programPath).needs;
}

bool fits(const KitNeeds &needs, const QtKit &kit)
{
    if (needs.major == 0)
        return true;
    return kit.majorVersion() == needs.major && kit.bits() == needs.bits
            && (needs.compiler == Compiler::Unknown || kit.compiler() == Compiler::Unknown
                || kit.compiler() == needs.compiler);
}

QString bestFittingKit(const KitNeeds &needs, const QStringList &kits)
{
    QString best;
    QVersionNumber bestVersion;
    for (const QString &dir : kits) {
        const QtKit kit(dir);
        if (fits(needs, kit) && (best.isEmpty() || kit.version() > bestVersion)) {
            best = dir;
            bestVersion = kit.version();
        }
    }
    return best;
}

QString kitDescription(const KitNeeds &needs)
{
    if (needs.major == 0)
        return QString();
    const QString compiler = compilerName(needs.compiler);
    return QStringLiteral("a %1-bit %2Qt %3 kit")
            .arg(QString::number(needs.bits),
                 compiler.isEmpty() ? QString() : compiler + QLatin1Char(' '),
                 QString::number(needs.major));
}

QString deploymentProblem(const QString &programPath, const QtKit &kit, bool release,
                          const FoundKits &foundKits)
{
    if (programPath.isEmpty())
        return QStringLiteral("No program chosen: choose the program to deploy with the ... button "
                              "beside AppPath.");
    const QFileInfo program(programPath);
    if (!program.exists())
        return QStringLiteral("%1 no longer exists: choose the program to deploy again.")
                .arg(QDir::toNativeSeparators(programPath));
    if (kit.bits() == 0)
        return QString();

    const Program read = readProgram(programPath);
    const KitNeeds &needs = read.needs;
    if (needs.major == 0)
        return QString();
    const QString name = program.fileName();
    const QString kitDir = QDir::toNativeSeparators(kit.dir());
    if (needs.major != kit.majorVersion())
        return QStringLiteral("%1 is a Qt %2 program, but the kit %3 is Qt %4: deploy it with a Qt "
                              "%2 kit%5.")
                .arg(name, QString::number(needs.major), kitDir,
                     QString::number(kit.majorVersion()), kitHint(needs, foundKits));
    if (needs.bits != kit.bits())
        return QStringLiteral(
                       "%1 is a %2-bit program, but the kit %3 is %4-bit: deploy it with a %2-bit "
                       "Qt %5 kit%6.")
                .arg(name, QString::number(needs.bits), kitDir, QString::number(kit.bits()),
                     QString::number(needs.major), kitHint(needs, foundKits));
    // The other compiler's Qt DLLs lack the entry points the program calls.
    if (!fits(needs, kit))
        return QStringLiteral(
                       "%1 is built with %2, but the kit %3 is built with %4: deploy it with "
                       "%5%6.")
                .arg(name, compilerName(needs.compiler), kitDir, compilerName(kit.compiler()),
                     kitDescription(needs), kitHint(needs, foundKits));
    if (read.debug && release)
        return QStringLiteral(
                       "%1 is a debug build: untick Release to deploy the debug Qt libraries it "
                       "needs, or choose its release build.")
                .arg(name);
    return QString();
}
