#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "worker/myprocess.h"

#include <QApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputEvent>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QtMath>

namespace {

// The pane lays out all the text above the end it scrolls to, which takes
// minutes once a tool prints tens of megabytes; the end of a long report is
// what tells how the run went.
const int shownTextLimit = 1024 * 1024;

// A line is laid out in a time that grows with the square of its length when
// it has nowhere to wrap (binary junk, say): a megabyte in one line would
// freeze the window for many minutes.
const int longestShownLine = 4096;

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

// The text as the pane shows it: of a longer text only the last
// shownTextLimit characters, from a line break on, below a note; lines longer
// than longestShownLine broken in pieces.
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

// The closing line of a failed run, in a red that stands out on black.
QColor failureLineColor()
{
    return QColor(255, 80, 80);
}

// Characters of a line that the pane holds however wide the tool path shown
// below it gets.
const int paneMinimumColumns = 40;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), aboutDialog(nullptr)
{
    ui->setupUi(this);
    deployToolPath = toolPathFromEnvironment();
    worker = new MyProcess(this);
    ui->textBrowser->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    ui->Run->setEnabled(false);

    // The tool path shown on reserve_temp after a run widens the bottom row;
    // the window grows rather than squeezing the report to a few letters.
    ui->textBrowser->ensurePolished();
    const QFontMetrics metrics(ui->textBrowser->font());
    ui->textBrowser->setMinimumWidth(
            paneMinimumColumns * metrics.averageCharWidth()
            + 2 * (ui->textBrowser->frameWidth() + qCeil(ui->textBrowser->document()->documentMargin()))
            + ui->textBrowser->verticalScrollBar()->sizeHint().width());

    // Like a console, the pane keeps the end of a run's report in view when
    // the text rewraps later (the tool path shown after a run can widen the
    // bottom row), until the user scrolls it.
    QScrollBar *scrollBar = ui->textBrowser->verticalScrollBar();
    connect(scrollBar, &QScrollBar::rangeChanged, this, [this, scrollBar]() {
        if (paneFollowsEnd)
            scrollBar->setValue(scrollBar->maximum());
    });
    connect(scrollBar, &QScrollBar::actionTriggered, this, [this]() { paneFollowsEnd = false; });

    connect(worker, &MyProcess::CommandOutput, this, &MainWindow::Command_out, Qt::QueuedConnection);
    connect(worker, qOverload<int>(&MyProcess::finished), this, &MainWindow::ProcessFinished,
            Qt::DirectConnection);
    // Direct, so that a run blocks the GUI thread until the tool has ended.
    connect(this, &MainWindow::StartProcess, worker, &MyProcess::startProcess, Qt::DirectConnection);
    connect(worker, &MyProcess::processFinished, this, &MainWindow::ProcessFinished,
            Qt::QueuedConnection);
}

MainWindow::~MainWindow()
{
    delete ui;
    delete worker;
}

QString MainWindow::toolPathFromEnvironment() const
{
    QString dir = QProcessEnvironment::systemEnvironment().value(QStringLiteral("QTDIR"));
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (dir.isEmpty())
        dir = qtDir;
    return deployToolIn(dir);
}

void MainWindow::setQtDir(const QString &dir)
{
    qtDir = dir;
    deployToolPath = deployToolIn(dir);
}

QString MainWindow::toolPath() const
{
    return deployToolPath;
}

void MainWindow::chooseApplication(const QString &path)
{
    const AppPathParts parts = splitAppPath(path);
    appPath = parts.path;
    appFile = parts.file;
    appBaseName = parts.baseName;
    appDir = parts.dir;

    ui->AppPath->setText(appDir);
    ui->appName->setText(appBaseName);
    ui->Run->setEnabled(true);
}

void MainWindow::updateQmlDir(const QString &text)
{
    qmlDir = text;
    qmlArgs = qmlDirArguments(text);
}

const QStringList &MainWindow::buildArguments(const DeployOptions &options)
{
    deployArgs = deployArguments(appPath, qmlArgs, options);
    return deployArgs;
}

int MainWindow::runTimeLimit() const
{
    return worker->timeLimit();
}

void MainWindow::setRunTimeLimit(int msecs)
{
    worker->setTimeLimit(msecs);
}

void MainWindow::on_toolButton_clicked()
{
    const QString path = QFileDialog::getOpenFileName(
            this, tr("Save File"), QStringLiteral("/home/test.exe"), tr("APP (*.exe *.EXE)"));
    chooseApplication(path);
}

void MainWindow::on_Run_clicked()
{
    ui->Run->setEnabled(false);
    paneFollowsEnd = false;

    DeployOptions options;
    options.qml = ui->CB_QML->isChecked();
    options.noWebKit = ui->CB_WebKit->isChecked();
    options.noD3dCompiler = ui->CB_3D->isChecked();
    options.release = ui->CB_Release->isChecked();
    options.noCompilerRuntime = ui->CB_Runtime->isChecked();
    buildArguments(options);

    worker->setCommand(deployToolPath, deployArgs);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    emit StartProcess();
    ui->reserve_temp->setText(deployToolPath);
    dropInputMadeDuringRun();
    QApplication::restoreOverrideCursor();

    // A completed run reports back through the queued signals; one that never
    // started or was stopped sends nothing, so it is shown from here.
    const RunOutcome outcome = worker->outcome();
    if (!outcome.started || outcome.timedOut) {
        showReport(outcome.output);
        showRunEnd(outcome);
    }
}

