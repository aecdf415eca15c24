#ifndef QTDIRWRITER_H
#define QTDIRWRITER_H

#include "kit/kitstore.h"

#include <QString>

// The configuration file, relative to the working directory: start-up reads
// it there, and a kit chosen in the window is saved there.
QString configurationFile();

// Sets PATH of the [QTDIR] section in an INI file to a Qt kit folder by
// editing the file's text, where start-up reads it (names in any letter case,
// a comment after the value kept), so that every other byte stays as it was:
// comments, other sections and keys, line ends, a byte-order mark. A missing
// folder, file, section or key is added. Returns false when the file cannot
// be written, or the folder cannot be written into it; the file is then
// unchanged.
bool writeQtDir(const QString &iniPath, const QString &qtDir);

// Saves a chosen kit with writeQtDir(). A relative path is resolved against
// the working directory of the moment, as start-up resolves it.
class IniKitStore : public KitStore
{
public:
    explicit IniKitStore(const QString &iniPath);

    bool save(const QString &qtDir) override;
    QString location() const override;

private:
    QString iniPath;
};

#endif // QTDIRWRITER_H
