#include "compiler.h"

#include <QRegularExpression>

Compiler compilerOf(const QStringList &imports)
{
    static const QRegularExpression mingw(
            QStringLiteral("^(libstdc\\+\\+-\\d+|libgcc_s_\\w+-\\d+|libwinpthread-\\d+)\\.dll$"),
            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression msvc(QStringLiteral("^(vcruntime|msvcp)\\d+\\w*\\.dll$"),
                                         QRegularExpression::CaseInsensitiveOption);
    bool isMinGW = false;
    bool isMsvc = false;
    for (const QString &dll : imports) {
        isMinGW = isMinGW || mingw.match(dll).hasMatch();
        isMsvc = isMsvc || msvc.match(dll).hasMatch();
    }
    if (isMinGW == isMsvc)
        return Compiler::Unknown;
    return isMinGW ? Compiler::MinGW : Compiler::Msvc;
}

QString compilerName(Compiler compiler)
{
    switch (compiler) {
    case Compiler::MinGW:
        return QStringLiteral("MinGW");
    case Compiler::Msvc:
        return QStringLiteral("MSVC");
    case Compiler::Unknown:
        break;
    }
    return QString();
}
