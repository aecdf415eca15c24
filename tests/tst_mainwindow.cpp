#include "mainwindow/mainwindow.h"
#include "testkit.h"

#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

const char successTail[] = "\n\n\n\n\n\n\n\n\nSucessed!";
const QColor failureRed(255, 80, 80);

// A made-up path, absolute on this platform: on Windows a path needs a drive,
// or the file dialog takes it as a name inside its own folder.
QString absolute(const char *path)
{
    return QDir::rootPath() + QString::fromUtf8(path).mid(1);
}

const QString theApp = absolute("/tmp/a.exe");

// Runs `handle` on the next modal dialog once the caller's code has opened it.
void whenModalOpens(std::function<void(QWidget *)> handle)
{
    QTimer::singleShot(0, [handle]() {
        QWidget *modal = nullptr;
        QElapsedTimer timer;
        timer.start();
        while (!(modal = QApplication::activeModalWidget()) && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QVERIFY2(modal, "no modal dialog opened");
        handle(modal);
    });
}

// Types a path into a Qt file dialog and accepts it, as a user would.
void answerFileDialog(const QString &path)
{
    whenModalOpens([path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Save File"));
        QCOMPARE(dialog->nameFilters(), QStringList { QStringLiteral("APP (*.exe *.EXE)") });
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->setText(path);
        // done() returns what was typed even where accept() would refuse a
        // path that does not exist.
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
}

void cancelFileDialog()
{
    whenModalOpens([](QWidget *modal) {
        QVERIFY(qobject_cast<QFileDialog *>(modal));
        static_cast<QDialog *>(modal)->reject();
    });
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl &url) { urls << url; }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        catchWarnings();
        // Qt's own file dialogs, which a test can drive, also on Windows.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    void init();
    void cleanup();

    void startState();
    void chooseExecutable_data();
    void chooseExecutable();
    void qmlOption_enablesAndDisablesItsField();
    void qmlFolderDialog_fillsTheField();
    void qmlField_typedKeyByKeyReachesTheTool();
    void run_passesTheTickedOptions_data();
    void run_passesTheTickedOptions();
    void run_showsOutputVerbatim_data();
    void run_showsOutputVerbatim();
    void run_showsTheEndOfAHugeReport_data();
    void run_showsTheEndOfAHugeReport();
    void run_replacesAStaleReportWhenTheToolIsMissing();
    void run_dropsInputMadeWhileTheToolRuns();
    void appendedLines_matchQTextEditAppend();
    void clearButton_emptiesThePane();
    void run_scrollsThePaneToTheEnd();
    void processFinishedWithNonZero_logsAndKeepsRunDisabled();
    void openDir_opensTheApplicationFolder_data();
    void openDir_opensTheApplicationFolder();
    void qtdirNote_showsOneYesButton();
    void aboutDialog_showsOnceAndClosesWithExit();

private:
    template<typename T>
    T *widget(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QString pane() const { return widget<QTextBrowser>("textBrowser")->toPlainText(); }
    QColor closingLineColor() const
    {
        return lineColor(widget<QTextBrowser>("textBrowser")->document()->lastBlock());
    }
    void chooseExecutable(const QString &path);
    void clickRunAndWait();

    FakeQtKit *kit = nullptr;
    MainWindow *window = nullptr;
};

void TestMainWindow::init()
{
    for (const char *name :
         { "STANDIN_STDOUT", "STANDIN_STDOUT_FILE", "STANDIN_STDERR", "STANDIN_EXIT_CODE",
           "STANDIN_CRASH", "STANDIN_SLEEP_MS", "STANDIN_HEARTBEAT_FILE" })
        qunsetenv(name);
    kit = new FakeQtKit;
    QVERIFY(kit->isValid());
    window = new MainWindow;
    window->setQtDir(kit->qtDir());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestMainWindow::cleanup()
{
    delete window;
    window = nullptr;
    delete kit;
    kit = nullptr;
    verifyNoWarnings();
}

void TestMainWindow::chooseExecutable(const QString &path)
{
    answerFileDialog(path);
    QTest::mouseClick(widget<QToolButton>("toolButton"), Qt::LeftButton);
}

void TestMainWindow::clickRunAndWait()
{
    auto *run = widget<QPushButton>("Run");
    QVERIFY(run->isEnabled());
    QTest::mouseClick(run, Qt::LeftButton);
    QTRY_VERIFY(run->isEnabled());
    // However the run ended, the wait cursor is gone.
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestMainWindow::startState()
{
    QVERIFY(!widget<QPushButton>("Run")->isEnabled());
    QVERIFY(widget<QPushButton>("OpenDir")->isEnabled());
    QCOMPARE(window->runTimeLimit(), 30000);
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        QVERIFY2(widget<QCheckBox>(name)->isChecked(), name);
    QVERIFY(widget<QLineEdit>("AppPath")->text().isEmpty());
    QVERIFY(widget<QLineEdit>("AppPath")->isReadOnly());
    QVERIFY(pane().isEmpty());
    QCOMPARE(widget<QLabel>("appName")->text(), QStringLiteral("Not Select App"));
}

void TestMainWindow::chooseExecutable_data()
{
    QTest::addColumn<QString>("path"); // null: the dialog is cancelled
    QTest::addColumn<QString>("shownDir");
    QTest::addColumn<QString>("shownName");

    QTest::newRow("a chosen file shows its folder and base name")
            << absolute("/tmp/work/out/demo.app.exe") << absolute("/tmp/work/out") << "demo";
    QTest::newRow("odd characters in folder and name are shown as chosen")
            << absolute("/tmp/C# 50% & co/-my app.exe") << absolute("/tmp/C# 50% & co") << "-my app";
    QTest::newRow("a file at the root keeps the root's separator")
            << absolute("/demo.exe") << QDir::rootPath() << "demo";
    QTest::newRow("cancelling empties the folder and the name") << QString() << ""
                                                                << "";
}

void TestMainWindow::chooseExecutable()
{
    QFETCH(QString, path);
    if (path.isNull()) {
        cancelFileDialog();
        QTest::mouseClick(widget<QToolButton>("toolButton"), Qt::LeftButton);
    } else {
        chooseExecutable(path);
    }
    QTEST(widget<QLineEdit>("AppPath")->text(), "shownDir");
    QTEST(widget<QLabel>("appName")->text(), "shownName");
    // Even a cancelled choice makes Run usable.
    QVERIFY(widget<QPushButton>("Run")->isEnabled());
}

void TestMainWindow::qmlOption_enablesAndDisablesItsField()
{
    auto *option = widget<QCheckBox>("CB_QML");
    auto *field = widget<QLineEdit>("qmldir");
    auto *button = widget<QToolButton>("TB_qmldir");
    QTest::keyClicks(field, QStringLiteral("C:/qml"));

    QTest::mouseClick(option, Qt::LeftButton);
    QVERIFY(!option->isChecked());
    QVERIFY(!field->isEnabled());
    QVERIFY(!button->isEnabled());

    QTest::mouseClick(option, Qt::LeftButton);
    QVERIFY(field->isEnabled());
    QVERIFY(button->isEnabled());
    QCOMPARE(field->text(), QStringLiteral("C:/qml"));
}

void TestMainWindow::qmlFolderDialog_fillsTheField()
{
    QTemporaryDir qml;
    QVERIFY(qml.isValid());
    whenModalOpens([&qml](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Open Directory"));
        QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(qml.path());
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
    QTest::mouseClick(widget<QToolButton>("TB_qmldir"), Qt::LeftButton);
    QCOMPARE(widget<QLineEdit>("qmldir")->text(), qml.path());

    // Cancelling the dialog empties the field again.
    cancelFileDialog();
    QTest::mouseClick(widget<QToolButton>("TB_qmldir"), Qt::LeftButton);
    QCOMPARE(widget<QLineEdit>("qmldir")->text(), QString());
}

void TestMainWindow::qmlField_typedKeyByKeyReachesTheTool()
{
    const QString app = absolute("/tmp/x/y.exe");
    chooseExecutable(app);
    auto *field = widget<QLineEdit>("qmldir");
    QTest::keyClicks(field, QStringLiteral("C:/q"));
    for (const char *name : { "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);

    clickRunAndWait();
    QCOMPARE(pane(), app + QStringLiteral("\n--qmldir\nC:/q\n") + successTail);

    // An emptied field passes no "--qmldir" at all.
    field->clear();
    clickRunAndWait();
    QCOMPARE(pane(), app + QLatin1Char('\n') + successTail);
}

void TestMainWindow::run_passesTheTickedOptions_data()
{
    QTest::addColumn<QStringList>("unticked");
    QTest::addColumn<QString>("qmlDir");
    QTest::addColumn<QStringList>("expectedArguments");

    const QString app = absolute("/tmp/build/demo.exe");
    QTest::newRow("every option, in the tool's order") << QStringList() << "/src/qml"
                                                       << QStringList { app,
                                                                        "--qmldir",
                                                                        "/src/qml",
                                                                        "--no-webkit2",
                                                                        "--no-system-d3d-compiler",
                                                                        "--release",
                                                                        "--no-compiler-runtime" };
    // Each box alone, so that two boxes read the wrong way round show.
    QTest::newRow("only QML-Dir") << QStringList { "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" }
                                  << "/src/qml" << QStringList { app, "--qmldir", "/src/qml" };
    QTest::newRow("only NO-WebKit") << QStringList { "CB_QML", "CB_Runtime", "CB_Release", "CB_3D" }
                                    << "/src/qml" << QStringList { app, "--no-webkit2" };
    QTest::newRow("only NO-Runtime") << QStringList { "CB_QML", "CB_WebKit", "CB_Release", "CB_3D" }
                                     << "/src/qml" << QStringList { app, "--no-compiler-runtime" };
    QTest::newRow("only Release") << QStringList { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_3D" }
                                  << "/src/qml" << QStringList { app, "--release" };
    QTest::newRow("only NO-3D") << QStringList { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release" }
                                << "/src/qml" << QStringList { app, "--no-system-d3d-compiler" };
    QTest::newRow("QML ticked but its field never edited")
            << QStringList { "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" } << QString()
            << QStringList { app };
    QTest::newRow("a QML folder with spaces stays one argument")
            << QStringList { "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" } << "/src/my qml #2"
            << QStringList { app, "--qmldir", "/src/my qml #2" };
}

void TestMainWindow::run_passesTheTickedOptions()
{
    QFETCH(QStringList, unticked);
    QFETCH(QString, qmlDir);
    QFETCH(QStringList, expectedArguments);

    chooseExecutable(expectedArguments.first());
    if (!qmlDir.isNull())
        QTest::keyClicks(widget<QLineEdit>("qmldir"), qmlDir);
    for (const QString &name : unticked)
        QTest::mouseClick(window->findChild<QCheckBox *>(name), Qt::LeftButton);
    // A completed run enables it again.
    widget<QPushButton>("OpenDir")->setEnabled(false);

    clickRunAndWait();
    QCOMPARE(pane(), expectedArguments.join(QLatin1Char('\n')) + QLatin1Char('\n') + successTail);
    QCOMPARE(widget<QPushButton>("reserve_temp")->text(), kit->toolPath());
    QVERIFY(widget<QPushButton>("OpenDir")->isEnabled());
}

void TestMainWindow::run_showsOutputVerbatim_data()
{
    QTest::addColumn<QByteArray>("standardOutput");
    QTest::addColumn<QByteArray>("standardError");
    QTest::addColumn<QByteArray>("exitCode");
    QTest::addColumn<QString>("expectedPane");

    QTest::newRow("markup on standard output is shown as typed")
            << QByteArray("<b>Updating</b> <i>Qt5Core.dll</i>\n<h1>&amp;</h1>\n") << QByteArray()
            << QByteArray("0")
            << QStringLiteral("\n<b>Updating</b> <i>Qt5Core.dll</i>\n<h1>&amp;</h1>\n") + successTail;
    QTest::newRow("warnings of a successful run are shown above the success line")
            << QByteArray("done\n")
            << QByteArray("Warning: Cannot find GCC installation directory. g++.exe must be in "
                          "the path.\n")
            << QByteArray("0")
            << QStringLiteral("\ndone\n\nWarning: Cannot find GCC installation directory. g++.exe "
                              "must be in the path.\n")
                    + successTail;
}

void TestMainWindow::run_showsOutputVerbatim()
{
    QFETCH(QByteArray, standardOutput);
    QFETCH(QByteArray, standardError);
    QFETCH(QByteArray, exitCode);
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);
    // No application chosen: the tool gets one empty argument, which it echoes
    // as an empty line; the pane starts with the tool's own text then.
    widget<QPushButton>("Run")->setEnabled(true);
    qputenv("STANDIN_STDOUT", standardOutput);
    qputenv("STANDIN_STDERR", standardError);
    qputenv("STANDIN_EXIT_CODE", exitCode);

    clickRunAndWait();
    QTEST(pane(), "expectedPane");
}

void TestMainWindow::run_showsTheEndOfAHugeReport_data()
{
    QTest::addColumn<QByteArray>("output"); // after the echoed "/tmp/a.exe" line
    QTest::addColumn<QString>("expectedPane");

    const int limit = 1024 * 1024;
    const QString echo = theApp + QLatin1Char('\n');

    // 32-character lines: the last 32768 of them fill the pane's megabyte.
    QByteArray lines;
    QString lastLines;
    for (int i = 0; i < 40000; ++i) {
        const QByteArray line = "line " + QByteArray::number(i).rightJustified(26, '0') + '\n';
        lines += line;
        if (i >= 40000 - 32768)
            lastLines += QString::fromLatin1(line);
    }
    QTest::newRow("a longer report shows its last megabyte of whole lines")
            << lines
            << QStringLiteral("[... the first %1 characters of this output are not shown ...]\n")
                            .arg(echo.size() + 7232 * 32)
                    + lastLines + successTail;

    // The echoed path, whole 32-character lines and one more fill the megabyte exactly.
    const QByteArray fits =
            lines.left(32767 * 32) + QByteArray(limit - 32767 * 32 - echo.size() - 1, 'x') + '\n';
    QTest::newRow("a report of exactly a megabyte is shown whole")
            << fits << echo + QString::fromLatin1(fits) + successTail;

    // A line with nowhere to wrap is shown in pieces, so that laying it out
    // does not freeze the window.
    QTest::newRow("a long unbroken line is shown in pieces of 4096 characters")
            << QByteArray(10000, 'z') + "\nend\n"
            << echo + QString(4096, QLatin1Char('z')) + QLatin1Char('\n')
                    + QString(4096, QLatin1Char('z')) + QLatin1Char('\n')
                    + QString(1808, QLatin1Char('z')) + QStringLiteral("\nend\n") + successTail;

    QString cutLine;
    for (int i = 0; i < limit; i += 4096)
        cutLine += QString(qMin(4096, limit - i), QLatin1Char('y')) + QLatin1Char('\n');
    cutLine.chop(1);
    QTest::newRow("a single line longer than a megabyte is cut inside")
            << QByteArray(limit + 100, 'y')
            << QStringLiteral("[... the first %1 characters of this output are not shown ...]\n")
                            .arg(echo.size() + 100)
                    + cutLine + successTail;
}

void TestMainWindow::run_showsTheEndOfAHugeReport()
{
    QFETCH(QByteArray, output);
    QFETCH(QString, expectedPane);
    QTemporaryFile file;
    QVERIFY(file.open());
    QCOMPARE(file.write(output), qint64(output.size()));
    file.close();
    qputenv("STANDIN_STDOUT_FILE", QFile::encodeName(file.fileName()));
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);
    chooseExecutable(theApp);

    clickRunAndWait();
    qunsetenv("STANDIN_STDOUT_FILE");
    // Not QCOMPARE: a failure would print megabytes.
    QVERIFY(pane() == expectedPane);
}

void TestMainWindow::run_replacesAStaleReportWhenTheToolIsMissing()
{
    chooseExecutable(theApp);
    clickRunAndWait();
    QVERIFY(pane().endsWith(QLatin1String("Sucessed!")));

    // A real kit's long path, which shows on the button below the pane.
    const QString missingKit = kit->qtDir() + QStringLiteral("/Qt/Qt5.12.0/5.12.0/msvc2015_64");
    window->setQtDir(missingKit);
    clickRunAndWait();

    const QString tool = missingKit + QStringLiteral("/bin/windeployqt.exe");
    QVERIFY2(pane().startsWith(QStringLiteral("\n\n\n\n\n\n\n\nFailed! Cannot start ") + tool + ": "),
             qPrintable(pane()));
    QVERIFY(pane().length() > tool.length() + 40); // the framework's reason follows
    QCOMPARE(widget<QPushButton>("reserve_temp")->text(), tool);
    QCOMPARE(closingLineColor(), failureRed);

    // The window widens instead of squeezing the report to a few letters.
    auto *browser = widget<QTextBrowser>("textBrowser");
    QCOMPARE(browser->font().pointSize(), 14);
    QTRY_VERIFY(browser->viewport()->width() >= 40 * QFontMetrics(browser->font()).averageCharWidth());
}

void TestMainWindow::run_dropsInputMadeWhileTheToolRuns()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString heartbeat = scratch.filePath(QStringLiteral("heartbeat"));
    qputenv("STANDIN_HEARTBEAT_FILE", QFile::encodeName(heartbeat));
    qputenv("STANDIN_SLEEP_MS", "3000");
    chooseExecutable(theApp);
    auto *field = widget<QLineEdit>("qmldir");
    auto *clear = widget<QPushButton>("Btn_clear");
    const QPoint clickAt(5, 5);
    const QPoint clickAtOnScreen = clear->mapToGlobal(clickAt);

    // A user who types and clicks while the window is blocked, once the tool
    // is seen running.
    std::atomic<int> cursorDuringRun { -1 };
    std::atomic<qint64> heartbeatWhenPosted { -1 };
    std::thread user([&]() {
        QElapsedTimer timer;
        timer.start();
        while (QFileInfo(heartbeat).size() == 0 && timer.elapsed() < 20000)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (const QCursor *cursor = QGuiApplication::overrideCursor())
            cursorDuringRun = cursor->shape();
        QCoreApplication::postEvent(
                field, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
        QCoreApplication::postEvent(
                field,
                new QKeyEvent(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
        for (QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease })
            QCoreApplication::postEvent(clear,
                                        new QMouseEvent(type, clickAt, clickAtOnScreen, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
        heartbeatWhenPosted = QFileInfo(heartbeat).size();
    });
    clickRunAndWait();
    user.join();
    qunsetenv("STANDIN_HEARTBEAT_FILE");
    qunsetenv("STANDIN_SLEEP_MS");

    QCOMPARE(cursorDuringRun.load(), int(Qt::WaitCursor));
    // The tool was still running when the input came.
    QVERIFY(heartbeatWhenPosted.load() > 0);
    QVERIFY(QFileInfo(heartbeat).size() > heartbeatWhenPosted.load());
    QCOMPARE(field->text(), QString());
    QVERIFY(pane().endsWith(QLatin1String("Sucessed!")));

    // Input after the run is handled as usual.
    QTest::keyClicks(field, QStringLiteral("y"));
    QCOMPARE(field->text(), QStringLiteral("y"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(pane().isEmpty());
}

void TestMainWindow::appendedLines_matchQTextEditAppend()
{
    // The window appends its closing lines without rich-text detection; the
    // blank lines it leaves must still be exactly those QTextEdit::append
    // leaves after the same output.
    QTextBrowser reference;
    reference.setPlainText(absolute("/a") + QStringLiteral("\nb\n"));
    for (int i = 0; i < 4; ++i)
        reference.append(QStringLiteral("\n"));
    reference.append(QStringLiteral("Sucessed!"));

    qputenv("STANDIN_STDOUT", "b\n");
    chooseExecutable(absolute("/a"));
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);
    clickRunAndWait();
    QCOMPARE(pane(), reference.toPlainText());
}

void TestMainWindow::run_scrollsThePaneToTheEnd()
{
    QByteArray lines;
    for (int i = 0; i < 200; ++i)
        lines += "Updating Qt5Core.dll and a long tail that wraps in the narrow pane "
                + QByteArray::number(i) + '\n';
    qputenv("STANDIN_STDOUT", lines);
    chooseExecutable(theApp);
    clickRunAndWait();
    // Room for the pane to narrow later, past the width that the tool path
    // shown after the run asks for (longer on Windows).
    window->resize(window->minimumSizeHint().width() + 400, window->height());

    // The last line is in view once the layout has settled.
    auto *browser = widget<QTextBrowser>("textBrowser");
    QVERIFY(browser->verticalScrollBar()->maximum() > 0);
    QVERIFY(browser->textCursor().atEnd());
    QTRY_VERIFY(browser->viewport()->rect().contains(browser->cursorRect()));
    QVERIFY(pane().endsWith(QLatin1String("Sucessed!")));

    // It stays in view when a narrower pane rewraps the text.
    const int oldWidth = browser->width();
    window->resize(window->width() - 400, window->height());
    QTRY_VERIFY(browser->width() < oldWidth);
    QTRY_VERIFY(browser->viewport()->rect().contains(browser->cursorRect()));
}

void TestMainWindow::clearButton_emptiesThePane()
{
    chooseExecutable(theApp);
    clickRunAndWait();
    QVERIFY(!pane().isEmpty());
    QTest::mouseClick(widget<QPushButton>("Btn_clear"), Qt::LeftButton);
    QVERIFY(pane().isEmpty());
}

void TestMainWindow::processFinishedWithNonZero_logsAndKeepsRunDisabled()
{
    // As a run leaves them: Run disabled by its click, OpenDir as the user
    // may find it; a completed run would enable both.
    chooseExecutable(theApp);
    QVERIFY(widget<QPushButton>("Run")->isEnabled());
    widget<QPushButton>("Run")->setEnabled(false);
    widget<QPushButton>("OpenDir")->setEnabled(false);

    QTest::ignoreMessage(QtDebugMsg, "MainWindow::ProcessFinished --->CrashExit");
    QVERIFY(QMetaObject::invokeMethod(window, "ProcessFinished", Q_ARG(int, 1)));
    QVERIFY(!widget<QPushButton>("Run")->isEnabled());
    QVERIFY(!widget<QPushButton>("OpenDir")->isEnabled());
    QVERIFY(pane().isEmpty());
}

void TestMainWindow::openDir_opensTheApplicationFolder_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expectedPath");

    QTest::newRow("a plain folder") << absolute("/tmp/out/app.exe") << absolute("/tmp/out");
    QTest::newRow("a folder named like a URL fragment and escape")
            << absolute("/tmp/C#/50%20 off?/app.exe") << absolute("/tmp/C#/50%20 off?");
    QTest::newRow("no folder opens nothing") << QString() << QString();
}

void TestMainWindow::openDir_opensTheApplicationFolder()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expectedPath);
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "openUrl");

    if (chosen.isNull())
        cancelFileDialog();
    else
        answerFileDialog(chosen);
    QTest::mouseClick(widget<QToolButton>("toolButton"), Qt::LeftButton);
    QTest::mouseClick(widget<QPushButton>("OpenDir"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    if (expectedPath.isNull()) {
        QVERIFY(recorder.urls.isEmpty());
    } else {
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(recorder.urls.first().toLocalFile(), expectedPath);
    }
}

void TestMainWindow::qtdirNote_showsOneYesButton()
{
    bool seen = false;
    whenModalOpens([&seen](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("QTDIR说明"));
        QCOMPARE(box->text(), QStringLiteral("本文件夹下的conf目录conf.ini文件修改QTDIR"));
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        seen = true;
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    widget<QAction>("actionQTDIR")->trigger();
    QVERIFY(seen);
}

void TestMainWindow::aboutDialog_showsOnceAndClosesWithExit()
{
    auto aboutDialogs = []() {
        QList<QWidget *> found;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("About"))
                found << w;
        }
        return found;
    };
    QCOMPARE(aboutDialogs().size(), 1);
    QWidget *about = aboutDialogs().first();
    QVERIFY(!about->isVisible());
    QVERIFY(about->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!about->parentWidget());

    auto *action = widget<QAction>("action");
    action->trigger();
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    action->trigger();
    QCOMPARE(aboutDialogs().size(), 1);
    QVERIFY(about->isVisible());

    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    QVERIFY(!about->isVisible());

    action->trigger();
    QVERIFY(about->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(about));
    QTest::keyClick(about, Qt::Key_Escape);
    QVERIFY(!about->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
