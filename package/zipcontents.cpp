#include "zipcontents.h"

#include "kit/peimage.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPair>
#include <QSet>

#include <algorithm>

namespace {

// The check's bounds: deployed folders hold a few hundred files, a few folders deep.
const int maxEntries = 50000;
const int maxDepth = 16;
const int rulesShown = 3;

QString ruleName(const LeftOutRule &rule)
{
    return QLatin1String(rule.pattern) + (rule.folder ? QStringLiteral("\\") : QString());
}

void count(ZipContents &contents, const LeftOutRule *rule)
{
    ++(rule->kind == LeftOutKind::Build ? contents.buildFiles : contents.debuggerFiles);
    QVector<const LeftOutRule *> &used = contents.rulesUsed;
    // The rules lie in one table: their addresses sort in its order.
    const auto at = std::lower_bound(used.begin(), used.end(), rule);
    if (at == used.end() || *at != rule)
        used.insert(at, rule);
}

QString kindText(const ZipContents &contents, LeftOutKind kind)
{
    const int files = kind == LeftOutKind::Build ? contents.buildFiles : contents.debuggerFiles;
    QStringList rules;
    for (const LeftOutRule *rule : contents.rulesUsed) {
        if (rule->kind == kind)
            rules << ruleName(*rule);
    }
    QString shown = rules.mid(0, rulesShown).join(QStringLiteral(", "));
    if (rules.size() > rulesShown)
        shown += QStringLiteral("…");
    return QStringLiteral("%1 %2 file%3 (%4)")
            .arg(files)
            .arg(kind == LeftOutKind::Build ? QStringLiteral("build") : QStringLiteral("debugger"),
                 files == 1 ? QString() : QStringLiteral("s"), shown);
}

} // namespace

ZipContents listZipContents(const QString &appDir, const QString &zipPath)
{
    ZipContents contents;
    contents.appDir = QFileInfo(appDir).absoluteFilePath();
    const QString root = QFileInfo(appDir).canonicalFilePath();
    const QString zip = QFileInfo(zipPath).absoluteFilePath();
    const QDir rootDir(root);
    // A folder, its depth, and the rule that leaves it out.
    struct Folder
    {
        QString path;
        int depth;
        const LeftOutRule *rule;
    };
    QVector<Folder> folders { { root, 0, nullptr } };
    QSet<QString> visited { root };
    int entries = 0;
    const auto skip = [&contents, &rootDir](const QString &path) {
        if (contents.skippedEntries++ == 0)
            contents.firstSkipped = QDir::toNativeSeparators(rootDir.relativeFilePath(path));
    };
    while (!folders.isEmpty() && !root.isEmpty()) {
        const Folder folder = folders.takeLast();
        const QDir dir(folder.path);
        if (!dir.isReadable()) {
            skip(folder.path);
            continue;
        }
        const QFileInfoList list = dir.entryInfoList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
        for (const QFileInfo &entry : list) {
            if (++entries > maxEntries || entry.isSymLink()) {
                skip(entry.filePath());
                continue;
            }
            if (entry.isDir()) {
                // A junction that is not taken for a link still resolves elsewhere.
                const QString canonical = entry.canonicalFilePath();
                if (folder.depth + 1 > maxDepth || !canonical.startsWith(root + QLatin1Char('/'))
                    || visited.contains(canonical)) {
                    skip(entry.filePath());
                    continue;
                }
                visited.insert(canonical);
                const LeftOutRule *rule = folder.rule;
                if (!rule)
                    rule = leftOutRule(entry.fileName(), true);
                folders.append({ canonical, folder.depth + 1, rule });
                continue;
            }
            if (entry.absoluteFilePath() == zip)
                continue;
            const LeftOutRule *rule = folder.rule ? folder.rule : leftOutRule(entry.fileName(), false);
            if (rule) {
                count(contents, rule);
                continue;
            }
            contents.files.append({ entry.absoluteFilePath(),
                                    rootDir.relativeFilePath(entry.filePath()), entry.size() });
            contents.totalSize += entry.size();
            contents.largestSize = qMax(contents.largestSize, entry.size());
        }
    }
    return contents;
}

QString limitProblem(const ZipContents &contents, const ZipLimits &limits)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const ZipFileEntry &file : contents.files) {
        if (file.size > limits.maxFileSize)
            return QStringLiteral(
                           "%1 is %2 bytes; a file in the zip must be smaller than %3 bytes, "
                           "because each file is read whole into memory.")
                    .arg(QDir::toNativeSeparators(file.name), english.toString(file.size),
                         english.toString(limits.maxFileSize + 1));
    }
    if (contents.files.size() > limits.maxEntries)
        return QStringLiteral(
                       "The folder holds %1 files to zip; a zip without Zip64 holds at most %2.")
                .arg(english.toString(contents.files.size()), english.toString(limits.maxEntries));
    if (contents.totalSize > limits.maxTotalSize)
        return QStringLiteral("The files to zip are %1 bytes in all; a zip without Zip64 holds "
                              "at most %2.")
                .arg(english.toString(contents.totalSize), english.toString(limits.maxTotalSize));
    return QString();
}

QStringList leftOutLines(const ZipContents &contents)
{
    QStringList kinds;
    if (contents.buildFiles > 0)
        kinds << kindText(contents, LeftOutKind::Build);
    if (contents.debuggerFiles > 0)
        kinds << kindText(contents, LeftOutKind::Debugger);
    QStringList lines;
    if (!kinds.isEmpty())
        lines << QStringLiteral("Left out of the zip: %1.").arg(kinds.join(QStringLiteral(" and ")));
    if (contents.skippedEntries > 0)
        lines << QStringLiteral("Not in the zip: %1 (%2 among them): links, folders that cannot be "
                                "read, or past the walk's bounds (%3 entries, %4 folders deep).")
                         .arg(contents.skippedEntries == 1
                                      ? QStringLiteral("1 entry")
                                      : QStringLiteral("%1 entries").arg(contents.skippedEntries),
                              contents.firstSkipped)
                         .arg(maxEntries)
                         .arg(maxDepth);
    return lines;
}

QString proposedZipName(const QString &programPath)
{
    const QFileInfo program(programPath);
    const PeImage image = readPeImage(programPath);
    QString name = program.completeBaseName();
    QVector<int> version = readFileVersion(programPath);
    while (version.size() > 1 && version.last() == 0)
        version.removeLast();
    if (!version.isEmpty()) {
        QStringList parts;
        for (int part : qAsConst(version))
            parts << QString::number(part);
        name += QLatin1Char('-') + parts.join(QLatin1Char('.'));
    }
    return name + (image.bits == 32 ? QStringLiteral("-win32.zip") : QStringLiteral("-win64.zip"));
}
