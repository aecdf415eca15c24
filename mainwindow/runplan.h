#ifndef RUNPLAN_H
#define RUNPLAN_H

#include "deployrequest.h"

#include <QProcessEnvironment>
#include <QString>

// What one run of the deployment tool takes, worked out before it starts.
struct RunPlan
{
    // Why the tool must not run, in a sentence that says what to change;
    // empty when it may.
    QString problem;
    // The ticked options that this kit's tool takes.
    DeployOptions options;
    // The tool's environment; empty: Trevalo's own.
    QProcessEnvironment environment;
    // A line shown above "Sucessed!" when the run succeeds; may be empty.
    QString note;
};

// Plans a run of the tool at `toolPath` on the program at `appPath` with the
// options ticked, Trevalo's own environment being `environment`.
RunPlan planRun(const QString &toolPath, const QString &appPath, const DeployOptions &ticked,
                const QProcessEnvironment &environment);

#endif // RUNPLAN_H
