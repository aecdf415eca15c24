#include "programcheck.h"

#include "kitpaths.h"
#include "peimage.h"
#include "qtkit.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

struct QtUse
{
    int major = 0; // 0: imports no Qt module
    bool debug = false;
};

// The tool keeps only the imported DLLs named after its own Qt major version
// ("Qt5Widgets.dll", "Qt53DCore.dll"); a debug build imports "Qt5Cored.dll".
QtUse qtUse(const QStringList &imports)
{
    static const QRegularExpression module(QStringLiteral("^Qt(\\d)\\w+\\.dll$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression debugCore(QStringLiteral("^Qt\\dCored\\.dll$"),
                                              QRegularExpression::CaseInsensitiveOption);
    QtUse use;
    for (const QString &dll : imports) {
        const QRegularExpressionMatch match = module.match(dll);
        if (!match.hasMatch())
            continue;
        if (use.major == 0)
            use.major = match.captured(1).toInt();
        if (debugCore.match(dll).hasMatch())
            use.debug = true;
    }
    return use;
}

} // namespace

QString deploymentProblem(const QString &programPath, const QtKit &kit, bool release)
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

    const PeImage image = readPeImage(programPath);
    const QtUse use = qtUse(image.imports);
    if (!image.isValid() || use.major == 0)
        return QString();
    const QString name = program.fileName();
    const QString kitDir = QDir::toNativeSeparators(kit.dir());
    if (use.major != kit.majorVersion())
        return QStringLiteral("%1 is a Qt %2 program, but the kit %3 is Qt %4: deploy it with a Qt "
                              "%2 kit (%5).")
                .arg(name, QString::number(use.major), kitDir, QString::number(kit.majorVersion()),
                     kitMenuHint());
    if (image.bits != kit.bits())
        return QStringLiteral(
                       "%1 is a %2-bit program, but the kit %3 is %4-bit: deploy it with a %2-bit "
                       "Qt %5 kit (%6).")
                .arg(name, QString::number(image.bits), kitDir, QString::number(kit.bits()),
                     QString::number(use.major), kitMenuHint());
    if (use.debug && release)
        return QStringLiteral(
                       "%1 is a debug build: untick Release to deploy the debug Qt libraries it "
                       "needs, or choose its release build.")
                .arg(name);
    return QString();
}
