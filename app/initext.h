#ifndef INITEXT_H
#define INITEXT_H

#include <QByteArray>

// Where the bytes of an INI file hold the Qt kit folder: the last PATH key of
// a [QTDIR] section. Section and key names match regardless of case on every
// platform, as Windows reads them. The reader and the writer of the
// configuration file both go by this, so that they agree on what is there.
struct QtDirEntry
{
    // The names as written ("QTDIR", "qtdir", "PATH", "Path"...). The section
    // is the one that holds the key, else the last [QTDIR] one; empty: none.
    QByteArray section;
    QByteArray key;
    // Where that section's header line ends: at its '\n' or the end of the bytes.
    int headerEnd = -1;
    // The value as written, quotes and backslashes kept, without the blanks
    // around it and without a comment: a ';' outside quotes starts one. A
    // backslash is a folder's separator, never an escape, so "\;" ends the
    // value too.
    int valueStart = -1;
    int valueEnd = -1;

    QByteArray value(const QByteArray &content) const;
};

QtDirEntry findQtDirEntry(const QByteArray &content);

#endif // INITEXT_H
