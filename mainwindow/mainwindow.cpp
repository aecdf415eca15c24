#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "deployedfolder.h"
#include "elidedbuttontext.h"
#include "kitmenu.h"
#include "linespacing.h"
#include "kit/kitpaths.h"
#include "queuedinput.h"
#include "reportpane.h"
#include "runplan.h"
#include "runreport.h"
#include "worker/myprocess.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace {

bool isProgramFile(const QString &path)
{
    const QFileInfo file(path);
    return file.isFile() && file.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0;
}

// The one local program file a drag carries, or nothing.
QString draggedProgram(const QMimeData *data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return isProgramFile(path) ? path : QString();
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), aboutDialog(nullptr)
{
    ui->setupUi(this);
    deployToolPath = deployToolIn(qtDirFromEnvironment());
    worker = new MyProcess(this);
    ui->textBrowser->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    ui->Run->setEnabled(false);
    // Enter clicks the focused button, as Space does, the way Windows has it.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(true);
    // The pane's style sheet sets its console colours but not the selection's,
    // which would then be the platform's, drawn for a light background.
    QPalette panePalette = ui->textBrowser->palette();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
        panePalette.setColor(group, QPalette::HighlightedText, Qt::white);
    panePalette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 90, 200));
    panePalette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
    ui->textBrowser->setPalette(panePalette);
    report = new ReportPane(ui->textBrowser);
    ui->textBrowser->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->textBrowser, &QWidget::customContextMenuRequested, this, &MainWindow::showPaneMenu);

    // The tool path shown on reserve_temp after a run is elided to the
    // button's width, so a run never resizes the window.
    toolPathText = new ElidedButtonText(ui->reserve_temp);
    allowOrdinaryLineHeights(this);
    // The pane keeps the width it has at the window's designed size.
    ui->centralWidget->setGeometry(QRect(QPoint(), size()));
    ui->centralWidget->layout()->activate();
    ui->textBrowser->setMinimumWidth(ui->textBrowser->width());

    // A program is dropped on the window, not typed into the QML field.
    setAcceptDrops(true);
    ui->qmldir->setAcceptDrops(false);

    // Like a console, the pane keeps the end of a run's report in view when
    // the text rewraps later (the user resizes the window), until the user
    // scrolls it.
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

    kitMenu = new KitMenu(ui->menu_2, ui->actionChooseQtDir, this);
    kitMenu->setConfigured(kitDirOf(deployToolPath));
    connect(kitMenu, &KitMenu::chosen, this, &MainWindow::setQtDir);
    // Below the kits, what can be done with the folder the last run deployed;
    // the report links to the same actions.
    deployedFolder = new DeployedFolder(report, ui->menu_2, this);
    connect(ui->textBrowser, &QTextBrowser::anchorClicked, deployedFolder, &DeployedFolder::followLink);
    // The tool could not replace the DLLs of a program being tried.
    connect(deployedFolder, &DeployedFolder::trialStarted, ui->Run,
            [this]() { ui->Run->setEnabled(false); });
    connect(deployedFolder, &DeployedFolder::trialEnded, ui->Run,
            [this]() { ui->Run->setEnabled(!appPath.isEmpty()); });
    connect(deployedFolder, &DeployedFolder::reported, this, &MainWindow::scrollPaneToEnd);
}

MainWindow::~MainWindow()
{
    delete report;
    delete ui;
    delete worker;
}

void MainWindow::setQtDir(const QString &dir)
{
    deployToolPath = deployToolIn(dir);
    kitMenu->setConfigured(dir);
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
    if (!path.isEmpty())
        lastAppDir = appDir;
    kitMenu->setProgram(appPath);

    ui->AppPath->setText(QDir::toNativeSeparators(appDir));
    ui->appName->setText(appBaseName);
    ui->Run->setEnabled(true);
}

