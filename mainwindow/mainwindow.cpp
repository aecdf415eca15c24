#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "worker/myprocess.h"

#include <QProcessEnvironment>
#include <QRegExp>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), aboutDialog(nullptr)
{
    ui->setupUi(this);
    deployToolPath = toolPathFromEnvironment();
    worker = new MyProcess(this);
}

MainWindow::~MainWindow()
{
    delete ui;
    delete worker;
}

QString MainWindow::toolPathFromEnvironment() const
{
    QString dir = QProcessEnvironment::systemEnvironment().value(QStringLiteral("QTDIR"));
    dir.replace(QRegExp(QStringLiteral("\\\\")), QStringLiteral("/"));
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

void MainWindow::on_toolButton_clicked() {}
void MainWindow::on_Run_clicked() {}
void MainWindow::Command_out(QString) {}
void MainWindow::on_qmldir_textChanged(const QString &arg1)
{
    updateQmlDir(arg1);
}
void MainWindow::ProcessFinished(int) {}
void MainWindow::on_TB_qmldir_clicked() {}
void MainWindow::on_CB_QML_toggled(bool) {}
void MainWindow::on_OpenDir_clicked() {}
void MainWindow::on_Btn_clear_clicked() {}
void MainWindow::on_action_triggered() {}
void MainWindow::on_AppPath_textChanged(const QString &) {}
void MainWindow::on_actionQTDIR_triggered() {}
