#ifndef RUNOUTCOME_H
#define RUNOUTCOME_H

#include <QProcess>
#include <QString>

// How one run of the deployment tool ended. Filled in the worker's thread and
// read by the GUI thread once the run has returned, so it needs no lock.
struct RunOutcome
{
    bool started = false; // false: the program could not be started at all
    bool timedOut = false; // the tool ran over the time limit and was killed
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    int exitCode = 0;
    QString errorString; // why the tool could not be started
    QString standardError; // what the tool wrote to standard error
    QString output; // its standard output; after a time-out, what it printed until then

    bool succeeded() const
    {
        return started && !timedOut && exitStatus == QProcess::NormalExit && exitCode == 0;
    }
};

#endif // RUNOUTCOME_H
