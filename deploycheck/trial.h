#ifndef TRIAL_H
#define TRIAL_H

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTimer>

// Tries a deployed program as a clean machine would start it: from its
// folder, with Windows' own folders only on PATH and nothing of Qt in the
// environment. Watches it for a few seconds without blocking; a program still
// running then has started, unless its output or an error box it shows says
// otherwise, and is closed. The program never outlives the trial
// nor this object.
class Trial : public QObject
{
    Q_OBJECT

public:
    explicit Trial(QObject *parent = nullptr);
    ~Trial() override;

    // `environment` as a clean machine has it: PATH only System32, the
    // Windows folder and Wbem; no QT_*, QML* or QTDIR; Qt's messages sent to
    // standard error, where the trial reads them.
    static QProcessEnvironment cleanEnvironment(const QProcessEnvironment &environment);

    // What an early end with `exitCode` means, in lines; `output` is what the
    // program wrote, `missingDlls` what the check found missing.
    static QStringList describeEnd(const QString &programName, quint32 exitCode, bool crashed,
                                   const QString &output, const QStringList &missingDlls);

    // What a program still running at the end of the watch means: it has
    // started unless Qt's words in `output` say otherwise or all it showed
    // was an error box (`errorBox`: its texts, one empty text when they
    // cannot be read; empty: no such box).
    static QStringList describeRunning(const QString &programName, int watchMs, const QString &output,
                                       const QStringList &errorBox, bool *started);

    bool isRunning() const;
    void setWatchTime(int msecs);

    // Starts the program and returns true, or returns false when it does not
    // exist or a trial runs already.
    bool start(const QString &programPath, const QStringList &missingDlls = QStringList());

signals:
    // The trial is over and the program has ended; `started`: it was still
    // running when the watch time was up, and nothing said it could not run.
    void finished(bool started, const QStringList &lines);

private:
    void readOutput();
    void watchTimeUp();
    void programEnded(int exitCode, QProcess::ExitStatus status);
    void failedToStart(QProcess::ProcessError error);

    QProcess *process = nullptr;
    QTimer watch;
    QTimer grace;
    QString programName;
    QStringList missing;
    QByteArray output;
    QStringList errorBox;
    bool stillRunning = false;
};

#endif // TRIAL_H
