#include "runplan.h"

#include "deploycheck/qmldirguard.h"
#include "kit/kitchoice.h"
#include "kit/kitpaths.h"
#include "kit/programcheck.h"
#include "kit/qtkit.h"

#include <QFileInfo>

RunPlan planRun(const RunRequest &request)
{
    RunPlan plan;
    // The configured kit when it holds the tool; otherwise the newest kit
    // found that fits the program.
    const KitChoice choice = chooseKit(request.qtDir, request.foundKits, request.appPath);
    plan.kitDir = choice.dir.isEmpty() ? request.qtDir : choice.dir;
    plan.toolPath = deployToolIn(plan.kitDir);
    if (!choice.note.isEmpty())
        plan.notes.append({ choice.note, false });
    if (!choice.needed.isEmpty())
        plan.kitNeeded =
                QStringLiteral("%1 needs %2.").arg(QFileInfo(request.appPath).fileName(), choice.needed);

    const QtKit kit(plan.kitDir);
    plan.options = request.ticked;
    // Qt 6's tool has no --no-webkit2 and stops at any option it does not know.
    plan.options.noWebKit = request.ticked.noWebKit && kit.majorVersion() < 6;

    // A program that cannot work with this kit is not handed to the tool,
    // which would fail without saying what to change, or succeed uselessly.
    plan.problem = deploymentProblem(request.appPath, kit, request.ticked.release, request.foundKits);
    if (!plan.problem.isEmpty())
        return plan;

    if (request.ticked.qml) {
        const QmlDirVerdict verdict = judgeQmlDir(request.qmlDir, plan.kitDir);
        if (verdict.refused) {
            plan.problem = verdict.line;
            return plan;
        }
        if (!verdict.line.isEmpty())
            plan.notes.append({ verdict.line, true });
    }

    if (!request.ticked.noCompilerRuntime)
        plan.environment = toolEnvironment(kit, request.environment);
    return plan;
}
