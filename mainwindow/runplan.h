#ifndef RUNPLAN_H
#define RUNPLAN_H

#include "deploycheck/deploycheck.h"
#include "deployrequest.h"
#include "kit/kitlist.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>

// What the user asked for when clicking Run.
struct RunRequest
{
    QString qtDir; // the configured kit
    FoundKits foundKits = QStringList(); // the kits on this machine
    QString appPath;
    QString qmlDir; // the QML field's text
    DeployOptions ticked;
    QProcessEnvironment environment; // Trevalo's own
};

// What one run of the deployment tool takes, worked out before it starts.
struct RunPlan
{
    QString kitDir; // the kit in use
    QString toolPath; // its deployment tool
    // Why the tool must not run, in a sentence that says what to change;
    // empty when it may.
    QString problem;
    // Lines shown above the tool's output: which kit is used and why, a
    // doubtful QML folder.
    QVector<CheckLine> notes;
    // What kind of kit the program needs, said when the tool cannot start.
    QString kitNeeded;
    // The ticked options that this kit's tool takes.
    DeployOptions options;
    // The tool's environment; empty: Trevalo's own.
    QProcessEnvironment environment;
};

RunPlan planRun(const RunRequest &request);

#endif // RUNPLAN_H
