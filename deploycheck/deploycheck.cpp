#include "deploycheck.h"

#include "kit/peimage.h"
#include "kit/qtkit.h"
#include "windowsdlls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

// Bounds on what a hostile folder can make the check do: deployed folders
// hold a few hundred files, a few folders deep.
const int maxEntries = 50000;
const int maxDepth = 16;
const int maxMissing = 512;
const int importersShown = 4;

const QStringList mingwRuntime = { QStringLiteral("libgcc_s_seh-1.dll"),
                                   QStringLiteral("libgcc_s_dw2-1.dll"),
                                   QStringLiteral("libgcc_s_sjlj-1.dll"),
                                   QStringLiteral("libstdc++-6.dll"),
                                   QStringLiteral("libwinpthread-1.dll") };

bool isMinGWRuntime(const QString &name)
{
    return mingwRuntime.contains(name, Qt::CaseInsensitive);
}

bool isMsvcRuntime(const QString &name)
{
    const QString lower = name.toLower();
    return lower.startsWith(QLatin1String("vcruntime140"))
            || lower.startsWith(QLatin1String("msvcp140"))
            || lower == QLatin1String("concrt140.dll") || lower == QLatin1String("vccorlib140.dll");
}

// An import name that is a file name and nothing more: a hostile file may
// name "..\..\x.dll", which must lead neither the search nor the copy
// out of their folders.
bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c < QLatin1Char(' '))
            return false;
    }
    return true;
}

bool isProgramFile(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive)
            || fileName.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
}

// A file of the user's (not one of Qt's own) that imports Qt Network.
bool importsNetwork(const QString &fileName, const PeImage &image)
{
    if (fileName.startsWith(QLatin1String("qt"), Qt::CaseInsensitive)
        && (fileName.at(2) == QLatin1Char('5') || fileName.at(2) == QLatin1Char('6')))
        return false;
    for (const QString &dll : image.imports) {
        const QString lower = dll.toLower();
        if (lower.startsWith(QLatin1String("qt")) && lower.mid(3).startsWith(QLatin1String("network")))
            return true;
    }
    return false;
}

struct DeployedFile
{
    QString relativePath;
    PeImage image;
};

class Resolver
{
public:
    Resolver(DeployCheck &check, const QHash<QString, int> &inFolder, const QStringList &places)
        : check(check), inFolder(inFolder), places(places)
    {
    }

    void resolve(const QVector<DeployedFile> &files)
    {
        for (const DeployedFile &file : files)
            needAll(file.image, file.relativePath, false);
        // What is found elsewhere is read too: copied in, it needs its own imports.
        for (int i = 0; i < check.missing.size(); ++i)
            lookFor(i);
    }

private:
    void needAll(const PeImage &image, const QString &importer, bool onDemand)
    {
        for (const QString &dll : image.imports)
            need(dll, importer, onDemand);
        for (const QString &dll : image.delayImports)
            need(dll, importer, true);
    }

    void need(const QString &dll, const QString &importer, bool onDemand)
    {
        if (isWindowsDll(dll))
            return;
        const QString key = dll.toLower();
        const int bitsHere = inFolder.value(key);
        if (bitsHere != 0 && (check.bits == 0 || bitsHere == check.bits))
            return;
        int at = index.value(key, -1);
        if (at < 0) {
            if (check.missing.size() >= maxMissing)
                return;
            at = check.missing.size();
            index.insert(key, at);
            MissingDll missing;
            missing.name = dll;
            missing.onDemand = onDemand;
            missing.bitsInFolder = bitsHere;
            check.missing.append(missing);
        }
        MissingDll &missing = check.missing[at];
        missing.onDemand = missing.onDemand && onDemand;
        if (!missing.importers.contains(importer))
            missing.importers.append(importer);
    }

    void lookFor(int at)
    {
        const QString name = check.missing.at(at).name;
        if (!isPlainFileName(name))
            return;
        for (const QString &place : places) {
            const QString path = place + QLatin1Char('/') + name;
            if (!QFileInfo(path).isFile())
                continue;
            const PeImage image = readPeImage(path);
            if (!image.isValid() || (check.bits != 0 && image.bits != check.bits))
                continue;
            check.missing[at].foundIn = place;
            needAll(image, QStringLiteral("%1 (from %2)").arg(name, QDir::toNativeSeparators(place)),
                    check.missing.at(at).onDemand);
            return;
        }
    }

