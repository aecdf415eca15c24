#ifndef DEPLOYCHECK_H
#define DEPLOYCHECK_H

#include "loadedbyname.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>

// A DLL that a deployed file imports and that a clean Windows would not find:
// neither in the application folder (with the program's bitness) nor part of
// Windows.
struct MissingDll
{
    QString name; // as the first importer writes it
    QStringList importers; // relative to the application folder, or "x.dll (from <folder>)"
    bool onDemand = false; // only delay-loaded imports name it
    int bitsInFolder = 0; // not 0: the folder holds it, but with this bitness
    QString foundIn; // a folder on this machine holding it with the right bitness
};

struct DeployCheck
{
    QString appDir;
    int bits = 0; // the program's; 0 when it cannot be read, and bitness is not compared
    int checkedFiles = 0;
    int unreadableFiles = 0; // named .dll or .exe but not readable as a program
    int skippedEntries = 0; // past the scan's bounds, or links leading out of the folder
    QString firstUnreadable; // relative path of one of them, for the report
    QStringList vcRedistInstallers; // vc_redist.<arch>.exe in the folder
    QVector<MissingDll> missing;
    QVector<ByNameFinding> loadedByName; // what Qt loads by name and will not find
    // NO-Runtime was ticked for the run that deployed the folder: the advice
    // on a missing MinGW runtime depends on it.
    bool runtimeLeftOut = false;

    // The DLLs missing at start-up, which a trial that fails to start names;
    // on-demand ones and an MSVC runtime whose installer is in the folder
    // are left out.
    QStringList neededMissing() const;
    bool passed() const { return neededMissing().isEmpty(); }
    // Something found missing can be copied in from this machine.
    bool canCopy() const;
};

// One line of the check's report. Lines that warn stand out in the pane.
struct CheckLine
{
    QString text;
    bool warning = false;
};

// Where a DLL missing from the folder may be on this machine, in this order:
// the folders on PATH, the kit's bin, the kit's MinGW bin (if any), System32
// and SysWOW64 under SystemRoot. Bitness is compared per file.
QStringList placesToLook(const QProcessEnvironment &environment, const QString &kitDir);

// Reads every Windows program and DLL in the folder of `programPath` and below,
// and resolves each import as Windows' loader would for that program on a
// clean machine: in the program's folder or among Windows' own DLLs. DLLs found
// in `places` are read too, for what they need in turn. Then checks what Qt
// loads by name (loadedbyname.h), looking for it in `places` and the kit.
DeployCheck checkDeployment(const QString &programPath, const QStringList &places,
                            const QString &kitDir = QString());

// The report: one line when everything resolves, otherwise one per missing DLL
// and the runtime notes; "loaded on demand" lines after them.
QVector<CheckLine> checkReport(const DeployCheck &check);

// Copies each missing DLL found with the right bitness into the application
// folder, and what Qt loads by name where the program looks for it, never
// replacing a file there; one line per file copied or not.
QVector<CheckLine> copyMissing(const DeployCheck &check);

#endif // DEPLOYCHECK_H
