#ifndef COMPILER_H
#define COMPILER_H

#include <QString>
#include <QStringList>

// The compiler a Windows program or DLL was built with, as far as its imports
// show it; a program and the Qt DLLs deployed with it must agree on it.
enum class Compiler { Unknown, MinGW, Msvc };

// From the DLLs a program imports: MinGW's C++ runtime (libstdc++, libgcc_s,
// winpthread) or MSVC's (vcruntime, msvcp). Unknown when it shows neither or
// both: a static build, one that imports the Universal CRT alone (MinGW's UCRT
// builds do too), another C++ library.
Compiler compilerOf(const QStringList &imports);

// "MinGW" or "MSVC"; empty for Unknown.
QString compilerName(Compiler compiler);

#endif // COMPILER_H
