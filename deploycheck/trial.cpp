#include "trial.h"

#include "errorbox.h"

#include <QDir>
#include <QFileInfo>

namespace {

const int defaultWatchMs = 5000;
const int graceMs = 2000;
// The last of a program's output is where its reasons are.
const int outputKept = 64 * 1024;
const int linesQuoted = 3;
// Put before Qt's fatal messages through QT_MESSAGE_PATTERN, which otherwise
// look like any other line.
const QString fatalMark = QStringLiteral("Fatal: ");

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

// Qt's words that the program cannot run, found in its output: why, in a
// clause, and the lines that say so.
struct QtWords
{
    QString clause;
    QStringList quoted;
};

QtWords cannotRun(const QString &output)
{
    QStringList pluginLines;
    QStringList qmlLines;
    QStringList fatalLines;
    const QStringList all = output.split(QLatin1Char('\n'));
    for (const QString &line : all) {
        if (line.contains(QLatin1String("platform plugin"), Qt::CaseInsensitive)
            && pluginLines.size() < linesQuoted)
            pluginLines << line.trimmed();
        if (isQmlLoadFailure(line) && qmlLines.size() < linesQuoted)
            qmlLines << line.trimmed();
        if (line.startsWith(fatalMark) && fatalLines.size() < linesQuoted)
            fatalLines << line.mid(fatalMark.size()).trimmed();
    }
    if (!pluginLines.isEmpty())
        return { QStringLiteral("Qt could not load the platform plugin. It said:"), pluginLines };
    if (!qmlLines.isEmpty())
        return { QStringLiteral("its QML could not be loaded. Most likely a QML module it imports "
                                "is not in the folder: tick QML-Dir, choose the folder of its own "
                                ".qml files and run again. Qt said:"),
                 qmlLines };
    if (!fatalLines.isEmpty())
        return { QStringLiteral("Qt stopped it with a fatal error. It said:"), fatalLines };
    return {};
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
    clean.insert(
            QStringLiteral("QT_MESSAGE_PATTERN"),
            QStringLiteral("%{if-fatal}%1%{endif}%{if-category}%{category}: %{endif}%{message}").arg(fatalMark));
    return clean;
}

QStringList Trial::describeEnd(const QString &programName, quint32 exitCode, bool crashed,
                               const QString &output, const QStringList &missingDlls)
{
    QStringList lines;
    const QString head = QStringLiteral("Tried %1: it ended within seconds with exit code %2")
                                 .arg(programName, hex(exitCode));
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
        const QtWords words = cannotRun(output);
        if (!words.clause.isEmpty()) {
            lines << head + QStringLiteral(": ") + words.clause;
            lines << words.quoted;
        } else {
            lines << head + (crashed ? QStringLiteral(" (it crashed).") : QStringLiteral("."));
            const QStringList last = lastLines(output, linesQuoted);
            if (!last.isEmpty())
                lines << QStringLiteral("Its last output:") << last;
        }
    }
    return lines;
}

QStringList Trial::describeRunning(const QString &programName, int watchMs, const QString &output,
                                   const QStringList &errorBox, bool *started)
{
    const QtWords words = cannotRun(output);
    *started = words.clause.isEmpty() && errorBox.isEmpty();
    const QString seconds = QString::number(watchMs / 1000.0);
    if (*started)
        return { QStringLiteral("Tried %1: it started, ran for %2 seconds and was closed.")
                         .arg(programName, seconds) };
    QStringList lines;
    const QString head = QStringLiteral("Tried %1: it did not start; it was still there after %2 "
                                        "seconds and was closed")
                                 .arg(programName, seconds);
    if (!words.clause.isEmpty())
        lines << head + QStringLiteral(": ") + words.clause << words.quoted;
    if (!errorBox.isEmpty()) {
        const QString box = QStringLiteral("it was showing an error box and nothing else");
        const bool readable = !errorBox.first().isEmpty();
        if (lines.isEmpty())
            lines << head + QStringLiteral(": ") + box
                            + (readable ? QStringLiteral(". The box said:")
                                        : QStringLiteral("; its text could not be read."));
        else
            lines << QStringLiteral("Also, ") + box
                            + (readable ? QStringLiteral(", which said:") : QStringLiteral("."));
        if (readable)
            lines << errorBox;
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
    errorBox.clear();
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
    // Read before closing: closing dismisses the boxes.
    const ErrorBoxes boxes = readErrorBoxes(process->processId());
    if (boxes.onlyBoxes)
        errorBox = boxes.texts.isEmpty() ? QStringList { QString() } : boxes.texts;
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
        bool started = false;
        const QStringList lines = describeRunning(programName, watch.interval(),
                                                  QString::fromLocal8Bit(output), errorBox, &started);
        emit finished(started, lines);
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
