#ifndef QTDIRWRITER_H
#define QTDIRWRITER_H

#include <QString>

// The configuration file, relative to the working directory: start-up reads
// it there, and a kit chosen in the window is saved there.
QString configurationFile();

// Sets PATH of the [QTDIR] section in an INI file to a Qt kit folder by
// editing the file's text, so that every other byte stays as it was:
// comments, other sections and keys, line ends, a byte-order mark. A missing
// folder, file, section or key is added. Returns false when the file cannot
// be written, or the folder cannot be written into it; the file is then
// unchanged.
bool writeQtDir(const QString &iniPath, const QString &qtDir);

#endif // QTDIRWRITER_H
