#ifndef PROGRAMCHECK_H
#define PROGRAMCHECK_H

#include "compiler.h"
#include "kitlist.h"

#include <QString>
#include <QStringList>

class QtKit;

// What a Windows program asks of the kit that deploys it, as far as it shows:
// all 0 and Unknown for a file that is not a readable Windows program or
// imports no Qt module.
struct KitNeeds
{
    int major = 0; // the Qt major version of the modules it imports
    int bits = 0;
    Compiler compiler = Compiler::Unknown;
};

KitNeeds kitNeedsOf(const QString &programPath);

// Whether `kit` shows that it can deploy such a program: the same Qt major
// version and bitness, and no other compiler. Any kit fits a program that
// shows no needs.
bool fits(const KitNeeds &needs, const QtKit &kit);

// Of the kit folders `kits`, the one that fits, the newest version first and
// among equal versions the first listed; empty when none fits.
QString bestFittingKit(const KitNeeds &needs, const QStringList &kits);

// "a 64-bit MinGW Qt 5 kit", leaving out what the program does not show;
// empty when it shows no needs.
QString kitDescription(const KitNeeds &needs);

// Why the program at `programPath` cannot be deployed with `kit` as asked
// (`release`: Release ticked), in a sentence that says what to change; empty
// when the tool may run. Only clear mismatches count: a file that is not a
// readable Windows program, imports no Qt module, or a kit whose Qt Core
// cannot be read is left to the tool's own judgement. A mismatch names the
// kit of `foundKits` that fits best, if any does.
QString deploymentProblem(const QString &programPath, const QtKit &kit, bool release,
                          const FoundKits &foundKits = QStringList());

#endif // PROGRAMCHECK_H
