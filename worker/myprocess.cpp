#include "myprocess.h"

// Placeholder until the runner lands.
MyProcess::MyProcess(QWidget *window)
    : QThread(nullptr), process(new QProcess)
{
    Q_UNUSED(window);
}

MyProcess::~MyProcess()
{
    delete process;
}

void MyProcess::setCommand(const QString &program, const QStringList &arguments)
{
    this->program = program;
    this->arguments = arguments;
}

RunOutcome MyProcess::outcome() const
{
    return lastOutcome;
}

void MyProcess::setTimeLimit(int msecs)
{
    timeLimit = msecs;
}

void MyProcess::readOut() {}
void MyProcess::errorOut() {}
void MyProcess::errorDisplay(QProcess::ProcessError) {}
void MyProcess::startProcess() {}
void MyProcess::run() {}