    DeployCheck &check;
    const QHash<QString, int> &inFolder;
    const QStringList &places;
    QHash<QString, int> index;
};

QString listed(const QStringList &names)
{
    if (names.size() <= importersShown)
        return names.join(QStringLiteral(", "));
    return QStringLiteral("%1 and %2 more")
            .arg(names.mid(0, importersShown).join(QStringLiteral(", ")))
            .arg(names.size() - importersShown);
}

QString whereOnThisMachine(const MissingDll &dll)
{
    if (dll.foundIn.isEmpty())
        return QStringLiteral("it is nowhere on this machine");
    return QStringLiteral("on this machine it is in %1").arg(QDir::toNativeSeparators(dll.foundIn));
}

} // namespace

bool DeployCheck::canCopy() const
{
    for (const MissingDll &dll : missing) {
        if (!dll.foundIn.isEmpty())
            return true;
    }
    for (const ByNameFinding &finding : loadedByName) {
        if (!finding.copies.isEmpty())
            return true;
    }
    return false;
}

QStringList DeployCheck::neededMissing() const
{
    QStringList names;
    for (const MissingDll &dll : missing) {
        if (!dll.onDemand && !(isMsvcRuntime(dll.name) && !vcRedistInstallers.isEmpty()))
            names << dll.name;
    }
    return names;
}

QStringList placesToLook(const QProcessEnvironment &environment, const QString &kitDir)
{
    QStringList candidates;
    const QStringList path = environment.value(QStringLiteral("PATH")).split(QDir::listSeparator());
    for (QString folder : path) {
        folder = folder.trimmed();
        if (folder.size() > 1 && folder.startsWith(QLatin1Char('"'))
            && folder.endsWith(QLatin1Char('"')))
            folder = folder.mid(1, folder.size() - 2);
        candidates << folder;
    }
    if (!kitDir.isEmpty()) {
        candidates << kitDir + QStringLiteral("/bin");
        candidates << QtKit(kitDir).findMinGWBin();
    }
    const QString systemRoot = environment.value(QStringLiteral("SystemRoot"));
    if (!systemRoot.isEmpty())
        candidates << systemRoot + QStringLiteral("/System32")
                   << systemRoot + QStringLiteral("/SysWOW64");

    QStringList places;
    QSet<QString> seen;
    for (const QString &candidate : candidates) {
        if (candidate.isEmpty())
            continue;
        const QString place = QDir::cleanPath(QDir::fromNativeSeparators(candidate));
        if (!seen.contains(place.toLower())) {
            seen.insert(place.toLower());
            places << place;
        }
    }
    return places;
}

DeployCheck checkDeployment(const QString &programPath, const QStringList &places, const QString &kitDir)
{
    DeployCheck check;
    const QFileInfo program(programPath);
    check.appDir = program.absolutePath();
    check.bits = readPeImage(programPath).bits;

    const QString root = QFileInfo(check.appDir).canonicalFilePath();
    QVector<DeployedFile> files;
    ByNameInput byName;
    QHash<QString, int> &inFolder = byName.inFolder;
    QSet<QString> visited { root };
    QVector<QPair<QString, int>> folders { { root, 0 } };
    int entries = 0;
    while (!folders.isEmpty() && !root.isEmpty()) {
        const QPair<QString, int> folder = folders.takeLast();
        const QDir dir(folder.first);
        const QFileInfoList list = dir.entryInfoList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
        for (const QFileInfo &entry : list) {
            if (++entries > maxEntries) {
                ++check.skippedEntries;
                continue;
            }
            // Links are never followed: they may loop or lead out of the folder.
            if (entry.isSymLink())
                continue;
            if (entry.isDir()) {
                // A junction that is not taken for a link still resolves elsewhere.
                const QString canonical = entry.canonicalFilePath();
                if (folder.second + 1 > maxDepth || !canonical.startsWith(root + QLatin1Char('/'))
                    || visited.contains(canonical)) {
                    ++check.skippedEntries;
                    continue;
                }
                visited.insert(canonical);
                folders.append({ canonical, folder.second + 1 });
                continue;
            }
            const QString name = entry.fileName();
            if (folder.second == 0 && name.startsWith(QLatin1String("vc_redist."), Qt::CaseInsensitive)
                && name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
                check.vcRedistInstallers << name;
            if (!isProgramFile(name))
                continue;
            const QString relative =
                    QDir::toNativeSeparators(QDir(root).relativeFilePath(entry.filePath()));
            const PeImage image = readPeImage(entry.filePath());
            if (!image.isValid()) {
                if (check.unreadableFiles++ == 0)
                    check.firstUnreadable = relative;
                continue;
            }
            ++check.checkedFiles;
            if (folder.second == 0) {
                inFolder.insert(name.toLower(), image.bits);
                byName.names.insert(name.toLower(), name);
                byName.userImportsNetwork = byName.userImportsNetwork || importsNetwork(name, image);
            }
            files.append({ relative, image });
        }
    }
    Resolver(check, inFolder, places).resolve(files);
    if (root.isEmpty())
        return check;
    byName.appDir = check.appDir;
    byName.bits = check.bits;
    byName.kitDir = kitDir;
    byName.places = places;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &variable :
         { QStringLiteral("ProgramFiles"), QStringLiteral("ProgramFiles(x86)") }) {
        if (!environment.value(variable).isEmpty())
            byName.programFiles << QDir::fromNativeSeparators(environment.value(variable));
    }
    check.loadedByName = checkLoadedByName(byName);
    return check;
}

