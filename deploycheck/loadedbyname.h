#ifndef LOADEDBYNAME_H
#define LOADEDBYNAME_H

#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// What Qt loads by name rather than through an import table, checked in an
// application folder: the platform plugin and what TLS needs.
struct ByNameFinding
{
    QString text;
    bool warning = false;
    // Files to copy, from where they are on this machine to where the
    // program looks for them (both absolute, the second in the folder).
    QVector<QPair<QString, QString>> copies;
};

// What the check knows of the deployed folder and this machine.
struct ByNameInput
{
    QString appDir;
    int bits = 0; // the program's; 0: not compared
    QHash<QString, int> inFolder; // DLLs beside the program, by lower-case name: their bitness
    QHash<QString, QString> names; // the same DLLs' names as written
    bool userImportsNetwork = false; // the program or a DLL of the user's imports Qt Network
    QString kitDir;
    QStringList places; // where DLLs may be on this machine
    QStringList programFiles; // %ProgramFiles% and %ProgramFiles(x86)%, where OpenSSL installs
};

// A line for each of what Qt will fail to load: a platform plugin, when Qt
// GUI is in the folder, and OpenSSL or a TLS backend, when Qt Network is.
QVector<ByNameFinding> checkLoadedByName(const ByNameInput &input);

#endif // LOADEDBYNAME_H