void MainWindow::Command_out(QString output)
{
    showReport(output);
}

void MainWindow::showReport(const QString &output)
{
    // The pane writes new text in the format at its cursor, which may sit
    // on the red line of an earlier failure.
    ui->textBrowser->setCurrentCharFormat(QTextCharFormat());
    // The tool's output is plain text, even where a line looks like markup.
    ui->textBrowser->setPlainText(shownPart(output));
}

void MainWindow::on_qmldir_textChanged(const QString &arg1)
{
    qDebug() << arg1;
    updateQmlDir(arg1);
}

void MainWindow::ProcessFinished(int code)
{
    if (code != 0) {
        qDebug() << "MainWindow::ProcessFinished"
                 << "--->CrashExit";
        return;
    }
    worker->quit();
    worker->wait();
    showRunEnd(worker->outcome());
}

void MainWindow::on_TB_qmldir_clicked()
{
    qmlDir = QFileDialog::getExistingDirectory(this, tr("Open Directory"), QStringLiteral("/home"),
                                               QFileDialog::ShowDirsOnly
                                                       | QFileDialog::DontResolveSymlinks);
    qDebug() << qmlDir;
    ui->qmldir->setText(qmlDir);
}

void MainWindow::on_CB_QML_toggled(bool checked)
{
    ui->qmldir->setEnabled(checked);
    ui->TB_qmldir->setEnabled(checked);
}

void MainWindow::on_OpenDir_clicked()
{
    // A local path, not a URL: folder names such as "C#" or "50%" are common.
    if (!appDir.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(appDir));
}

void MainWindow::on_Btn_clear_clicked()
{
    ui->textBrowser->clear();
}

void MainWindow::on_action_triggered()
{
    aboutDialog.show();
}

void MainWindow::on_AppPath_textChanged(const QString &arg1)
{
    Q_UNUSED(arg1);
    ui->Run->setEnabled(true);
}

void MainWindow::on_actionQTDIR_triggered()
{
    QMessageBox::information(this, QStringLiteral("QTDIR说明"),
                             QStringLiteral("本文件夹下的conf目录conf.ini文件修改QTDIR"),
                             QMessageBox::Yes, QMessageBox::Yes);
}

void MainWindow::showRunEnd(const RunOutcome &outcome)
{
    ui->Run->setEnabled(true);
    const bool succeeded = outcome.succeeded();
    // One edit for all closing lines, so that the view lays a long output out
    // once rather than once per line.
    QTextCursor edit(ui->textBrowser->document());
    edit.beginEditBlock();
    // The tool's warnings matter after a success too: a runtime it could not
    // find leaves the deployed program broken elsewhere.
    if (!outcome.standardError.isEmpty())
        appendParagraph(shownPart(outcome.standardError));
    for (int i = 0; i < 4; ++i)
        appendParagraph(QStringLiteral("\n"));
    if (succeeded)
        appendParagraph(QStringLiteral("Sucessed!"));
    else
        appendParagraph(failureLine(outcome), failureLineColor());
    edit.endEditBlock();
    ui->textBrowser->moveCursor(QTextCursor::End);
    QScrollBar *scrollBar = ui->textBrowser->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum());
    paneFollowsEnd = true;
    ui->OpenDir->setEnabled(true);
}

QString MainWindow::failureLine(const RunOutcome &outcome) const
{
    if (!outcome.started)
        return QStringLiteral("Failed! Cannot start %1: %2").arg(deployToolPath, outcome.errorString);
    if (outcome.timedOut)
        return QStringLiteral(
                "Failed! The deployment tool did not finish within 30 seconds and was stopped.");
    if (outcome.exitStatus == QProcess::CrashExit)
        return QStringLiteral("Failed! The deployment tool crashed.");
    return QStringLiteral("Failed! The deployment tool exited with code %1.").arg(outcome.exitCode);
}

// Like QTextEdit::append(), but never takes the text for markup.
void MainWindow::appendParagraph(const QString &text, const QColor &color)
{
    QTextDocument *document = ui->textBrowser->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock();
    // A fresh format each time: the red of a failure line must not carry
    // over to the lines after it.
    QTextCharFormat format;
    if (color.isValid())
        format.setForeground(color);
    cursor.insertText(text, format);
}

// The window is blocked while the tool runs, but the clicks and keys made
// meanwhile wait in the queue: replayed now, a click on Run would start the
// tool again and one on the Clear button erase the new report. Everything
// queued is delivered here, without the input.
void MainWindow::dropInputMadeDuringRun()
{
    qApp->installEventFilter(this);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Installed on the application only while input is being dropped.
    if (dynamic_cast<QInputEvent *>(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}