QVector<CheckLine> checkReport(const DeployCheck &check)
{
    QVector<CheckLine> lines;
    QStringList mingw;
    QStringList msvc;
    bool mingwFound = false;
    bool needed = false;
    for (const MissingDll &dll : check.missing) {
        if (dll.onDemand)
            continue;
        needed = true;
        if (isMinGWRuntime(dll.name)) {
            mingw << dll.name;
            mingwFound = mingwFound || !dll.foundIn.isEmpty();
        }
        if (isMsvcRuntime(dll.name)) {
            msvc << dll.name;
            // The redistributable's installer puts these in System32 on the target machine.
            if (!check.vcRedistInstallers.isEmpty())
                continue;
        }
        QString text =
                QStringLiteral("Missing: %1, imported by %2").arg(dll.name, listed(dll.importers));
        if (dll.bitsInFolder != 0)
            text += QStringLiteral(" (the one in the folder is %1-bit, the program %2-bit)")
                            .arg(dll.bitsInFolder)
                            .arg(check.bits);
        lines.append({ text + QStringLiteral("; ") + whereOnThisMachine(dll) + QLatin1Char('.'), true });
    }
    if (!needed)
        lines.prepend(
                { check.missing.isEmpty()
                          ? QStringLiteral("Checked %1 files: every DLL they import is in the "
                                           "folder or part of Windows.")
                                    .arg(check.checkedFiles)
                          : QStringLiteral("Checked %1 files: every DLL they need at start-up "
                                           "is in the folder or part of Windows.")
                                    .arg(check.checkedFiles),
                  false });
    if (!mingw.isEmpty() && check.runtimeLeftOut)
        lines.append(
                { QStringLiteral("The MinGW runtime (%1) is not in the folder: untick "
                                 "NO-Runtime and run again, so that the tool deploys it beside "
                                 "the program.")
                          .arg(mingw.join(QStringLiteral(", "))),
                  true });
    if (!mingw.isEmpty() && !check.runtimeLeftOut)
        lines.append({ QStringLiteral("The MinGW runtime (%1) is not in the folder: the tool could "
                                      "not find MinGW (no g++.exe on PATH, and no MinGW beside the "
                                      "kit whose runtime is the kit's). %2")
                               .arg(mingw.join(QStringLiteral(", ")),
                                    mingwFound ? QStringLiteral("The copy action puts the runtime "
                                                                "found on this machine into the "
                                                                "folder.")
                                               : QStringLiteral("It is nowhere on this machine "
                                                                "either: put MinGW's bin folder on "
                                                                "PATH and run again.")),
                       true });
    if (!msvc.isEmpty() && check.vcRedistInstallers.isEmpty())
        lines.append({ QStringLiteral("The MSVC runtime (%1) is not in the folder: install the "
                                      "Visual C++ redistributable on the target machine, or copy "
                                      "the DLLs beside the program.")
                               .arg(msvc.join(QStringLiteral(", "))),
                       true });
    if (!msvc.isEmpty() && !check.vcRedistInstallers.isEmpty())
        lines.append({ QStringLiteral("The MSVC runtime (%1) comes with the redistributable's "
                                      "installer in the folder (%2): run it on the target machine, "
                                      "or copy the DLLs beside the program.")
                               .arg(msvc.join(QStringLiteral(", ")),
                                    check.vcRedistInstallers.join(QStringLiteral(", "))),
                       true });
    for (const ByNameFinding &finding : check.loadedByName)
        lines.append({ finding.text, finding.warning });
    for (const MissingDll &dll : check.missing) {
        if (dll.onDemand)
            lines.append({ QStringLiteral("Loaded on demand: %1, by %2, is neither in the folder "
                                          "nor part of Windows (%3); the program needs it only "
                                          "when it uses it.")
                                   .arg(dll.name, listed(dll.importers), whereOnThisMachine(dll)),
                           false });
    }
    QStringList leftOut;
    if (check.unreadableFiles == 1)
        leftOut << QStringLiteral(
                           "1 file named .dll or .exe that is not a readable Windows program "
                           "(%1)")
                           .arg(check.firstUnreadable);
    else if (check.unreadableFiles > 1)
        leftOut << QStringLiteral("%1 files named .dll or .exe that are not readable Windows "
                                  "programs (%2 among them)")
                           .arg(check.unreadableFiles)
                           .arg(check.firstUnreadable);
    if (check.skippedEntries > 0)
        leftOut << QStringLiteral("%1 beyond its bounds (%2 entries, %3 folders deep) or leading "
                                  "out of the folder")
                           .arg(check.skippedEntries == 1
                                        ? QStringLiteral("1 entry")
                                        : QStringLiteral("%1 entries").arg(check.skippedEntries))
                           .arg(maxEntries)
                           .arg(maxDepth);
    if (!leftOut.isEmpty())
        lines.append(
                { QStringLiteral("Left out of the check: %1.").arg(leftOut.join(QStringLiteral(" and "))),
                  false });
    return lines;
}