bool MainWindow::openProgram(const QString &path)
{
    const bool program = isProgramFile(path);
    qDebug() << "MainWindow::openProgram" << path << (program ? "chosen" : "refused");
    if (program)
        chooseApplication(QFileInfo(path).absoluteFilePath());
    return program;
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

void MainWindow::chooseQtDir(const QString &folder)
{
    kitMenu->choose(folder);
}

void MainWindow::setKitStore(KitStore *store)
{
    kitMenu->setStore(store);
}

void MainWindow::setKitPlaces(const KitPlaces &places)
{
    kitMenu->setPlaces(places);
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
    const QString start = lastAppDir.isEmpty() ? QStringLiteral("/home/test.exe") : lastAppDir;
    const QString path =
            QFileDialog::getOpenFileName(this, tr("Save File"), start, tr("APP (*.exe *.EXE)"));
    chooseApplication(path);
}

void MainWindow::on_Run_clicked()
{
    // Disabling Run moves the focus on; the run's end gives it back.
    focusBeforeRun = focusWidget();
    ui->Run->setEnabled(false);
    paneFollowsEnd = false;

    if (deployedFolder->isTrying())
        return;
    deployedFolder->clear();

    RunRequest request;
    request.qtDir = kitDirOf(deployToolPath);
    request.foundKits = kitMenu->kitsFound();
    request.appPath = appPath;
    request.qmlDir = qmlDir;
    request.ticked.qml = ui->CB_QML->isChecked();
    request.ticked.noWebKit = ui->CB_WebKit->isChecked();
    request.ticked.noD3dCompiler = ui->CB_3D->isChecked();
    request.ticked.release = ui->CB_Release->isChecked();
    request.ticked.noCompilerRuntime = ui->CB_Runtime->isChecked();
    request.environment = QProcessEnvironment::systemEnvironment();
    plan = planRun(request);
    toolPathText->setText(QDir::toNativeSeparators(plan.toolPath));
    if (!plan.problem.isEmpty()) {
        showReport(QString());
        closeReport(QString(), {}, refusalLine(plan.problem), ReportPane::failureColor());
        return;
    }
    buildArguments(plan.options);

    worker->setCommand(plan.toolPath, deployArgs);
    worker->setEnvironment(plan.environment);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    emit StartProcess();
    dropQueuedInput();
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
    report->showOutput(plan.notes, output);
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
    QString start = ui->qmldir->text();
    if (start.isEmpty())
        start = lastAppDir.isEmpty() ? QStringLiteral("/home") : lastAppDir;
    qmlDir = QFileDialog::getExistingDirectory(this, tr("Open Directory"), start,
                                               QFileDialog::ShowDirsOnly
                                                       | QFileDialog::DontResolveSymlinks);
    qDebug() << qmlDir;
    ui->qmldir->setText(QDir::toNativeSeparators(qmlDir));
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
    if (outcome.succeeded()) {
        closeReport(outcome.standardError,
                    deployedFolder->check(appPath, plan.kitDir, plan.options.noCompilerRuntime),
                    QStringLiteral("Sucessed!"));
        return;
    }
    QString line = failureLine(outcome, plan.toolPath, worker->timeLimit());
    if (!outcome.started && !plan.kitNeeded.isEmpty())
        line += QLatin1Char(' ') + plan.kitNeeded;
    closeReport(outcome.standardError, {}, line, ReportPane::failureColor());
}

void MainWindow::scrollPaneToEnd()
{
    ui->textBrowser->moveCursor(QTextCursor::End);
    QScrollBar *scrollBar = ui->textBrowser->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum());
    paneFollowsEnd = true;
}

void MainWindow::closeReport(const QString &standardError, const QVector<CheckLine> &lines,
                             const QString &closingLine, const QColor &color)
{
    ui->Run->setEnabled(true);
    if (focusBeforeRun)
        focusBeforeRun->setFocus();
    // One edit for all closing lines, so that the view lays a long output out
    // once rather than once per line.
    QTextCursor edit(ui->textBrowser->document());
    edit.beginEditBlock();
    // The tool's warnings matter after a success too: a runtime it could not
    // find leaves the deployed program broken elsewhere.
    if (!standardError.isEmpty())
        report->appendParagraph(shownPart(standardError));
    for (int i = 0; i < 4; ++i)
        report->appendParagraph(QStringLiteral("\n"));
    report->appendLines(lines);
    deployedFolder->appendLinks();
    report->appendParagraph(closingLine, color);
    edit.endEditBlock();
    scrollPaneToEnd();
    ui->OpenDir->setEnabled(true);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!draggedProgram(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (openProgram(draggedProgram(event->mimeData())))
        event->acceptProposedAction();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The About box has no parent, so it would keep Trevalo running on its own.
    aboutDialog.close();
    QMainWindow::closeEvent(event);
}

// The pane's own menu, but a child of the window: as the pane's child it
// would take on the pane's console style sheet.
void MainWindow::showPaneMenu(const QPoint &pos)
{
    QTextBrowser *pane = ui->textBrowser;
    const QPoint documentPos =
            pos + QPoint(pane->horizontalScrollBar()->value(), pane->verticalScrollBar()->value());
    QMenu *menu = pane->createStandardContextMenu(documentPos);
    menu->setParent(this, menu->windowFlags());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(pane->viewport()->mapToGlobal(pos));
}
