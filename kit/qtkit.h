#ifndef QTKIT_H
#define QTKIT_H

#include "compiler.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVersionNumber>

// A Qt kit folder as Trevalo sees it before running its deployment tool.
class QtKit
{
public:
    explicit QtKit(const QString &dir);

    QString dir() const;
    // 5 or 6, from bin/Qt5Core.dll or bin/Qt6Core.dll; 0 when it has neither.
    int majorVersion() const;
    // 32 or 64, read from its Qt Core DLL; 0 when that cannot be read.
    int bits() const;
    // The compiler its Qt Core DLL was built with.
    Compiler compiler() const;
    // From its version folder, as Qt's installer lays kits out
    // (<root>/6.4.2/mingw_64); elsewhere from the QT_VERSION line of its
    // mkspecs/qconfig.pri; null when neither tells it.
    QVersionNumber version() const;
    // A MinGW kit carries the MinGW runtime in its bin folder; these are the
    // names of the runtime DLLs there, empty for any other kit.
    QStringList runtimeDlls() const;
    bool isMinGW() const;

    // The bin folder of a MinGW laid out as Qt's installer does
    // (<root>/Tools/*/bin for a kit at <root>/<version>/<kit>) that holds
    // g++.exe and runtime DLLs byte for byte the kit's own; empty if none does.
    QString findMinGWBin() const;

private:
    QString corePath() const;

    QString folder;
    int major = 0;
    int coreBits = 0;
    Compiler coreCompiler = Compiler::Unknown;
    QStringList runtime;
};

// The environment to start the kit's tool in: for a MinGW kit, when no g++.exe
// is on the PATH of `environment` (Trevalo started from Explorer), the kit's
// MinGW bin folder in front of it, so that the tool finds the runtime to
// deploy. Empty, meaning the tool inherits Trevalo's own, in every other case.
QProcessEnvironment toolEnvironment(const QtKit &kit, const QProcessEnvironment &environment);

#endif // QTKIT_H
