#include "app/qtdirwriter.h"
#include "mainwindow/mainwindow.h"
#include "package/ziparchive.h"
#include "testkit.h"
#include "windowtest.h"

#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <chrono>
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

// A program file at `path` inside a folder of this test run: a run starts the
// tool only for a program that exists (any bytes: the tool judges the rest).
QString laidDown(const char *path)
{
    static QTemporaryDir programs;
    const QString file = programs.path() + QLatin1String(path);
    if (!QFile::exists(file) && !(QDir().mkpath(QFileInfo(file).path()) && writeAll(file, QByteArray())))
        qWarning("Cannot lay down %s", qPrintable(file));
    return file;
}

QString theApp()
{
    return laidDown("/a.exe");
}

// A Windows program or DLL the build makes with MinGW (tests/fixtures.cmake).
QString fixture(const char *name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fixtures/") + QLatin1String(name);
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

// The kit entry of the 设置 menu that is checked, as the menu opens; empty
// when none is.
QString checkedKit(QMenu *menu)
{
    // The offscreen platform cannot show a popup.
    emit menu->aboutToShow();
    // The kits stand between the separators below 选择 Qt 目录….
    for (QAction *entry : menu->actions().mid(3)) {
        if (entry->isSeparator())
            break;
        if (entry->isChecked())
            return entry->text();
    }
    return QString();
}

// A kit store that only records what the window saves.
class KitsSaved : public KitStore
{
public:
    QStringList kits;
    bool save(const QString &qtDir) override
    {
        kits << qtDir;
        return true;
    }
    QString location() const override { return QStringLiteral("nowhere"); }
};

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl &url) { urls << url; }
};

} // namespace

class TestMainWindow : public QObject, public WindowTest
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
    void fileDialogs_openInTheFoldersInUse();
    void qmlField_typedKeyByKeyReachesTheTool();
    void run_passesTheTickedOptions_data();
    void run_passesTheTickedOptions();
    void run_refusesAProgramThatDoesNotFit_data();
    void run_refusesAProgramThatDoesNotFit();
    void run_usesTheKitInUse_data();
    void run_usesTheKitInUse();
    void run_withAMinGWKitFromQtsInstaller_data();
    void run_withAMinGWKitFromQtsInstaller();
    void run_showsOutputVerbatim_data();
    void run_showsOutputVerbatim();
    void run_showsTheEndOfAHugeReport_data();
    void run_showsTheEndOfAHugeReport();
    void run_replacesAStaleReportWhenTheToolIsMissing();
    void run_dropsInputMadeWhileTheToolRuns();
    void keyboard_enterClicksAndARunKeepsTheFocus();
    void appendedLines_matchQTextEditAppend();
    void clearButton_emptiesThePane();
    void checkAfterRun_copiesWhatIsMissingAndTriesTheProgram();
    void zipAfterRun_leavesTheBuildOutAndIsTried();
    void paneMenu_looksLikeTheOtherMenus();
    void paneSelection_showsOnBlack_data();
    void paneSelection_showsOnBlack();
    void run_scrollsThePaneToTheEnd();
    void window_keepsItsDesignedSize_data();
    void window_keepsItsDesignedSize();
    void drop_choosesOneProgramOnly_data();
    void drop_choosesOneProgramOnly();
    void processFinishedWithNonZero_logsAndKeepsRunDisabled();
    void openDir_opensTheApplicationFolder_data();
    void openDir_opensTheApplicationFolder();
    void qtdirNote_showsOneYesButton();
    void chooseQtDir_usesAndSavesAKit_data();
    void chooseQtDir_usesAndSavesAKit();
    void kitMenu_listsTheKitsFound();
    void aboutDialog_showsOnceAndClosesWithExit();
    void closingTheWindow_closesTheAboutBox();

private:
    QColor closingLineColor() const
    {
        return lineColor(widget<QTextBrowser>("textBrowser")->document()->lastBlock());
    }
    void chooseExecutable(const QString &path);

    FakeQtKit *kit = nullptr;
    IniKitStore kitStore { configurationFile() }; // the program's own
    KitsSaved kitsSaved;
};

void TestMainWindow::init()
{
    for (const char *name : { "STANDIN_STDOUT", "STANDIN_STDOUT_FILE", "STANDIN_STDERR",
                              "STANDIN_EXIT_CODE", "STANDIN_NO_ECHO", "STANDIN_ECHO_PATH",
                              "STANDIN_CRASH", "STANDIN_SLEEP_MS", "STANDIN_HEARTBEAT_FILE" })
        qunsetenv(name);
    kit = new FakeQtKit;
    QVERIFY(kit->isValid());
    openWindow();
    window->setKitStore(&kitStore);
    window->setQtDir(kit->qtDir());
}

void TestMainWindow::cleanup()
{
    closeWindow();
    delete kit;
    kit = nullptr;
    verifyNoWarnings();
}

void TestMainWindow::chooseExecutable(const QString &path)
{
    answerFileDialog(path);
    QTest::mouseClick(widget<QToolButton>("toolButton"), Qt::LeftButton);
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
    QFETCH(QString, shownDir);
    // With the platform's separators: backslashes on Windows.
    QCOMPARE(widget<QLineEdit>("AppPath")->text(), QDir::toNativeSeparators(shownDir));
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
    QCOMPARE(widget<QLineEdit>("qmldir")->text(), QDir::toNativeSeparators(qml.path()));

    // Cancelling the dialog empties the field again.
    cancelFileDialog();
    QTest::mouseClick(widget<QToolButton>("TB_qmldir"), Qt::LeftButton);
    QCOMPARE(widget<QLineEdit>("qmldir")->text(), QString());
}