namespace {

// Copies `from` to `to`, a path inside the folder, making its folder;
// never replaces a file.
CheckLine copyInto(const QString &from, const QString &to, const QString &appDir)
{
    const QString name = QDir::toNativeSeparators(QDir(appDir).relativeFilePath(to));
    const QString source = QDir::toNativeSeparators(QFileInfo(from).absolutePath());
    const QFileInfo target(to);
    if (target.exists() || target.isSymLink())
        return { QStringLiteral("Not copied: %1, because the folder already holds a file of that "
                                "name; remove it first.")
                         .arg(name),
                 true };
    QFile file(from);
    if (QDir().mkpath(target.absolutePath()) && file.copy(to))
        return { QStringLiteral("Copied %1 from %2.").arg(name, source), false };
    return { QStringLiteral("Not copied: %1 from %2: %3.").arg(name, source, file.errorString()), true };
}

} // namespace

QVector<CheckLine> copyMissing(const DeployCheck &check)
{
    QVector<CheckLine> lines;
    for (const MissingDll &dll : check.missing) {
        if (dll.foundIn.isEmpty()) {
            if (!dll.onDemand)
                lines.append(
                        { QStringLiteral("Not copied: %1, which is nowhere on this machine.").arg(dll.name),
                          true });
            continue;
        }
        const QString from = dll.foundIn + QLatin1Char('/') + dll.name;
        const QString to = check.appDir + QLatin1Char('/') + dll.name;
        const QFileInfo target(to);
        if (!isPlainFileName(dll.name)) {
            lines.append({ QStringLiteral("Not copied: %1, which is no plain file name.").arg(dll.name),
                           true });
        } else if (target.exists() || target.isSymLink()) {
            lines.append({ QStringLiteral("Not copied: %1, because the folder already holds a file "
                                          "of that name; remove it first.")
                                   .arg(dll.name),
                           true });
        } else {
            QFile source(from);
            if (source.copy(to))
                lines.append({ QStringLiteral("Copied %1 from %2.")
                                       .arg(dll.name, QDir::toNativeSeparators(dll.foundIn)),
                               false });
            else
                lines.append({ QStringLiteral("Not copied: %1 from %2: %3.")
                                       .arg(dll.name, QDir::toNativeSeparators(dll.foundIn),
                                            source.errorString()),
                               true });
        }
    }
    for (const ByNameFinding &finding : check.loadedByName) {
        for (const QPair<QString, QString> &copy : finding.copies)
            lines.append(copyInto(copy.first, copy.second, check.appDir));
    }
    return lines;
}
