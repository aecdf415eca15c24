#include "runreport.h"

#include "kit/kitpaths.h"

#include <QDir>

namespace {

QString withLongLinesBroken(const QString &text)
{
    QString result;
    result.reserve(text.size() + text.size() / longestShownLine);
    int from = 0;
    while (from < text.size()) {
        int end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        for (int piece = from; piece < end; piece += longestShownLine) {
            if (piece > from)
                result += QLatin1Char('\n');
            result.append(text.constData() + piece, qMin(longestShownLine, end - piece));
        }
        if (end < text.size())
            result += QLatin1Char('\n');
        from = end + 1;
    }
    return result;
}

// A limit in whole seconds where it is one, as users read it ("30"), else
// with its fraction ("2.5").
QString seconds(int msecs)
{
    return QString::number(msecs / 1000.0, 'g', 6);
}

} // namespace

QString shownPart(const QString &text)
{
    if (text.size() <= shownTextLimit)
        return withLongLinesBroken(text);
    int start = text.size() - shownTextLimit;
    const int lineBreak = text.indexOf(QLatin1Char('\n'), start - 1);
    if (lineBreak >= 0 && lineBreak + 1 < text.size())
        start = lineBreak + 1;
    return QStringLiteral("[... the first %1 characters of this output are not shown ...]\n").arg(start)
            + withLongLinesBroken(text.mid(start));
}

QString failureLine(const RunOutcome &outcome, const QString &toolPath, int timeLimitMsecs)
{
    if (!outcome.started)
        return refusalLine(QStringLiteral("Cannot start %1: %2 (choose the Qt kit in %3)")
                                   .arg(QDir::toNativeSeparators(toolPath), outcome.errorString,
                                        kitMenuHint()));
    if (outcome.timedOut)
        return refusalLine(
                QStringLiteral(
                        "The deployment tool did not finish within %1 seconds and was stopped.")
                        .arg(seconds(timeLimitMsecs)));
    if (outcome.exitStatus == QProcess::CrashExit)
        return refusalLine(QStringLiteral("The deployment tool crashed."));
    return refusalLine(QStringLiteral("The deployment tool exited with code %1.").arg(outcome.exitCode));
}

QString refusalLine(const QString &problem)
{
    return QStringLiteral("Failed! ") + problem;
}
