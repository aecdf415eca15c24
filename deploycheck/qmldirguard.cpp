#include "qmldirguard.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Sources lie a few folders deep; a bound keeps a drive root from being walked.
const int maxDepth = 6;
const int maxEntries = 20000;

// The folder as written and, where it exists, with its links resolved.
QString comparable(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
}

// Windows compares paths without regard to case.
bool isSameOrInside(const QString &folder, const QString &parent)
{
    return folder.compare(parent, Qt::CaseInsensitive) == 0
            || folder.startsWith(parent + QLatin1Char('/'), Qt::CaseInsensitive);
}

bool holdsQml(const QString &folder)
{
    QVector<QPair<QString, int>> pending { { folder, 0 } };
    int entries = 0;
    while (!pending.isEmpty()) {
        const QPair<QString, int> current = pending.takeLast();
        const QFileInfoList list =
                QDir(current.first)
                        .entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                       QDir::NoSort);
        for (const QFileInfo &entry : list) {
            if (++entries > maxEntries)
                return false;
            if (entry.isDir()) {
                if (!entry.isSymLink() && current.second < maxDepth)
                    pending.append({ entry.filePath(), current.second + 1 });
            } else if (entry.suffix().compare(QLatin1String("qml"), Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

QmlDirVerdict judgeQmlDir(const QString &qmlDir, const QString &kitDir)
{
    QmlDirVerdict verdict;
    if (qmlDir.trimmed().isEmpty())
        return verdict;
    const QString folder = comparable(QDir::fromNativeSeparators(qmlDir));
    const QString kitQml = comparable(kitDir + QStringLiteral("/qml"));
    if (!kitDir.isEmpty() && isSameOrInside(folder, kitQml)) {
        verdict.refused = true;
        verdict.line = QStringLiteral("%1 is %2 kit's own QML folder: the tool would "
                                      "deploy every QML module of the kit. Choose the folder of "
                                      "the application's QML sources instead.")
                               .arg(QDir::toNativeSeparators(qmlDir),
                                    folder.compare(kitQml, Qt::CaseInsensitive) == 0
                                            ? QStringLiteral("the")
                                            : QStringLiteral("inside the"));
        return verdict;
    }
    if (!holdsQml(folder))
        verdict.line = QStringLiteral("Warning: %1 holds no .qml file (looked %2 folders deep): "
                                      "the tool finds the QML modules the application imports "
                                      "from its .qml files.")
                               .arg(QDir::toNativeSeparators(qmlDir))
                               .arg(maxDepth);
    return verdict;
}
