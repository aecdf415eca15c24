#include "leftout.h"

#include <QRegularExpression>
#include <QVector>

namespace {

// The whole table, also in docs/shipping.md.
const LeftOutRule rules[] = {
    // CMake
    { "CMakeFiles", true, LeftOutKind::Build },
    { "*_autogen", true, LeftOutKind::Build },
    { ".cmake", true, LeftOutKind::Build },
    { "CMakeCache.txt", false, LeftOutKind::Build },
    { "*.cmake", false, LeftOutKind::Build },
    { "compile_commands.json", false, LeftOutKind::Build },
    // Ninja
    { "build.ninja", false, LeftOutKind::Build },
    { "*.ninja", false, LeftOutKind::Build },
    { ".ninja_deps", false, LeftOutKind::Build },
    { ".ninja_log", false, LeftOutKind::Build },
    // qmake and make
    { "Makefile", false, LeftOutKind::Build },
    { "Makefile.*", false, LeftOutKind::Build },
    { ".qmake.stash", false, LeftOutKind::Build },
    { ".qmake.cache", false, LeftOutKind::Build },
    { "object_script.*", false, LeftOutKind::Build },
    // MSBuild and Visual Studio
    { ".vs", true, LeftOutKind::Build },
    { "*.dir", true, LeftOutKind::Build },
    { "*.tlog", true, LeftOutKind::Build },
    { "*.sln", false, LeftOutKind::Build },
    { "*.vcxproj", false, LeftOutKind::Build },
    { "*.vcxproj.*", false, LeftOutKind::Build },
    { "*.lastbuildstate", false, LeftOutKind::Build },
    // Qt Creator
    { ".qtc_clangd", true, LeftOutKind::Build },
    { "*.user", false, LeftOutKind::Build },
    { "*.user.*", false, LeftOutKind::Build },
    // Object files, static and import libraries
    { "*.o", false, LeftOutKind::Build },
    { "*.obj", false, LeftOutKind::Build },
    { "*.a", false, LeftOutKind::Build },
    { "*.lib", false, LeftOutKind::Build },
    { "*.exp", false, LeftOutKind::Build },
    // Generated sources
    { "moc_*.cpp", false, LeftOutKind::Build },
    { "moc_*.h", false, LeftOutKind::Build },
    { "qrc_*.cpp", false, LeftOutKind::Build },
    { "ui_*.h", false, LeftOutKind::Build },
    { "*.moc", false, LeftOutKind::Build },
    // Linker and debugger files
    { "*.pdb", false, LeftOutKind::Debugger },
    { "*.ilk", false, LeftOutKind::Debugger },
    { "*.map", false, LeftOutKind::Debugger },
};
const int ruleCount = int(sizeof(rules) / sizeof(rules[0]));

QVector<QRegularExpression> compiled()
{
    QVector<QRegularExpression> expressions;
    for (const LeftOutRule &rule : rules) {
        QString pattern = QRegularExpression::escape(QLatin1String(rule.pattern));
        pattern.replace(QLatin1String("\\*"), QLatin1String(".*"));
        expressions.append(QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$'),
                                              QRegularExpression::CaseInsensitiveOption));
    }
    return expressions;
}

} // namespace

const LeftOutRule *leftOutRules(int *count)
{
    *count = ruleCount;
    return rules;
}

const LeftOutRule *leftOutRule(const QString &name, bool folder)
{
    static const QVector<QRegularExpression> expressions = compiled();
    for (int i = 0; i < ruleCount; ++i) {
        if (rules[i].folder == folder && expressions.at(i).match(name).hasMatch())
            return &rules[i];
    }
    return nullptr;
}