void TestMainWindow::fileDialogs_openInTheFoldersInUse()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QDir folders(scratch.path());
    QVERIFY(folders.mkpath(QStringLiteral("out")) && folders.mkpath(QStringLiteral("qml")));
    const QString appFolder = folders.absoluteFilePath(QStringLiteral("out"));
    const QString qmlFolder = folders.absoluteFilePath(QStringLiteral("qml"));
    auto openedIn = [](QAbstractButton *button) {
        QString folder;
        whenModalOpens([&folder](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            folder = dialog->directory().absolutePath();
            dialog->reject();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        return folder;
    };
    auto *programButton = widget<QToolButton>("toolButton");
    auto *qmlButton = widget<QToolButton>("TB_qmldir");

    chooseExecutable(appFolder + QStringLiteral("/demo.exe"));
    QCOMPARE(openedIn(programButton), appFolder);
    // A cancelled dialog chooses nothing: the last program's folder stays.
    QCOMPARE(openedIn(programButton), appFolder);
    QCOMPARE(openedIn(qmlButton), appFolder);
    QTest::keyClicks(widget<QLineEdit>("qmldir"), QDir::toNativeSeparators(qmlFolder));
    QCOMPARE(openedIn(qmlButton), qmlFolder);
}

void TestMainWindow::qmlField_typedKeyByKeyReachesTheTool()
{
    const QString app = laidDown("/x/y.exe");
    chooseExecutable(app);
    auto *field = widget<QLineEdit>("qmldir");
    QTest::keyClicks(field, QStringLiteral("C:/q"));
    for (const char *name : { "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);

    clickRunAndWait();
    QCOMPARE(pane(), noQmlWarning("C:/q") + app + QStringLiteral("\n--qmldir\nC:/q\n") + successTail);

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

    const QString app = laidDown("/build/demo.exe");
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
    // None of these QML folders holds a .qml file, which a line says first.
    const QString warning =
            expectedArguments.contains(QLatin1String("--qmldir")) ? noQmlWarning(qmlDir) : QString();
    QCOMPARE(pane(),
             warning + expectedArguments.join(QLatin1Char('\n')) + QLatin1Char('\n') + successTail);
    QCOMPARE(widget<QPushButton>("reserve_temp")->toolTip(), QDir::toNativeSeparators(kit->toolPath()));
    QVERIFY(widget<QPushButton>("OpenDir")->isEnabled());
}

void TestMainWindow::run_refusesAProgramThatDoesNotFit_data()
{
    QTest::addColumn<QString>("program"); // a fixture; null: the dialog cancelled; "removed"
    QTest::addColumn<QString>("reason"); // in the red line

    QTest::newRow("no program chosen") << QString() << "No program chosen: choose the program to deploy";
    QTest::newRow("the chosen program was removed")
            << "removed"
            << "no longer exists: choose the program to deploy again.";
    QTest::newRow("a Qt 6 program with a Qt 5 kit") << "qt6.exe"
                                                    << "qt6.exe is a Qt 6 program, but the kit ";
    QTest::newRow("a program deployed, then rebuilt with Qt 6")
            << "rebuilt"
            << "rebuilt.exe is a Qt 6 program, but the kit ";
}

void TestMainWindow::run_refusesAProgramThatDoesNotFit()
{
    QFETCH(QString, program);
    QFETCH(QString, reason);
    if (!haveFixtures())
        QSKIP(noFixtures);
    QVERIFY(QFile::copy(fixture("core64.dll"), kit->qtDir() + QStringLiteral("/bin/Qt5Core.dll")));
    const QString removed = laidDown("/removed/a.exe");
    if (program.isNull()) {
        cancelFileDialog();
        QTest::mouseClick(widget<QToolButton>("toolButton"), Qt::LeftButton);
    } else if (program == QLatin1String("removed")) {
        chooseExecutable(removed);
        QVERIFY(QFile::remove(removed));
    } else if (program == QLatin1String("rebuilt")) {
        const QString rebuilt = QFileInfo(theApp()).path() + QStringLiteral("/rebuilt.exe");
        QFile::remove(rebuilt);
        QVERIFY(QFile::copy(fixture("qt5.exe"), rebuilt));
        chooseExecutable(rebuilt);
        clickRunAndWait();
        QVERIFY2(pane().endsWith(QLatin1String("Sucessed!")), qPrintable(pane()));
        QVERIFY(QFile::remove(rebuilt) && QFile::copy(fixture("qt6.exe"), rebuilt));
    } else {
        const QString copy = QFileInfo(theApp()).path() + QLatin1Char('/') + program;
        QVERIFY(QFile::exists(copy) || QFile::copy(fixture(qPrintable(program)), copy));
        chooseExecutable(copy);
    }
    qputenv("STANDIN_STDOUT", "the tool ran\n");

    clickRunAndWait();
    const QString shown = pane();
    QVERIFY2(shown.startsWith(QStringLiteral("\n\n\n\n\n\n\n\nFailed! ")), qPrintable(shown));
    QVERIFY2(shown.contains(reason), qPrintable(shown));
    QVERIFY(!shown.contains(QLatin1String("the tool ran")));
    QCOMPARE(closingLineColor(), failureRed);
}

void TestMainWindow::run_usesTheKitInUse_data()
{
    // Kits are folders under a scratch Qt folder as the installer lays it
    // out; {folder} in a text stands for such a folder, %PROGRAM% for the
    // chosen program.
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("program"); // a fixture
    QTest::addColumn<QString>("checkedBefore"); // in the menu, before a program is chosen
    QTest::addColumn<QString>("used"); // checked in the menu once it is chosen
    // The kit whose tool the tool button shows: the one started, or the one a
    // refused run would have used.
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("head"); // how the pane begins
    QTest::addColumn<QString>("tail"); // and ends

    const QString missing = QStringLiteral("Qt/Qt5.12.0/5.12.0/msvc2015_64");
    QTest::newRow("the configured kit missing: the newest that fits runs, and a line says so")
            << missing << "qt5-mingw.exe"
            << ""
            << "Qt/5.15.8/mingw81_64"
            << "Qt/5.15.8/mingw81_64"
            << "Using {Qt/5.15.8/mingw81_64}: the configured {" + missing + "} does not exist.\n%PROGRAM%\n"
            << "\nSucessed!";
    QTest::newRow("the configured kit present stands although a newer one fits")
            << "Qt/5.9.9/mingw81_64"
            << "qt5-mingw.exe"
            << "Qt/5.9.9/mingw81_64"
            << "Qt/5.9.9/mingw81_64"
            << "Qt/5.9.9/mingw81_64"
            << "%PROGRAM%\n"
            << "\nSucessed!";
    QTest::newRow("no kit fits: the failure line says what the program needs")
            << missing << "qt5-32bit.exe"
            << ""
            << "" << missing << ""
            << " (choose the Qt kit in 设置 → 选择 Qt 目录…) "
               "qt5-32bit.exe needs a 32-bit Qt 5 kit.";
    QTest::newRow("a misfit names the kit that fits")
            << "Qt/6.4.2/mingw_64"
            << "qt5-mingw.exe"
            << "Qt/6.4.2/mingw_64"
            << "Qt/6.4.2/mingw_64"
            << "Qt/6.4.2/mingw_64"
            << ""
            << "\nFailed! qt5-mingw.exe is a Qt 5 program, but the kit {Qt/6.4.2/mingw_64} is "
               "Qt 6: deploy it with a Qt 5 kit, such as {Qt/5.15.8/mingw81_64} "
               "(设置 → 选择 Qt 目录…).";
}

void TestMainWindow::run_usesTheKitInUse()
{
    QFETCH(QString, configured);
    QFETCH(QString, program);
    QFETCH(QString, checkedBefore);
    QFETCH(QString, used);
    QFETCH(QString, shown);
    QFETCH(QString, head);
    QFETCH(QString, tail);
    if (!haveFixtures())
        QSKIP(noFixtures);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const struct
    {
        const char *folder;
        const char *core;
        const char *coreFixture;
    } kits[] = {
        { "Qt/5.15.10/msvc2019_64", "Qt5Core.dll", "msvc-core64.dll" },
        { "Qt/5.15.8/mingw81_64", "Qt5Core.dll", "mingw-core64.dll" },
        { "Qt/5.9.9/mingw81_64", "Qt5Core.dll", "mingw-core64.dll" },
        { "Qt/6.4.2/mingw_64", "Qt6Core.dll", "mingw-core64.dll" },
    };
    for (const auto &laid : kits) {
        const QString bin = work.filePath(QLatin1String(laid.folder) + QStringLiteral("/bin/"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(kit->toolPath(), bin + QStringLiteral("windeployqt.exe")));
        QVERIFY(QFile::copy(fixture(laid.coreFixture), bin + QLatin1String(laid.core)));
    }
    const QString path = work.filePath(QStringLiteral("build/") + program);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QVERIFY(QFile::copy(fixture(qPrintable(program)), path));
    const auto native = [&work](QString text) {
        static const QRegularExpression folder(QStringLiteral("\\{([^}]+)\\}"));
        QRegularExpressionMatch match;
        while ((match = folder.match(text)).hasMatch())
            text.replace(match.capturedStart(), match.capturedLength(),
                         QDir::toNativeSeparators(work.filePath(match.captured(1))));
        return text;
    };
    const auto entry = [&native](const QString &folder) {
        return folder.isEmpty() ? QString() : native(QLatin1Char('{') + folder + QLatin1Char('}'));
    };
    head.replace(QStringLiteral("%PROGRAM%"), path);
    kitsSaved.kits.clear();
    window->setKitStore(&kitsSaved);
    window->setKitPlaces({ { work.filePath(QStringLiteral("Qt")) }, {}, {} });
    window->setQtDir(work.filePath(configured));
    auto *menu = widget<QMenu>("menu_2");

    QCOMPARE(checkedKit(menu), entry(checkedBefore));
    window->chooseApplication(path);
    QCOMPARE(checkedKit(menu), entry(used));
    widget<QCheckBox>("CB_QML")->setChecked(false);
    clickRunAndWait();

    QVERIFY2(pane().startsWith(native(head)), qPrintable(pane()));
    QVERIFY2(pane().endsWith(native(tail)), qPrintable(pane()));
    QCOMPARE(widget<QPushButton>("reserve_temp")->toolTip(),
             native(QLatin1Char('{') + shown + QStringLiteral("/bin/windeployqt.exe}")));
    // The kit in use is not saved: the configured one stays the user's choice.
    QCOMPARE(kitsSaved.kits, QStringList());
    QCOMPARE(window->toolPath(), work.filePath(configured) + QStringLiteral("/bin/windeployqt.exe"));
}

void TestMainWindow::run_withAMinGWKitFromQtsInstaller_data()
{
    QTest::addColumn<QString>("core");
    QTest::addColumn<bool>("noRuntime");
    QTest::addColumn<QStringList>("options"); // passed after the program
    QTest::addColumn<bool>("mingwOnPath");
    QTest::addColumn<bool>("note");

    // The program is empty but for the row with the note, where it imports
    // the runtime, as MinGW programs do.
    QTest::newRow("Qt 5, runtime deployed: the tool finds the kit's MinGW on its PATH")
            << "Qt5Core.dll" << false << QStringList { "--no-webkit2", "--release" } << true << false;
    QTest::newRow("Qt 6, runtime deployed: no --no-webkit2, which Qt 6's tool lacks")
            << "Qt6Core.dll" << false << QStringList { "--release" } << true << false;
    QTest::newRow("Qt 6, NO-Runtime: the check above the success line names what was left out")
            << "Qt6Core.dll" << true << QStringList { "--release", "--no-compiler-runtime" }
            << false << true;
}

void TestMainWindow::run_withAMinGWKitFromQtsInstaller()
{
    QFETCH(QString, core);
    QFETCH(bool, noRuntime);
    QFETCH(QStringList, options);
    QFETCH(bool, mingwOnPath);
    QFETCH(bool, note);
    if (!haveFixtures())
        QSKIP(noFixtures);

    // <root>/<version>/<kit> and <root>/Tools/<mingw>/bin, with the runtime
    // DLLs of both byte for byte the same.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString kitBin = root.filePath(QStringLiteral("6.4.2/mingw_64/bin"));
    const QString mingwBin = root.filePath(QStringLiteral("Tools/mingw1120_64/bin"));
    QVERIFY(QDir().mkpath(kitBin) && QDir().mkpath(mingwBin));
    QVERIFY(QFile::copy(kit->toolPath(), kitBin + QStringLiteral("/windeployqt.exe")));
    QVERIFY(QFile::copy(fixture("core64.dll"), kitBin + QLatin1Char('/') + core));
    QVERIFY(writeAll(mingwBin + QStringLiteral("/g++.exe"), QByteArray()));
    const QStringList runtime = { "libgcc_s_seh-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll" };
    for (const QString &dll : runtime) {
        QVERIFY(writeAll(kitBin + QLatin1Char('/') + dll, dll.toLatin1().repeated(100)));
        QVERIFY(writeAll(mingwBin + QLatin1Char('/') + dll, dll.toLatin1().repeated(100)));
    }
    window->setQtDir(root.filePath(QStringLiteral("6.4.2/mingw_64")));
    const QString app = laidDown("/build/demo.exe");
    if (note) {
        QVERIFY(QFile::remove(app));
        QVERIFY(QFile::copy(fixture("mingwapp.exe"), app));
    }
    chooseExecutable(app);
    widget<QCheckBox>("CB_QML")->setChecked(false);
    widget<QCheckBox>("CB_3D")->setChecked(false);
    widget<QCheckBox>("CB_Runtime")->setChecked(noRuntime);
    qputenv("STANDIN_ECHO_PATH", "1");
    const QByteArray ownPath = qgetenv("PATH");

    clickRunAndWait();
    qunsetenv("STANDIN_ECHO_PATH");
    QString path = QString::fromLocal8Bit(ownPath);
    if (mingwOnPath)
        path = QDir::toNativeSeparators(mingwBin) + QDir::listSeparator() + path;
    const QString report = (QStringList { app } + options).join(QLatin1Char('\n'))
            + QStringLiteral("\nPATH=") + path + QLatin1Char('\n');
    if (note) {
        QVERIFY2(pane().startsWith(report), qPrintable(pane()));
        // The runtime DLLs it imports; where a real runtime is on PATH, the
        // threads library they import in turn as well.
        QVERIFY2(pane().contains(QRegularExpression(QStringLiteral(
                         "\nThe MinGW runtime \\(libgcc_s_seh-1\\.dll, "
                         "libstdc\\+\\+-6\\.dll(, libwinpthread-1\\.dll)?\\) is not in "
                         "the folder: untick NO-Runtime and run again, so that the "
                         "tool deploys it beside the program\\.\n"))),
                 qPrintable(pane()));
        QVERIFY2(
                pane().endsWith(QLatin1String("\nTry it as a clean machine would start it\nMake a "
                                              "zip to ship, without the build's files\nSucessed!")),
                qPrintable(pane()));
    } else {
        QCOMPARE(pane(), report + QLatin1String(successTail));
    }
    // Only the tool's environment changed.
    QCOMPARE(qgetenv("PATH"), ownPath);
}

void TestMainWindow::run_showsOutputVerbatim_data()
{
    QTest::addColumn<QByteArray>("standardOutput");
    QTest::addColumn<QByteArray>("standardError");
    QTest::addColumn<QByteArray>("exitCode");
    QTest::addColumn<bool>("echo"); // the tool writes the program's path first
    QTest::addColumn<QString>("expectedPane");

    QTest::newRow("markup on standard output is shown as typed")
            << QByteArray("<b>Updating</b> <i>Qt5Core.dll</i>\n<h1>&amp;</h1>\n") << QByteArray()
            << QByteArray("0") << true
            << theApp() + QStringLiteral("\n<b>Updating</b> <i>Qt5Core.dll</i>\n<h1>&amp;</h1>\n")
                    + successTail;
    // A text that begins with a tag is what a rich-text guess takes for markup.
    QTest::newRow("a report that begins with markup is shown as typed")
            << QByteArray("<b>Updating</b> Qt5Core.dll\n") << QByteArray() << QByteArray("0")
            << false << QStringLiteral("<b>Updating</b> Qt5Core.dll\n") + successTail;
    QTest::newRow("warnings of a successful run are shown above the success line")
            << QByteArray("done\n")
            << QByteArray("Warning: Cannot find GCC installation directory. g++.exe must be in "
                          "the path.\n")
            << QByteArray("0") << true
            << theApp()
                    + QStringLiteral(
                            "\ndone\n\nWarning: Cannot find GCC installation directory. g++.exe "
                            "must be in the path.\n")
                    + successTail;
}

void TestMainWindow::run_showsOutputVerbatim()
{
    QFETCH(QByteArray, standardOutput);
    QFETCH(QByteArray, standardError);
    QFETCH(QByteArray, exitCode);
    QFETCH(bool, echo);
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);
    chooseExecutable(theApp());
    qputenv("STANDIN_STDOUT", standardOutput);
    qputenv("STANDIN_STDERR", standardError);
    qputenv("STANDIN_EXIT_CODE", exitCode);
    qputenv("STANDIN_NO_ECHO", echo ? "" : "1");

    clickRunAndWait();
    QTEST(pane(), "expectedPane");
}

void TestMainWindow::run_showsTheEndOfAHugeReport_data()
{
    QTest::addColumn<QByteArray>("output"); // after the echoed "/tmp/a.exe" line
    QTest::addColumn<QString>("expectedPane");

    const int limit = 1024 * 1024;
    const QString echo = theApp() + QLatin1Char('\n');

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
            lines.left(32760 * 32) + QByteArray(limit - 32760 * 32 - echo.size() - 1, 'x') + '\n';
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
    chooseExecutable(theApp());

    clickRunAndWait();
    qunsetenv("STANDIN_STDOUT_FILE");
    // Not QCOMPARE: a failure would print megabytes.
    QVERIFY(pane() == expectedPane);
}

void TestMainWindow::run_replacesAStaleReportWhenTheToolIsMissing()
{
    chooseExecutable(theApp());
    clickRunAndWait();
    QVERIFY(pane().endsWith(QLatin1String("Sucessed!")));

    // A real kit's long path, which shows on the button below the pane.
    const QString missingKit = kit->qtDir() + QStringLiteral("/Qt/Qt5.12.0/5.12.0/msvc2015_64");
    window->setQtDir(missingKit);
    clickRunAndWait();

    const QString tool = QDir::toNativeSeparators(missingKit + QStringLiteral("/bin/windeployqt.exe"));
    QVERIFY2(pane().startsWith(QStringLiteral("\n\n\n\n\n\n\n\nFailed! Cannot start ") + tool + ": "),
             qPrintable(pane()));
    QVERIFY(pane().length() > tool.length() + 40); // the framework's reason follows
    QCOMPARE(widget<QPushButton>("reserve_temp")->toolTip(), tool);
    QCOMPARE(closingLineColor(), failureRed);

    // The long path is elided on the button; the window keeps its size.
    QCOMPARE(window->size(), QSize(838, 659));
}

void TestMainWindow::run_dropsInputMadeWhileTheToolRuns()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString heartbeat = scratch.filePath(QStringLiteral("heartbeat"));
    qputenv("STANDIN_HEARTBEAT_FILE", QFile::encodeName(heartbeat));
    qputenv("STANDIN_SLEEP_MS", "3000");
    chooseExecutable(theApp());
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

void TestMainWindow::keyboard_enterClicksAndARunKeepsTheFocus()
{
    chooseExecutable(theApp());
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *run = widget<QPushButton>("Run");
    run->setFocus();

    // Enter on the focused Run runs; the focus is on Run again afterwards,
    // so that the next key runs again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(pane().endsWith(QLatin1String("Sucessed!")));
    QCOMPARE(QApplication::focusWidget(), run);

    // The keypad's Enter clicks too.
    widget<QPushButton>("Btn_clear")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(pane().isEmpty());
}

void TestMainWindow::appendedLines_matchQTextEditAppend()
{
    // The window appends its closing lines without rich-text detection; the
    // blank lines it leaves must still be exactly those QTextEdit::append
    // leaves after the same output.
    QTextBrowser reference;
    reference.setPlainText(laidDown("/a") + QStringLiteral("\nb\n"));
    for (int i = 0; i < 4; ++i)
        reference.append(QStringLiteral("\n"));
    reference.append(QStringLiteral("Sucessed!"));

    qputenv("STANDIN_STDOUT", "b\n");
    chooseExecutable(laidDown("/a"));
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
    chooseExecutable(theApp());
    clickRunAndWait();
    // Room for the pane to narrow later, down to its least width.
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

void TestMainWindow::window_keepsItsDesignedSize_data()
{
    QTest::addColumn<QString>("family");
    // Liberation Sans has the metrics of Windows' Arial, which the form asks for.
    QTest::newRow("DejaVu Sans") << QStringLiteral("DejaVu Sans");
    QTest::newRow("Liberation Sans") << QStringLiteral("Liberation Sans");
}

void TestMainWindow::window_keepsItsDesignedSize()
{
    QFETCH(QString, family);
    const QFont oldFont = QApplication::font();
    QApplication::setFont(QFont(family));
    delete window;
    window = new MainWindow;
    window->setKitPlaces(KitPlaces());
    QApplication::setFont(oldFont);
    // A kit deep down a long path, whose tool path is far wider than the button.
    const QString deepKit =
            kit->qtDir() + QStringLiteral("/Qt/Qt5.12.0/5.12.0/msvc2015_64").repeated(3);
    window->setQtDir(deepKit);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->size(), QSize(838, 659));
    auto *browser = widget<QTextBrowser>("textBrowser");
    const int paneWidth = browser->width();

    chooseExecutable(theApp());
    clickRunAndWait();
    QCoreApplication::processEvents();
    QCOMPARE(window->size(), QSize(838, 659));
    QCOMPARE(browser->width(), paneWidth);
    auto *button = widget<QPushButton>("reserve_temp");
    const QString tool = QDir::toNativeSeparators(deepKit + QStringLiteral("/bin/windeployqt.exe"));
    QCOMPARE(button->toolTip(), tool);
    QVERIFY2(button->text().contains(QChar(0x2026)), qPrintable(button->text()));
    QVERIFY(button->text().startsWith(tool.left(2)));
    QVERIFY(button->text().endsWith(QLatin1String(".exe")));
    QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width());
    // Watching its size leaves the button's input alone.
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    // Re-elided as the window is resized: more of the path in a wider one.
    const QString narrowText = button->text();
    window->resize(1600, window->height());
    QTRY_VERIFY(button->text().size() > narrowText.size());
    QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width());
    window->resize(838, window->height());
    QTRY_COMPARE(button->text(), narrowText);
    QCOMPARE(window->size(), QSize(838, 659));
    QCOMPARE(browser->width(), paneWidth);

    // A narrower window leaves the pane the width it opened with.
    window->resize(400, window->height());
    QTest::qWait(50);
    QCOMPARE(browser->width(), paneWidth);
}

void TestMainWindow::drop_choosesOneProgramOnly_data()
{
    QTest::addColumn<QStringList>("dropped"); // names in a scratch folder, or URLs
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<bool>("firstAsArgumentChosen");

    QTest::newRow("one program") << QStringList { "Demo.exe" } << true << true;
    QTest::newRow("upper-case suffix") << QStringList { "DEMO.EXE" } << true << true;
    QTest::newRow("folder named like a program") << QStringList { "Folder.exe" } << false << false;
    QTest::newRow("text file") << QStringList { "notes.txt" } << false << false;
    QTest::newRow("program that does not exist") << QStringList { "Gone.exe" } << false << false;
    QTest::newRow("two programs") << QStringList { "Demo.exe", "DEMO.EXE" } << false << true;
    QTest::newRow("web address") << QStringList { "https://example.com/Demo.exe" } << false << false;
}

void TestMainWindow::drop_choosesOneProgramOnly()
{
    QFETCH(QStringList, dropped);
    QFETCH(bool, chosen);
    QFETCH(bool, firstAsArgumentChosen);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    for (const char *name : { "Demo.exe", "DEMO.EXE", "notes.txt" }) {
        QFile file(scratch.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(scratch.path()).mkdir(QStringLiteral("Folder.exe")));
    QList<QUrl> urls;
    for (const QString &item : dropped)
        urls << (item.contains(QLatin1Char(':')) ? QUrl(item)
                                                 : QUrl::fromLocalFile(scratch.filePath(item)));
    QMimeData data;
    data.setUrls(urls);

    const QPoint centre = window->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QCOMPARE(enter.isAccepted(), chosen);
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QCOMPARE(drop.isAccepted(), chosen);

    const auto verifyChoice = [&](bool expected) {
        const QString name = QFileInfo(dropped.first()).completeBaseName();
        QCOMPARE(widget<QLineEdit>("AppPath")->text(),
                 expected ? QDir::toNativeSeparators(scratch.path()) : QString());
        QCOMPARE(widget<QLabel>("appName")->text(), expected ? name : QStringLiteral("Not Select App"));
        QCOMPARE(widget<QPushButton>("Run")->isEnabled(), expected);
    };
    verifyChoice(chosen);

    // The same path as trevalo.exe's argument, relative to its working folder.
    delete window;
    window = new MainWindow;
    window->setKitPlaces(KitPlaces());
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(scratch.path()));
    const bool opened = window->openProgram(dropped.first());
    QDir::setCurrent(oldCurrent);
    QCOMPARE(opened, firstAsArgumentChosen);
    verifyChoice(opened);
}

// A program that links a library found only in a folder on PATH, as a
// developer's program links one from MSYS2 or vcpkg; the stand-in deploys
// nothing, so the check after the run finds the library missing.
void TestMainWindow::checkAfterRun_copiesWhatIsMissingAndTriesTheProgram()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    // Windows keeps the folder of a program that just ended busy for a moment.
    work.setAutoRemove(false);
    const QString appDir = work.filePath(QStringLiteral("app"));
    const QString onPath = work.filePath(QStringLiteral("msys64/bin"));
    QVERIFY(QDir().mkpath(appDir) && QDir().mkpath(onPath));
    const QString program = appDir + QStringLiteral("/helperapp.exe");
    QVERIFY(QFile::copy(fixture("helperapp.exe"), program));
    for (const char *dll : { "libhelper.dll", "libdeep.dll" })
        QVERIFY(QFile::copy(fixture(dll), onPath + QLatin1Char('/') + QLatin1String(dll)));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH",
            QFile::encodeName(QDir::toNativeSeparators(onPath)) + QDir::listSeparator().toLatin1()
                    + oldPath);
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);
    chooseExecutable(program);

    clickRunAndWait();
    qputenv("PATH", oldPath);
    auto *browser = widget<QTextBrowser>("textBrowser");
    const QString missingLine = QStringLiteral("Missing: libhelper.dll, imported by helperapp.exe; "
                                               "on this machine it is in %1")
                                        .arg(QDir::toNativeSeparators(onPath));
    QVERIFY2(pane().contains(QLatin1Char('\n') + missingLine), qPrintable(pane()));
    QVERIFY2(pane().endsWith(QLatin1String(
                     "\nCopy the missing DLLs found on this machine into the "
                     "folder\nTry it as a clean machine would start it\nMake a zip to "
                     "ship, without the build's files\nSucessed!")),
             qPrintable(pane()));
    const QTextBlock missing = browser->document()->find(missingLine).block();
    QCOMPARE(lineColor(missing), QColor(255, 176, 0));

    // A click on the link copies, and leaves the report where it was.
    const QTextBlock link = browser->document()->find(QStringLiteral("Copy the missing DLLs")).block();
    QTextCursor onLink(link);
    onLink.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 3);
    const QPoint at = browser->cursorRect(onLink).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTRY_VERIFY(QFile::exists(appDir + QStringLiteral("/libhelper.dll")));
    QVERIFY(QFile::exists(appDir + QStringLiteral("/libdeep.dll")));
    QVERIFY2(pane().contains(missingLine), qPrintable(pane()));
    // Then the check again: what was copied is no longer missing.
    const QString afterCopy = pane().section(QStringLiteral("Sucessed!"), 1);
    QVERIFY2(afterCopy.contains(QStringLiteral("\nCopied libhelper.dll from %1.\n")
                                        .arg(QDir::toNativeSeparators(onPath))),
             qPrintable(afterCopy));
    QVERIFY2(!afterCopy.contains(QLatin1String("Missing: libhelper.dll")), qPrintable(afterCopy));

    // Tab leaves the pane rather than walking its links.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    browser->setFocus();
    QCOMPARE(QApplication::focusWidget(), browser);
    QTest::keyClick(browser, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != browser);

    // Trying it: this program cannot start here, which the report says; Run
    // waits for the trial.
    QAction *tryIt = nullptr;
    for (QAction *action : widget<QMenu>("menu_2")->actions()) {
        if (action->text() == QStringLiteral("试运行部署的程序"))
            tryIt = action;
    }
    QVERIFY(tryIt && tryIt->isEnabled());
    tryIt->trigger();
    QVERIFY(!widget<QPushButton>("Run")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(widget<QPushButton>("Run")->isEnabled(), 15000);
    QVERIFY2(pane().contains(QLatin1String("\nTried helperapp.exe: ")), qPrintable(pane()));
    QVERIFY(removeWhenFree(work.path()));
}

