#ifndef DEPLOYEDFOLDER_H
#define DEPLOYEDFOLDER_H

#include "deploycheck/deploycheck.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class FolderZip;
class QAction;
class QMenu;
class QUrl;
class QWidget;
class ReportPane;
class Trial;

// What the window does with the folder a run deployed: checks it, copies in
// what it lacks, tries the program as a clean machine would and zips it to
// ship, on the user's word only (a link in the report, or an entry of the menu it is
// given). It writes what comes of it into the report.
class DeployedFolder : public QObject
{
    Q_OBJECT

public:
    // Its dialogs open over `window`.
    DeployedFolder(ReportPane *report, QMenu *menu, QWidget *window);

    // A new run: nothing checked, nothing to copy or try.
    void clear();
    // Checks the folder of `programPath`, deployed with the kit at `kitDir`
    // (`runtimeLeftOut`: with NO-Runtime ticked), and gives the report's
    // lines. A program that cannot be read as a Windows program has nothing
    // to check, nor to try.
    QVector<CheckLine> check(const QString &programPath, const QString &kitDir,
                             bool runtimeLeftOut = false);
    // Links in the report to what can be done now.
    void appendLinks();
    void followLink(const QUrl &link);
    // Trying the program or the zip, or zipping.
    bool isTrying() const;

signals:
    void trialStarted();
    void trialEnded();
    // Lines were added below the report's end.
    void reported();

private:
    void copyMissingDlls();
    void tryProgram();
    void showTrialEnd(bool started, const QStringList &lines);

    ReportPane *report;
    QAction *copyAction;
    QAction *tryAction;
    Trial *trial;
    FolderZip *zip;
    DeployCheck last;
    QString program;
    QString kit;
    bool runtimeTicked = false;
};

#endif // DEPLOYEDFOLDER_H
