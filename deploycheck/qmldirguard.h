#ifndef QMLDIRGUARD_H
#define QMLDIRGUARD_H

#include <QString>

// What to say of the QML folder typed beside QML-Dir before the tool runs.
struct QmlDirVerdict
{
    bool refused = false; // the tool must not run; `line` says why, in red
    QString line; // empty: nothing to say
};

// A folder that is the kit's own qml folder or inside it is refused: the tool
// would deploy every QML module of the kit. A folder with no .qml file in it
// or a few levels below gets a warning. An empty `qmlDir` is never judged.
QmlDirVerdict judgeQmlDir(const QString &qmlDir, const QString &kitDir);

#endif // QMLDIRGUARD_H
