#ifndef WINDOWSDLLS_H
#define WINDOWSDLLS_H

#include <QString>

// Whether a DLL imported by this name is part of every Windows 10 and 11:
// one of System32's own DLLs, or an API set (api-ms-win-*, ext-ms-*). Names
// compare without regard to case.
bool isWindowsDll(const QString &name);

#endif // WINDOWSDLLS_H
