#include "trial.h"

#include <QDir>
#include <QFileInfo>

namespace {

const int defaultWatchMs = 5000;
const int graceMs = 2000;
// The last of a program's output is where its reasons are.
const int outputKept = 64 * 1024;
const int linesQuoted = 3;

bool isQtVariable(const QString &name)
{
    const QString upper = name.toUpper();
    return upper.startsWith(QLatin1String("QT_")) || upper.startsWith(QLatin1String("QML"))
            || upper == QLatin1String("QTDIR");
}

QString hex(quint32 code)
{
    return QStringLiteral("0x") + QString::number(code, 16).toUpper();
}

// What Qt's QML engine says when the program's QML cannot be loaded: a
// module it imports is missing, or the file itself fails.
bool isQmlLoadFailure(const QString &line)
{
    return line.contains(QLatin1String("failed to load component"))
            || (line.contains(QLatin1String("module \""))
                && line.contains(QLatin1String("is not installed")));
}

QStringList lastLines(const QString &output, int count)
{
    QStringList lines;
    const QStringList all = output.split(QLatin1Char('\n'));
    for (int i = all.size() - 1; i >= 0 && lines.size() < count; --i) {
        const QString line = all.at(i).trimmed();
        if (!line.isEmpty())
            lines.prepend(line);
    }
    return lines;
}

} // namespace

Trial::Trial(QObject *parent) : QObject(parent)
{
    watch.setSingleShot(true);
    watch.setInterval(defaultWatchMs);
    grace.setSingleShot(true);
    grace.setInterval(graceMs);
    connect(&watch, &QTimer::timeout, this, &Trial::watchTimeUp);
    connect(&grace, &QTimer::timeout, this, [this]() { process->kill(); });
}

Trial::~Trial()
{
    if (process && process->state() != QProcess::NotRunning) {
        disconnect(process, nullptr, this, nullptr);
        process->kill();
        process->waitForFinished(graceMs);
    }
}

QProcessEnvironment Trial::cleanEnvironment(const QProcessEnvironment &environment)
{
    QProcessEnvironment clean;
    const QStringList names = environment.keys();
    for (const QString &name : names) {
        if (!isQtVariable(name) && name.compare(QLatin1String("PATH"), Qt::CaseInsensitive) != 0)
            clean.insert(name, environment.value(name));
    }
    QString systemRoot = environment.value(QStringLiteral("SystemRoot"));
    if (systemRoot.isEmpty())
        systemRoot = QStringLiteral("C:\\Windows");
    clean.insert(QStringLiteral("PATH"),
                 QStringLiteral("%1\\System32;%1;%1\\System32\\Wbem").arg(systemRoot));
    clean.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    return clean;
}

QStringList Trial::describeEnd(const QString &programName, quint32 exitCode, bool crashed,
                               const QString &output, const QStringList &missingDlls)
{
    QStringList lines;
    const QString head = QStringLiteral("Tried %1: it ended within seconds with exit code %2")
                                 .arg(programName, hex(exitCode));
    QStringList pluginLines;
    QStringList qmlLines;
    const QStringList all = output.split(QLatin1Char('\n'));
    for (const QString &line : all) {
        if (line.contains(QLatin1String("platform plugin"), Qt::CaseInsensitive)
            && pluginLines.size() < linesQuoted)
            pluginLines << line.trimmed();
        if (isQmlLoadFailure(line) && qmlLines.size() < linesQuoted)
            qmlLines << line.trimmed();
    }
    switch (exitCode) {
    case 0xC0000135:
        lines << head
                        + (missingDlls.isEmpty()
                                   ? QStringLiteral(": a DLL it needs was not found; the check "
                                                    "names none, so it is one loaded by name or "
                                                    "one this Windows lacks.")
                                   : QStringLiteral(": a DLL it needs was not found (%1).")
                                             .arg(missingDlls.join(QStringLiteral(", "))));
        break;
    case 0xC0000139:
        lines << head
                        + QStringLiteral(": an entry point was not found, so a DLL it loaded is of "
                                         "another version than the one it was built with.");
        break;
    case 0xC000007B:
        lines << head + QStringLiteral(": 32- and 64-bit files are mixed.");
        break;
    default:
        if (!pluginLines.isEmpty()) {
            lines << head + QStringLiteral(": Qt could not load the platform plugin. It said:");
            lines << pluginLines;
        } else if (!qmlLines.isEmpty()) {
            lines << head
                            + QStringLiteral(": its QML could not be loaded. Most likely a QML "
                                             "module it imports is not in the folder: tick "
                                             "QML-Dir, choose the folder of its own .qml files "
                                             "and run again. Qt said:");
            lines << qmlLines;
        } else {
            lines << head + (crashed ? QStringLiteral(" (it crashed).") : QStringLiteral("."));
            const QStringList last = lastLines(output, linesQuoted);
            if (!last.isEmpty())
                lines << QStringLiteral("Its last output:") << last;
        }
    }
    return lines;
}

bool Trial::isRunning() const
{
    return process && process->state() != QProcess::NotRunning;
}

void Trial::setWatchTime(int msecs)
{
    watch.setInterval(msecs);
}

bool Trial::start(const QString &programPath, const QStringList &missingDlls)
{
    const QFileInfo program(programPath);
    if (isRunning() || !program.isFile())
        return false;
    // Later: a caller may start the next trial from the last one's finished().
    if (process)
        process->deleteLater();
    process = new QProcess(this);
    programName = program.fileName();
    missing = missingDlls;
    output.clear();
    stillRunning = false;
    process->setProgram(program.absoluteFilePath());
    process->setWorkingDirectory(program.absolutePath());
    process->setProcessEnvironment(cleanEnvironment(QProcessEnvironment::systemEnvironment()));
    process->setProcessChannelMode(QProcess::MergedChannels);
    connect(process, &QProcess::readyRead, this, &Trial::readOutput);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &Trial::programEnded);
    connect(process, &QProcess::errorOccurred, this, &Trial::failedToStart);
    process->start();
    watch.start();
    return true;
}

void Trial::readOutput()
{
    output += process->readAll();
    if (output.size() > outputKept)
        output = output.right(outputKept);
}

void Trial::watchTimeUp()
{
    stillRunning = true;
    // On Windows this asks the program's windows to close; the grace timer
    // ends it if it does not.
    process->terminate();
    grace.start();
}

void Trial::programEnded(int exitCode, QProcess::ExitStatus status)
{
    watch.stop();
    grace.stop();
    readOutput();
    if (stillRunning) {
        emit finished(true,
                      { QStringLiteral("Tried %1: it started, ran for %2 seconds and was closed.")
                                .arg(programName)
                                .arg(watch.interval() / 1000.0) });
        return;
    }
    emit finished(false,
                  describeEnd(programName, quint32(exitCode), status == QProcess::CrashExit,
                              QString::fromLocal8Bit(output), missing));
}

void Trial::failedToStart(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    watch.stop();
    emit finished(false,
                  { QStringLiteral("Tried %1: it could not be started: %2.")
                            .arg(programName, process->errorString()) });
}