// The zip through the menu: proposed beside the folder, without the build's
// files, its report repeating what the check found missing; then tried from
// a temporary folder, where this program cannot start either.
void TestMainWindow::zipAfterRun_leavesTheBuildOutAndIsTried()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    QTemporaryDir work;
    const QString appDir = work.filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(appDir + QStringLiteral("/CMakeFiles")));
    QVERIFY(QFile::copy(fixture("helperapp.exe"), appDir + QStringLiteral("/helperapp.exe")));
    for (const char *file : { "settings.json", "CMakeFiles/main.cpp.o", "helperapp.pdb" })
        QVERIFY(writeAll(appDir + QLatin1Char('/') + QLatin1String(file), file));
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(false);
    chooseExecutable(appDir + QStringLiteral("/helperapp.exe"));
    clickRunAndWait();
    const auto entry = [this](const QString &text) {
        for (QAction *action : widget<QMenu>("menu_2")->actions()) {
            if (action->text() == text)
                return action;
        }
        return static_cast<QAction *>(nullptr);
    };
    QVERIFY(entry(QStringLiteral("制作 zip 包…"))->isEnabled());
    QVERIFY(!entry(QStringLiteral("试运行 zip 包"))->isEnabled());

    const QString zipPath = work.filePath(QStringLiteral("helperapp-win64.zip"));
    whenModalOpens([&zipPath](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->selectedFiles(), QStringList { zipPath });
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
    entry(QStringLiteral("制作 zip 包…"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(widget<QPushButton>("Run")->isEnabled(), 15000);
    const QString report = pane().mid(pane().lastIndexOf(QLatin1String("\nWrote ")));
    QVERIFY2(report.startsWith(
                     QStringLiteral("\nWrote %1: 2 files, ").arg(QDir::toNativeSeparators(zipPath))),
             qPrintable(report));
    // Under wine the MinGW runtime is missing too.
    QVERIFY2(report.contains(
                     QLatin1String("\nLeft out of the zip: 1 build file (CMakeFiles\\) and 1 "
                                   "debugger file (*.pdb).\nThe zip holds what the folder "
                                   "holds: the DLLs the check found missing (Qt5Core.dll, "
                                   "libhelper.dll"))
                     && report.contains(
                             QLatin1String(") are missing from the zip too.\nTry the zip")),
             qPrintable(report));
    QTemporaryDir unpacked;
    QCOMPARE(ZipArchive::unpack(zipPath, unpacked.path()), QString());
    QDirIterator files(unpacked.path(), QDir::Files, QDirIterator::Subdirectories);
    QStringList names;
    while (files.hasNext())
        names << QDir(unpacked.path()).relativeFilePath(files.next());
    names.sort();
    QCOMPARE(names, QStringList({ "helperapp-win64/helperapp.exe", "helperapp-win64/settings.json" }));

    const QStringList before = QDir::temp().entryList({ QStringLiteral("trevalo-zip-*") });
    entry(QStringLiteral("试运行 zip 包"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(widget<QPushButton>("Run")->isEnabled(), 15000);
    const QString tried = pane().mid(pane().lastIndexOf(QLatin1String("Try the zip")));
    QVERIFY2(tried.contains(QLatin1String("\nMissing: libhelper.dll, imported by helperapp.exe;")),
             qPrintable(tried));
    QVERIFY2(tried.endsWith(QLatin1String("\nThe zip does not start as it is.")), qPrintable(tried));
    QCOMPARE(QDir::temp().entryList({ QStringLiteral("trevalo-zip-*") }), before);
}

void TestMainWindow::clearButton_emptiesThePane()
{
    chooseExecutable(theApp());
    clickRunAndWait();
    QVERIFY(!pane().isEmpty());
    QTest::mouseClick(widget<QPushButton>("Btn_clear"), Qt::LeftButton);
    QVERIFY(pane().isEmpty());
}

void TestMainWindow::paneMenu_looksLikeTheOtherMenus()
{
    auto *pane = widget<QTextBrowser>("textBrowser");
    const QPoint pos(20, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, pane->viewport()->mapToGlobal(pos));
    QCoreApplication::sendEvent(pane->viewport(), &event);

    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QVERIFY(!menu->actions().isEmpty());
    // Not the pane's black, green, 14-point console look.
    auto *helpMenu = widget<QMenu>("menu");
    QCOMPARE(menu->style(), helpMenu->style());
    QCOMPARE(menu->font(), helpMenu->font());
    QVERIFY(menu->palette() == helpMenu->palette());
    menu->close();
}

void TestMainWindow::paneSelection_showsOnBlack_data()
{
    QTest::addColumn<bool>("paneHasFocus"); // the pane draws its selection active or inactive
    // The platform's selection colours, made for a light background.
    QTest::addColumn<QColor>("highlight");
    QTest::addColumn<QColor>("highlightedText");

    QTest::newRow("the pane in use, a black selection")
            << true << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("the pane in use, a selection in the pane's green")
            << true << QColor(0, 255, 0) << QColor(Qt::black);
    QTest::newRow("another widget in use, a black selection")
            << false << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("another widget in use, the selection drawn as text")
            << false << QColor(0, 255, 0) << QColor(0, 255, 0);
}

// Copying a line of the report needs its selection to show on the pane's black.
void TestMainWindow::paneSelection_showsOnBlack()
{
    QFETCH(bool, paneHasFocus);
    QFETCH(QColor, highlight);
    QFETCH(QColor, highlightedText);
    auto *pane = widget<QTextBrowser>("textBrowser");
    // What the platform gives the pane's class, as a platform theme does.
    const QPalette platform = QApplication::palette(pane);
    QPalette clashing = platform;
    clashing.setColor(QPalette::Highlight, highlight);
    clashing.setColor(QPalette::HighlightedText, highlightedText);
    QApplication::setPalette(clashing, "QTextBrowser");
    pane->setPlainText(QStringLiteral("MMMMMMMMMMMMMMMM\nthe next line"));
    QTextCursor line(pane->document());
    line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    pane->setTextCursor(line);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    if (paneHasFocus)
        pane->setFocus();
    else
        widget<QLineEdit>("qmldir")->setFocus();
    QTRY_COMPARE(pane->hasFocus(), paneHasFocus);

    // The colour that covers most of the selected line is its background.
    const QRect selected = pane->cursorRect(QTextCursor(pane->document()))
                                   .united(pane->cursorRect(line))
                                   .adjusted(2, 0, -2, 0);
    const QImage image = pane->viewport()->grab(selected).toImage();
    QApplication::setPalette(platform, "QTextBrowser");
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb background = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(background))
            background = it.key();
    }
    const QColor drawn = QColor::fromRgb(background);
    QVERIFY2(drawn != QColor(Qt::black), qPrintable(drawn.name()));
    QVERIFY2(drawn != QColor(0, 255, 0), qPrintable(drawn.name()));
    // The selected text in a colour of its own.
    const QPalette::ColorGroup group = paneHasFocus ? QPalette::Active : QPalette::Inactive;
    QCOMPARE(pane->palette().color(group, QPalette::Highlight), drawn);
    QVERIFY(pane->palette().color(group, QPalette::HighlightedText) != drawn);
}

void TestMainWindow::processFinishedWithNonZero_logsAndKeepsRunDisabled()
{
    // As a run leaves them: Run disabled by its click, OpenDir as the user
    // may find it; a completed run would enable both.
    chooseExecutable(theApp());
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

void TestMainWindow::chooseQtDir_usesAndSavesAKit_data()
{
    // Folders under the working folder; "kit" is a kit elsewhere.
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("kits"); // laid out under the working folder
    QTest::addColumn<int>("picked"); // in the list of kits offered; -1: cancelled
    QTest::addColumn<QString>("used"); // empty: nothing changes
    QTest::addColumn<bool>("confIsAFile");
    QTest::addColumn<bool>("hasStore");
    // A part of the message; empty: no message. %TOOL% the tool in the
    // folder chosen, %USED% the kit used.
    QTest::addColumn<QString>("expectedMessage");

    QTest::newRow("a kit is used at once and saved")
            << "kit" << QStringList() << -1 << "kit" << false << true << "";
    QTest::newRow("a folder without the tool is refused and nothing changes")
            << "." << QStringList { "Qt/a/kit" } << -1 << "" << false << true
            << "There is no %TOOL%, so this folder is not a Qt kit.";
    QTest::newRow("a kit that cannot be saved is used until Trevalo closes")
            << "kit" << QStringList() << -1 << "kit" << true << true
            << "until it is closed, but could not save it in";
    QTest::newRow("a window with nowhere to save a kit only uses it")
            << "kit" << QStringList() << -1 << "kit" << false << false << "";
    QTest::newRow("a version folder: its one kit is taken, and the message says so")
            << "Qt/6.4.2" << QStringList { "Qt/6.4.2/mingw_64" } << -1 << "Qt/6.4.2/mingw_64"
            << false << true << "is not a Qt kit, but holds one: Trevalo uses the kit %USED%.";
    QTest::newRow("the Qt folder: its kits are offered, the one picked is used")
            << "Qt"
            << QStringList { "Qt/5.15.8/mingw81_64", "Qt/6.4.2/mingw_64", "Qt/6.4.2/msvc2019_64" }
            << 1 << "Qt/6.4.2/mingw_64" << false << true << "";
    QTest::newRow("the Qt folder: cancelling the offer changes nothing")
            << "Qt" << QStringList { "Qt/5.15.8/mingw81_64", "Qt/6.4.2/mingw_64" } << -1 << ""
            << false << true << "";
}

void TestMainWindow::chooseQtDir_usesAndSavesAKit()
{
    QFETCH(QString, chosen);
    QFETCH(QStringList, kits);
    QFETCH(int, picked);
    QFETCH(QString, used);
    QFETCH(bool, confIsAFile);
    QFETCH(bool, hasStore);
    QFETCH(QString, expectedMessage);
    if (!hasStore)
        window->setKitStore(nullptr);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    if (confIsAFile)
        QVERIFY(writeAll(work.filePath(QStringLiteral("conf")), "x"));
    FakeQtKit chosenKit;
    QVERIFY(chosenKit.isValid());
    QStringList offered;
    for (const QString &relative : kits) {
        const QString bin = work.filePath(relative + QStringLiteral("/bin"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(chosenKit.toolPath(), bin + QStringLiteral("/windeployqt.exe")));
        offered << QDir::toNativeSeparators(work.filePath(relative));
    }
    const auto inWorkOrKit = [&work, &chosenKit](const QString &relative) {
        return relative == QLatin1String("kit") ? chosenKit.qtDir()
                                                : QDir::cleanPath(work.filePath(relative));
    };
    const QString folder = inWorkOrKit(chosen);
    // A kit that is gone, so that a run tells which tool it started.
    const QString goneKit = kit->qtDir() + QStringLiteral("/gone");
    window->setQtDir(goneKit);
    const QString usedKit = used.isEmpty() ? goneKit : inWorkOrKit(used);
    const QString usedTool = usedKit + QStringLiteral("/bin/windeployqt.exe");
    expectedMessage.replace(QStringLiteral("%TOOL%"),
                            QDir::toNativeSeparators(folder + QStringLiteral("/bin/windeployqt.exe")));
    expectedMessage.replace(QStringLiteral("%USED%"), QDir::toNativeSeparators(usedKit));

    QStringList messages;
    QStringList lists;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&messages, &lists, &offered, picked]() {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages << box->text();
            box->buttons().first()->click();
        } else if (auto *list = qobject_cast<QInputDialog *>(modal)) {
            lists << list->comboBoxItems().join(QLatin1Char('|'));
            if (picked < 0) {
                list->reject();
            } else {
                list->setTextValue(offered.value(picked));
                list->accept();
            }
        }
    });
    answerer.start(20);
    whenModalOpens([folder, this](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
        // In the deepest folder of the configured kit's path that exists.
        QCOMPARE(dialog->directory().absolutePath(), kit->qtDir());
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QCOMPARE(name->text(), QString());
        name->setText(folder);
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
    {
        // Only while choosing: on Windows the tool run below would keep the
        // folder in use for a moment.
        WorkingDirectory inWork(work.path());
        widget<QAction>("actionChooseQtDir")->trigger();
    }
    answerer.stop();

    QCOMPARE(messages.size(), expectedMessage.isEmpty() ? 0 : 1);
    if (!expectedMessage.isEmpty())
        QVERIFY2(messages.first().contains(expectedMessage), qPrintable(messages.first()));
    // Several kits are offered in a list, in the order of their names.
    QCOMPARE(lists,
             offered.size() > 1 ? QStringList { offered.join(QLatin1Char('|')) } : QStringList());
    QCOMPARE(window->toolPath(), usedTool);
    if (confIsAFile)
        QCOMPARE(readAll(work.filePath(QStringLiteral("conf"))), QByteArray("x"));
    else if (!used.isEmpty() && hasStore)
        QCOMPARE(readAll(work.filePath(QStringLiteral("conf/conf.ini"))),
                 "[QTDIR]\r\nPATH=" + usedKit.toUtf8() + "\r\n");
    else
        QVERIFY(!QFileInfo::exists(work.filePath(QStringLiteral("conf"))));

    // The next run starts the kit in use; a missing tool says where to choose one.
    chooseExecutable(theApp());
    clickRunAndWait();
    if (!used.isEmpty()) {
        QVERIFY(pane().endsWith(QLatin1String("Sucessed!")));
    } else {
        const QString lastLine = pane().section(QLatin1Char('\n'), -1);
        QVERIFY2(lastLine.startsWith(QStringLiteral("Failed! Cannot start ")
                                     + QDir::toNativeSeparators(usedTool)),
                 qPrintable(lastLine));
        QVERIFY2(lastLine.endsWith(QStringLiteral(" (choose the Qt kit in 设置 → 选择 Qt 目录…)")),
                 qPrintable(lastLine));
    }
}

void TestMainWindow::kitMenu_listsTheKitsFound()
{
    QTemporaryDir work;
    QVERIFY(work.isValid());
    WorkingDirectory inWork(work.path());
    // A Qt folder as the installer lays it out.
    const QString root = work.filePath(QStringLiteral("Qt"));
    const QStringList kits { root + QStringLiteral("/5.15.2/mingw81_64 & co"),
                             root + QStringLiteral("/6.4.0/msvc2019_64") };
    for (const QString &qtDir : kits) {
        QVERIFY(QDir().mkpath(qtDir + QStringLiteral("/bin")));
        QVERIFY(writeAll(qtDir + QStringLiteral("/bin/windeployqt.exe"), "MZ"));
    }
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Tools/QtCreator/bin")));
    window->setKitPlaces({ { root }, {}, {} });
    auto *menu = widget<QMenu>("menu_2");
    const auto listed = [menu]() {
        // As the menu opens; the offscreen platform cannot show a popup.
        emit menu->aboutToShow();
        // The kits stand between the separators below 选择 Qt 目录….
        QStringList texts;
        for (QAction *entry : menu->actions().mid(3)) {
            if (entry->isSeparator())
                break;
            texts << entry->text() + (entry->isChecked() ? QStringLiteral(" [x]") : QString());
        }
        return texts;
    };
    // A single & would mark a shortcut key.
    const QString firstText =
            QDir::toNativeSeparators(kits.first()).replace(QLatin1Char('&'), QLatin1String("&&"));

    // The kit in use is listed too, although it lies elsewhere.
    QCOMPARE(listed(),
             QStringList({ firstText, QDir::toNativeSeparators(kits.at(1)),
                           QDir::toNativeSeparators(kit->qtDir()) + QStringLiteral(" [x]") }));
    menu->actions().at(3)->trigger();
    QCOMPARE(window->toolPath(), kits.first() + QStringLiteral("/bin/windeployqt.exe"));
    QVERIFY(readAll(QStringLiteral("conf/conf.ini")).contains("PATH=" + kits.first().toUtf8()));
    QCOMPARE(listed(),
             QStringList({ firstText + QStringLiteral(" [x]"), QDir::toNativeSeparators(kits.at(1)) }));
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

void TestMainWindow::closingTheWindow_closesTheAboutBox()
{
    widget<QAction>("action")->trigger();
    QWidget *about = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("About"))
            about = w;
    }
    QVERIFY(about && about->isVisible());

    // Closed in the running event loop, as a user does, the window ends it
    // even with the parentless About box open.
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, window, &QWidget::close);
    QTimer notEnded; // stopped with the test, so that it ends no later event loop
    notEnded.setSingleShot(true);
    connect(&notEnded, &QTimer::timeout, qApp, &QCoreApplication::quit);
    notEnded.start(10000);
    QApplication::exec();
    QCOMPARE(lastWindowClosed.count(), 1);
    QVERIFY(!about->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
