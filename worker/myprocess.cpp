#include "myprocess.h"

#include <QDebug>

namespace {

// The tool's text, which ends at the first zero byte as a C string does. It is
// UTF-8 where it is valid UTF-8; Qt's Windows tool writes the paths it names
// in the system's code page, where "für" or a Chinese folder name would be
// invalid UTF-8, and such text is read in that code page.
QString toolText(const QByteArray &bytes)
{
    const int end = bytes.indexOf('\0');
    const QByteArray text = end < 0 ? bytes : bytes.left(end);
    const QString utf8 = QString::fromUtf8(text);
    const bool invalid = utf8.contains(QChar::ReplacementCharacter) && !text.contains("\xef\xbf\xbd");
    return invalid ? QString::fromLocal8Bit(text) : utf8;
}

} // namespace

MyProcess::MyProcess(QWidget *window) : QThread(nullptr), process(new QProcess)
{
    Q_UNUSED(window);
    // The process is driven only from run(), so it must live in that thread.
    process->moveToThread(this);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setReadChannel(QProcess::StandardOutput);
}

MyProcess::~MyProcess()
{
    // A run in progress kills its tool at the time limit at the latest, so
    // this wait ends; afterwards the process is closed and nothing runs on.
    wait();
    delete process;
}

void MyProcess::setCommand(const QString &program, const QStringList &arguments)
{
    this->program = program;
    this->arguments = arguments;
}

void MyProcess::setEnvironment(const QProcessEnvironment &environment)
{
    this->environment = environment;
}

RunOutcome MyProcess::outcome() const
{
    return lastOutcome;
}

int MyProcess::timeLimit() const
{
    return limit;
}

void MyProcess::setTimeLimit(int msecs)
{
    limit = msecs;
}

void MyProcess::readOut()
{
    lastOutput = toolText(process->readAllStandardOutput());
    emit CommandOutput(lastOutput);
}

void MyProcess::errorOut()
{
    qDebug() << "MyProcess::errorOut";
}

void MyProcess::errorDisplay(QProcess::ProcessError error)
{
    qDebug() << error << "MyProcess::errorDisplay";
}

void MyProcess::startProcess()
{
    start(QThread::InheritPriority);
    wait();
}

void MyProcess::run()
{
    lastOutcome = RunOutcome();
    process->setProcessEnvironment(environment.isEmpty() ? QProcessEnvironment::systemEnvironment()
                                                         : environment);
    process->start(program, arguments, QIODevice::ReadWrite);

    if (process->waitForFinished(limit)) {
        lastOutcome.started = true;
        readOut();
        keepEnd();
        lastOutcome.output = lastOutput;
        qDebug() << "exitStatus---->" << process->exitStatus();
        qDebug() << "exitCode---->" << process->exitCode();
        emit processFinished(0);
    } else if (process->state() == QProcess::NotRunning) {
        // Missing or not executable: the start failed before any waiting.
        lastOutcome.errorString = process->errorString();
    } else {
        // Stop the tool rather than leave it running behind the user's back,
        // and reap it so that the next run starts with a free process.
        lastOutcome.started = true;
        lastOutcome.timedOut = true;
        process->kill();
        process->waitForFinished();
        keepEnd();
        lastOutcome.output = toolText(process->readAllStandardOutput());
    }
    process->close();
}

void MyProcess::keepEnd()
{
    lastOutcome.exitStatus = process->exitStatus();
    lastOutcome.exitCode = process->exitCode();
    lastOutcome.standardError = toolText(process->readAllStandardError());
}
