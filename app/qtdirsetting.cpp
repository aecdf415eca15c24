#include "qtdirsetting.h"

#include <QFile>
#include <QSettings>
#include <QStringList>

namespace {
const char qtDirKey[] = "/QTDIR/PATH";

// The text after "PATH=" in the [QTDIR] section of an INI file, as written
// there, or a null string when there is no such line. Windows reads INI keys
// regardless of case, so this does too.
QString writtenQtDir(const QString &iniPath)
{
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QString found;
    bool inSection = false;
    QString content = QString::fromUtf8(file.readAll());
    if (content.startsWith(QChar(0xfeff))) // a byte-order mark
        content.remove(0, 1);
    const QStringList lines = content.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.startsWith(QLatin1Char('['))) {
            inSection = text.compare(QLatin1String("[QTDIR]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const int equals = text.indexOf(QLatin1Char('='));
        if (inSection && equals > 0
            && text.left(equals).trimmed().compare(QLatin1String("PATH"), Qt::CaseInsensitive) == 0)
            found = text.mid(equals + 1).trimmed();
    }
    return found;
}

// A folder as a Windows user writes it: single backslashes, or doubled ones
// as the INI syntax wants, forward slashes or a mix, in quotes or not. The
// store reads "\t", "\q" and the like as escapes, which turns such a folder
// into another, so the written text is read here instead, with the store's
// quotes and comments: backslashes count in pairs when every one of them has
// its pair (a network folder's leading "\\" with single ones after it stays
// itself), and each becomes "/".
QString folderWrittenWithBackslashes(const QString &text)
{
    QString folder;
    int kept = 0; // up to the last character that is not unquoted white space
    bool quoted = false;
    bool allPaired = true;
    int run = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            continue;
        }
        if (c == QLatin1Char(';') && !quoted)
            break;
        folder += c;
        if (quoted || !c.isSpace())
            kept = folder.size();
        if (c == QLatin1Char('\\')) {
            ++run;
            continue;
        }
        allPaired = allPaired && run % 2 == 0;
        run = 0;
    }
    folder.truncate(kept);
    if (allPaired && run % 2 == 0)
        folder.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    return folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
}
} // namespace

QString defaultQtDir()
{
    return QStringLiteral("C:/Qt/Qt5.12.0/5.12.0/msvc2015_64");
}

QString qtDirFromSettings(QSettings &settings)
{
    // A hand-edited file holds its folder names in UTF-8, not Latin-1 (Qt 6
    // reads INI files as UTF-8 anyway).
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings.setIniCodec("UTF-8");
#endif
    const QVariant value = settings.value(QLatin1String(qtDirKey), QVariant());
    const bool present = settings.contains(QLatin1String(qtDirKey));
    const bool isString = value.userType() == QMetaType::QString;
    QString qtDir = value.toString();
    if (present) {
        // A folder with backslashes, and one that the store reads as a list
        // (a comma is legal in a folder name) or as another type (such as
        // "@Invalid()"), is the text the user wrote.
        const QString written = writtenQtDir(settings.fileName());
        if (written.contains(QLatin1Char('\\')))
            qtDir = folderWrittenWithBackslashes(written);
        else if (qtDir.isEmpty() && !isString)
            qtDir = written;
    }
    if (qtDir.isEmpty()) {
        // Only a missing or empty value is replaced: anything else the user
        // wrote stays in the file, even when it cannot be read here.
        if (!present || isString)
            settings.setValue(QLatin1String(qtDirKey), defaultQtDir());
        return defaultQtDir();
    }
    return qtDir;
}
