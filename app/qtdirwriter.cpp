#include "qtdirwriter.h"

#include "initext.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The folder as start-up reads it back. Backslashes are written as the
// forward slashes they are read as. A ';' would start a comment and spaces at
// the ends would be trimmed, so such a value is quoted. Commas stay as they
// are: start-up takes a value with commas as the text written. A folder with a
// double quote (no Windows folder has one) or a control character (a line
// break, say, which would break the file's lines) cannot be written back.
bool iniValue(const QString &qtDir, QByteArray *value)
{
    QByteArray text = qtDir.toUtf8();
    text.replace('\\', '/');
    bool needsQuotes = text.isEmpty() ? false : isBlank(text.front()) || isBlank(text.back());
    for (const char c : text) {
        if (uchar(c) < 0x20 || c == 0x7f || c == '"')
            return false;
        needsQuotes = needsQuotes || c == ';';
    }
    *value = needsQuotes ? '"' + text + '"' : text;
    return true;
}

// Puts the value into the file's text. Of several PATH keys the last counts,
// so that is the one changed.
void putQtDir(QByteArray &content, const QByteArray &value)
{
    const QByteArray byteOrderMark("\xef\xbb\xbf");
    const QByteArray lineEnd = content.contains("\r\n") || !content.contains('\n')
            ? QByteArray("\r\n")
            : QByteArray("\n");
    const QtDirEntry found = findQtDirEntry(content);
    const int headerEnd = found.headerEnd;
    if (!found.key.isEmpty()) {
        content.replace(found.valueStart, found.valueEnd - found.valueStart, value);
    } else if (headerEnd >= 0 && headerEnd < content.size()) {
        content.insert(headerEnd + 1, "PATH=" + value + lineEnd);
    } else if (headerEnd >= 0) {
        content += lineEnd + "PATH=" + value + lineEnd;
    } else {
        if (!content.isEmpty() && content != byteOrderMark) {
            if (!content.endsWith('\n'))
                content += lineEnd;
            content += lineEnd;
        }
        content += "[QTDIR]" + lineEnd + "PATH=" + value + lineEnd;
    }
}

} // namespace

QString configurationFile()
{
    return QStringLiteral("./conf/conf.ini");
}

bool writeQtDir(const QString &iniPath, const QString &qtDir)
{
    QByteArray value;
    if (!iniValue(qtDir, &value))
        return false;

    QFile existing(iniPath);
    QByteArray content;
    if (existing.exists()) {
        // The file is replaced as a whole, which a read-only file must not be.
        if (!QFileInfo(iniPath).isWritable() || !existing.open(QIODevice::ReadOnly))
            return false;
        content = existing.readAll();
        existing.close();
    }
    putQtDir(content, value);

    // Written whole or not at all: a half-written file would lose the rest of
    // what the user keeps in it.
    if (!QDir().mkpath(QFileInfo(iniPath).path()))
        return false;
    QSaveFile file(iniPath);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

IniKitStore::IniKitStore(const QString &iniPath) : iniPath(iniPath) { }

bool IniKitStore::save(const QString &qtDir)
{
    return writeQtDir(iniPath, qtDir);
}

QString IniKitStore::location() const
{
    return QFileInfo(iniPath).absoluteFilePath();
}
