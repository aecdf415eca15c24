#include "qtdirsetting.h"

#include "initext.h"

#include <QFile>
#include <QSettings>

#include <utility>

namespace {

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder as a Windows user writes it: single backslashes, or doubled ones
// as the INI syntax wants, forward slashes or a mix, in quotes or not. The
// store reads "\t", "\q" and the like as escapes, which turns such a folder
// into another, so the written text is read here instead: backslashes count
// in pairs when every one of them has its pair (a network folder's leading
// "\\" with single ones after it stays itself), and each becomes "/".
QString folderWrittenWithBackslashes(const QString &written)
{
    QString text = written;
    text.remove(QLatin1Char('"'));
    bool allPaired = true;
    int run = 0;
    for (const QChar c : std::as_const(text)) {
        if (c == QLatin1Char('\\')) {
            ++run;
            continue;
        }
        allPaired = allPaired && run % 2 == 0;
        run = 0;
    }
    if (allPaired && run % 2 == 0)
        text.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    return text.replace(QLatin1Char('\\'), QLatin1Char('/'));
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
    const QByteArray content = fileContent(settings.fileName());
    const QtDirEntry entry = findQtDirEntry(content);
    // The store matches names in their letter case on some platforms: it is
    // asked for them as the file writes them, so that it finds the same key
    // everywhere, and a default goes into the section that is there.
    const QByteArray section = entry.section.isEmpty() ? QByteArray("QTDIR") : entry.section;
    const QByteArray name = entry.key.isEmpty() ? QByteArray("PATH") : entry.key;
    const QString key = QString::fromLatin1(section + '/' + name);
    const QVariant value = settings.value(key, QVariant());
    const bool present = settings.contains(key);
    const bool isString = value.userType() == QMetaType::QString;
    QString qtDir = value.toString();
    if (present) {
        // A folder with backslashes, and one that the store reads as a list
        // (a comma is legal in a folder name) or as another type (such as
        // "@Invalid()"), is the text the user wrote.
        const QString written = QString::fromUtf8(entry.value(content));
        if (written.contains(QLatin1Char('\\')))
            qtDir = folderWrittenWithBackslashes(written);
        else if (qtDir.isEmpty() && !isString)
            qtDir = written;
    }
    if (qtDir.isEmpty()) {
        // Only a missing or empty value is replaced: anything else the user
        // wrote stays in the file, even when it cannot be read here.
        if (!present || isString)
            settings.setValue(key, defaultQtDir());
        return defaultQtDir();
    }
    return qtDir;
}
