#ifndef PROGRAMCHECK_H
#define PROGRAMCHECK_H

#include <QString>

class QtKit;

// Why the program at `programPath` cannot be deployed with `kit` as asked
// (`release`: Release ticked), in a sentence that says what to change; empty
// when the tool may run. Only clear mismatches count: a file that is not a
// readable Windows program, imports no Qt module, or a kit whose Qt Core
// cannot be read is left to the tool's own judgement.
QString deploymentProblem(const QString &programPath, const QtKit &kit, bool release);

#endif // PROGRAMCHECK_H
