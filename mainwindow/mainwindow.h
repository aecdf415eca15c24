#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "about/about.h"
#include "kit/kitlist.h"
#include "deployrequest.h"
#include "runplan.h"
#include "worker/runoutcome.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

class KitStore;
class MyProcess;
class ElidedButtonText;
class KitMenu;
class DeployedFolder;
class ReportPane;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void setQtDir(const QString &dir);
    QString toolPath() const;

    // The request operations behind the dialogs and the Run button.
    void chooseApplication(const QString &path);
    // A program dropped on the window or named on the command line: chosen
    // as in the file dialog if it is an existing .exe file, else refused.
    bool openProgram(const QString &path);
    void updateQmlDir(const QString &text);
    const QStringList &buildArguments(const DeployOptions &options);

    // Uses the Qt kit in a folder from the next run on and saves it in the
    // kit store, if there is one; a folder without the deployment tool is
    // refused.
    void chooseQtDir(const QString &folder);
    // Where a chosen kit is saved; the window does not own it.
    void setKitStore(KitStore *store);
    // Where the Settings menu looks for Qt kits; tests lay their own out.
    void setKitPlaces(const KitPlaces &places);

    // How long a run may take before the tool is stopped; tests shorten it.
    int runTimeLimit() const;
    void setRunTimeLimit(int msecs);

signals:
    void StartProcess();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    void on_toolButton_clicked();
    void on_Run_clicked();
    void Command_out(QString output);
    void on_qmldir_textChanged(const QString &arg1);
    void ProcessFinished(int code);
    void on_TB_qmldir_clicked();
    void on_CB_QML_toggled(bool checked);
    void on_OpenDir_clicked();
    void on_Btn_clear_clicked();
    void on_action_triggered();
    void on_AppPath_textChanged(const QString &arg1);
    void on_actionQTDIR_triggered();

private:
    void showReport(const QString &output);
    void showRunEnd(const RunOutcome &outcome);
    void closeReport(const QString &standardError, const QVector<CheckLine> &lines,
                     const QString &closingLine, const QColor &color = QColor());
    void scrollPaneToEnd();
    void showPaneMenu(const QPoint &pos);

    Ui::MainWindow *ui;
    QString qmlDir;
    QString appPath;
    QString appDir;
    QString appFile;
    QString appBaseName;
    MyProcess *worker = nullptr;
    About aboutDialog;
    QString deployToolPath;
    QStringList deployArgs;
    QStringList qmlArgs;
    bool paneFollowsEnd = false;
    QString lastAppDir;
    QPointer<QWidget> focusBeforeRun;
    KitMenu *kitMenu = nullptr;
    RunPlan plan; // of the current or last run
    ReportPane *report = nullptr;
    DeployedFolder *deployedFolder = nullptr;
    ElidedButtonText *toolPathText = nullptr;
};

#endif // MAINWINDOW_H
