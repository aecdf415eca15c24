#ifndef MYPROCESS_H
#define MYPROCESS_H

#include "runoutcome.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

class QWidget;

// Runs the deployment tool in its own thread while the caller waits for it.
class MyProcess : public QThread
{
    Q_OBJECT

public:
    explicit MyProcess(QWidget *window);
    ~MyProcess() override;

    void setCommand(const QString &program, const QStringList &arguments);
    // The environment of the next runs' tool; an empty one (the default)
    // leaves it Trevalo's own.
    void setEnvironment(const QProcessEnvironment &environment);

    // How the last run ended; valid once startProcess() has returned.
    RunOutcome outcome() const;

    // How long a run may take before the tool is stopped. Tests shorten it.
    int timeLimit() const;
    void setTimeLimit(int msecs);

signals:
    void CommandOutput(QString output);
    void finished(int code);
    void processFinished(int code);

public slots:
    void readOut();
    void errorOut();
    void errorDisplay(QProcess::ProcessError error);
    void startProcess();

protected:
    void run() override;

private:
    // Copies the exit status, exit code and standard error into lastOutcome.
    void keepEnd();

    QProcess *process;
    QString lastOutput;
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
    RunOutcome lastOutcome;
    int limit = 30000;
};

#endif // MYPROCESS_H
