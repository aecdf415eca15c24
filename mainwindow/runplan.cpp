#include "runplan.h"

#include "kit/kitpaths.h"
#include "kit/programcheck.h"
#include "kit/qtkit.h"

namespace {

// After a successful run with NO-Runtime ticked: a MinGW kit's program needs
// the runtime DLLs that were left out wherever it runs.
QString runtimeLeftOutNote(const QtKit &kit, const QString &appPath)
{
    const QStringList dlls = kit.runtimeDlls();
    if (dlls.isEmpty())
        return QString();
    return QStringLiteral(
                   "Note: NO-Runtime left out the MinGW runtime (%1): %2 needs these DLLs wherever "
                   "it runs. Untick NO-Runtime to deploy them.")
            .arg(dlls.join(QStringLiteral(", ")), splitAppPath(appPath).file);
}

} // namespace

RunPlan planRun(const QString &toolPath, const QString &appPath, const DeployOptions &ticked,
                const QProcessEnvironment &environment)
{
    const QtKit kit(kitDirOf(toolPath));
    RunPlan plan;
    plan.options = ticked;
    // Qt 6's tool has no --no-webkit2 and stops at any option it does not know.
    plan.options.noWebKit = ticked.noWebKit && kit.majorVersion() < 6;

    // A program that cannot work with this kit is not handed to the tool,
    // which would fail without saying what to change, or succeed uselessly.
    plan.problem = deploymentProblem(appPath, kit, ticked.release);
    if (!plan.problem.isEmpty())
        return plan;

    if (ticked.noCompilerRuntime)
        plan.note = runtimeLeftOutNote(kit, appPath);
    else
        plan.environment = toolEnvironment(kit, environment);
    return plan;
}
