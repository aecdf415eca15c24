#include "kitchoice.h"

#include "kitpaths.h"
#include "programcheck.h"

#include <QDir>
#include <QFileInfo>

KitChoice chooseKit(const QString &configured, const FoundKits &foundKits, const QString &programPath)
{
    KitChoice choice;
    if (holdsDeployTool(configured)) {
        choice.dir = configured;
        return choice;
    }
    if (programPath.isEmpty())
        return choice;
    const KitNeeds needs = kitNeedsOf(programPath);
    choice.dir = bestFittingKit(needs, foundKits.list());
    if (choice.dir.isEmpty()) {
        choice.needed = kitDescription(needs);
        return choice;
    }
    const QString why = QFileInfo::exists(configured)
            ? QStringLiteral("has no %1").arg(QDir::toNativeSeparators(QStringLiteral("bin/windeployqt.exe")))
            : QStringLiteral("does not exist");
    choice.note = QStringLiteral("Using %1: the configured %2 %3.")
                          .arg(QDir::toNativeSeparators(choice.dir),
                               QDir::toNativeSeparators(configured), why);
    return choice;
}
