#ifndef LEFTOUT_H
#define LEFTOUT_H

#include <QString>

// What of a deployed folder belongs to the build and not to the application,
// and so stays out of its zip.
enum class LeftOutKind {
    None,
    Build, // the build systems' files and folders, objects and libraries, generated sources
    Debugger, // linker and debugger files
};

struct LeftOutRule
{
    const char *pattern; // a file or folder name, '*' standing for any text; no case
    bool folder; // the rule names a folder, and all it holds
    LeftOutKind kind;
};

// The rules, in the order the report names them.
const LeftOutRule *leftOutRules(int *count);

// The rule that leaves out the file or folder named `name`, or null.
const LeftOutRule *leftOutRule(const QString &name, bool folder);

#endif // LEFTOUT_H
