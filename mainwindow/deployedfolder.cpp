#include "deployedfolder.h"

#include "deploycheck/trial.h"
#include "folderzip.h"
#include "reportpane.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProcessEnvironment>
#include <QUrl>

namespace {
const QString copyLink = QStringLiteral("trevalo:copy-missing");
const QString tryLink = QStringLiteral("trevalo:try-it");
} // namespace

DeployedFolder::DeployedFolder(ReportPane *report, QMenu *menu, QWidget *window)
    : QObject(window), report(report), trial(new Trial(this))
{
    copyAction = menu->addAction(tr("复制缺少的 DLL"), this, &DeployedFolder::copyMissingDlls);
    copyAction->setToolTip(tr("Copy the DLLs, plugins and OpenSSL the check found missing into the "
                              "application folder, from where they are on this machine"));
    tryAction = menu->addAction(tr("试运行部署的程序"), this, &DeployedFolder::tryProgram);
    tryAction->setToolTip(tr("Start the deployed program as a clean machine would, watch it for 5 "
                             "seconds, then close it"));
    connect(trial, &Trial::finished, this, &DeployedFolder::showTrialEnd);
    zip = new FolderZip(report, menu, window, this);
    // Run waits for the zip as for a trial.
    connect(zip, &FolderZip::busyStarted, this, &DeployedFolder::trialStarted);
    connect(zip, &FolderZip::busyEnded, this, &DeployedFolder::trialEnded);
    connect(zip, &FolderZip::reported, this, &DeployedFolder::reported);
    clear();
}

void DeployedFolder::clear()
{
    last = DeployCheck();
    copyAction->setEnabled(false);
    tryAction->setEnabled(false);
    zip->clear();
}

QVector<CheckLine> DeployedFolder::check(const QString &programPath, const QString &kitDir,
                                         bool runtimeLeftOut)
{
    program = programPath;
    kit = kitDir;
    runtimeTicked = runtimeLeftOut;
    const QStringList places = placesToLook(QProcessEnvironment::systemEnvironment(), kit);
    last = checkDeployment(program, places, kit);
    last.runtimeLeftOut = runtimeLeftOut;
    if (last.bits == 0)
        return {};
    zip->offer(program, last.neededMissing(), places, kit);
    copyAction->setEnabled(last.canCopy());
    tryAction->setEnabled(!trial->isRunning());
    return checkReport(last);
}

void DeployedFolder::appendLinks()
{
    if (copyAction->isEnabled())
        report->appendLink(tr("Copy the missing DLLs found on this machine into the folder"), copyLink);
    if (tryAction->isEnabled())
        report->appendLink(tr("Try it as a clean machine would start it"), tryLink);
    zip->appendLinks();
}

void DeployedFolder::followLink(const QUrl &link)
{
    if (link == QUrl(copyLink))
        copyAction->trigger();
    else if (link == QUrl(tryLink))
        tryAction->trigger();
    else
        zip->followLink(link);
}

bool DeployedFolder::isTrying() const
{
    return trial->isRunning() || zip->isBusy();
}

void DeployedFolder::copyMissingDlls()
{
    report->appendParagraph(QString());
    report->appendLines(copyMissing(last));
    report->appendLines(check(program, kit, runtimeTicked));
    appendLinks();
    emit reported();
}

void DeployedFolder::tryProgram()
{
    report->appendParagraph(QString());
    // The folder may have changed since it was checked: the trial names
    // what is missing now.
    check(program, kit, runtimeTicked);
    if (trial->start(program, last.neededMissing())) {
        tryAction->setEnabled(false);
        report->appendParagraph(
                tr("Trying %1 as a clean machine would start it…").arg(QFileInfo(program).fileName()));
        emit trialStarted();
    } else {
        report->appendParagraph(
                tr("Cannot try %1: it no longer exists.").arg(QDir::toNativeSeparators(program)),
                ReportPane::failureColor());
    }
    emit reported();
}

void DeployedFolder::showTrialEnd(bool started, const QStringList &lines)
{
    for (const QString &line : lines)
        report->appendParagraph(line, started ? QColor() : ReportPane::warningColor());
    tryAction->setEnabled(true);
    // What the check finds missing now, and what can be done about it.
    if (!started) {
        for (const CheckLine &line : checkReport(last)) {
            if (line.warning)
                report->appendLines({ line });
        }
        appendLinks();
    }
    emit trialEnded();
    emit reported();
}
