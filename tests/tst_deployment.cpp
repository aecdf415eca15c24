// Windows with MinGW only: the window runs the Qt kit's real windeployqt.exe.
#include "app/qtdirsetting.h"
#include "app/qtdirwriter.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/reportpane.h"
#include "package/ziparchive.h"
#include "testkit.h"
#include "windowtest.h"

#include <QtTest>
#include <QtWidgets>

class TestDeployment : public QObject, public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void programInAnOddFolder_isDeployedAndThenStartsOnItsOwn();
    void qt6Program_isDeployedWithItsRuntimeAndStartsOnItsOwn();
    void quickProgram_qmlFolderChosenInTheDialog_deploysItsModulesAndLoadsItsQml();
    void notAWindowsProgram_showsTheToolsErrorAndExitCode();
    void platformPluginRemoved_tryItSaysSo_checkNamesIt_copyPutsItBack();
    void qt6HttpsProgram_schannelLine_openSslCopiedIn_fetchesAPage();
    void dllOnlyOnPath_checkNamesIt_copyPutsItIn_thenItStarts_data();
    void dllOnlyOnPath_checkNamesIt_copyPutsItIn_thenItStarts();
    void quickProgram_checkedAndTried_data();
    void quickProgram_checkedAndTried();
    void qmlFolderGuard_withTheRealKit_data();
    void qmlFolderGuard_withTheRealKit();
    void firstStart_eachProgramIsDeployedWithTheKitThatFits_data();
    void firstStart_eachProgramIsDeployedWithTheKitThatFits();
    void buildFolder_zippedWithoutTheBuild_theZipStartsOnItsOwn();

private:
    QString layOutKit(const QString &from, const QString &version, const QString &kit,
                      const QString &mingw);
    void deploy(const QString &kit, const QString &program, QString *pane,
                const QString &qmlDir = QString(), bool noRuntime = false);
    void deployTrevaloIn(const QString &folder, QString *program, QString *pane);
    void chooseQmlFolder(const QString &folder);
    bool startsOnItsOwn(const QString &program, const QStringList &arguments, const QString &marker,
                        QByteArray *output);
    void verifyStartsOnItsOwn(const QString &program, const QString &marker);
    void layOutQuickProgram(QString *program, QString *qmlDir);
    bool loadsItsQml(const QString &program, const QString &qmlDir, QByteArray *output);
    void runAction(const QString &href, const QString &menuEntry, bool throughTheLink);
    void tryIt(bool throughTheLink, const QString &programName, QString *lines);

    QString trevalo;
    QTemporaryDir *installer = nullptr;
    QString kit;
    QString kit6;
    QString openSsl3Dir; // OpenSSL 3 in Qt's installer layout
    QString httpsPort; // the file that holds the local HTTPS server's port
    QTemporaryDir *work = nullptr;
    WorkingDirectory *workingDirectory = nullptr;
    QByteArray oldPath;
};

namespace {

const QStringList mingwRuntime = { QStringLiteral("libgcc_s_seh-1.dll"),
                                   QStringLiteral("libstdc++-6.dll"),
                                   QStringLiteral("libwinpthread-1.dll") };

#ifdef OPENSSL3
const char openSsl3[] = OPENSSL3;
const char httpsPortFile[] = HTTPS_PORT_FILE;
#else
const char openSsl3[] = "";
const char httpsPortFile[] = "";
#endif
#ifdef QT6_QUICK_QML
const char quickQml[] = QT6_QUICK_QML;
#else
const char quickQml[] = "";
#endif
// What the Qt Quick program prints once it has shown the window of its QML.
const QLatin1String quickTitle("Qt Quick loaded its QML");
// A Qt program built with Trevalo's own kit and the DLL of its own it needs,
// in a folder beside the test.
const QLatin1String helperProgram("/helperprogram/helperprogram.exe");
const QLatin1String helperDll("/helperprogram/libhelper.dll");
const QString trialStarted =
        QStringLiteral("Tried %1: it started, ran for 5 seconds and was closed.");
// How the pane ends when the check finds nothing missing in the folder.
const QLatin1String allClear(" files: every DLL they import is in the folder or part of Windows.\n"
                             "Try it as a clean machine would start it\n"
                             "Make a zip to ship, without the build's files\nSucessed!");

bool copyFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QFileInfoList entries =
            QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (!(entry.isDir() ? copyFolder(entry.filePath(), target)
                            : QFile::copy(entry.filePath(), target)))
            return false;
    }
    return true;
}

// PATH without any folder that holds g++.exe: Trevalo as started from Explorer.
QByteArray pathWithoutCompiler(const QByteArray &path)
{
    QStringList kept;
    const QStringList folders = QString::fromLocal8Bit(path).split(QDir::listSeparator());
    for (const QString &folder : folders) {
        if (!QFile::exists(QDir(folder).filePath(QStringLiteral("g++.exe"))))
            kept << folder;
    }
    return kept.join(QDir::listSeparator()).toLocal8Bit();
}

// The Windows programs and DLLs in a folder and below it, as the check counts them.
int programFilesBelow(const QString &folder)
{
    int count = 0;
    QDirIterator files(folder, { QStringLiteral("*.dll"), QStringLiteral("*.exe") }, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        ++count;
    }
    return count;
}

} // namespace

void TestDeployment::initTestCase()
{
    catchWarnings();
    // Qt's own file dialogs, which a test can drive, also on Windows.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // Made absolute before any test changes the working directory: a path
    // fixed at build time may lack a drive letter (a cross-build).
    trevalo = QFileInfo(QStringLiteral(TREVALO_BINARY)).absoluteFilePath();
    if (*openSsl3) {
        openSsl3Dir = QFileInfo(QString::fromUtf8(openSsl3)).absoluteFilePath();
        httpsPort = QFileInfo(QString::fromUtf8(httpsPortFile)).absoluteFilePath();
    }
    // Qt's installer layout: each kit at <root>/<version>/<kit>, the MinGW
    // that built it at <root>/Tools/<mingw>/bin. The two kits' runtimes
    // differ, so each deployment must find its own MinGW.
    installer = new QTemporaryDir;
    QVERIFY(installer->isValid());
    // The kit Trevalo itself was built with deploys trevalo.exe.
    const bool builtWithQt6 = QT_VERSION_MAJOR == 6;
    kit = layOutKit(QStringLiteral(QT_KIT), QStringLiteral(QT_VERSION_STR),
                    builtWithQt6 ? QStringLiteral("mingw_64") : QStringLiteral("mingw81_64"),
                    builtWithQt6 ? QStringLiteral("mingw1120_64") : QStringLiteral("mingw810_64"));
    QVERIFY(!kit.isEmpty());
#ifdef QT6_KIT
    kit6 = builtWithQt6 ? kit
                        : layOutKit(QStringLiteral(QT6_KIT), QStringLiteral("6.4.2"),
                                    QStringLiteral("mingw_64"), QStringLiteral("mingw1120_64"));
    QVERIFY(!kit6.isEmpty());
#endif
}

void TestDeployment::cleanupTestCase()
{
    removeWhenFree(installer->path());
    delete installer;
}

// Copies what the kit's tool needs of the kit (bin, plugins, the QML modules
// if it has any, mkspecs/*.pri, and Qt Core's import library, by which Qt 6
// tells that its prefix is the folder above bin) and lays its MinGW beside
// it: g++.exe and the kit's runtime DLLs.
QString TestDeployment::layOutKit(const QString &from, const QString &version, const QString &kit,
                                  const QString &mingw)
{
    const QString source = QDir::cleanPath(QFileInfo(from).absoluteFilePath());
    const QString target = installer->filePath(version + QLatin1Char('/') + kit);
    const QString mingwBin =
            installer->filePath(QStringLiteral("Tools/") + mingw + QStringLiteral("/bin"));
    if (!copyFolder(source + QStringLiteral("/bin"), target + QStringLiteral("/bin"))
        || !copyFolder(source + QStringLiteral("/plugins"), target + QStringLiteral("/plugins"))
        || !QDir().mkpath(target + QStringLiteral("/mkspecs"))
        || !QDir().mkpath(target + QStringLiteral("/lib")) || !QDir().mkpath(mingwBin)
        || !writeAll(mingwBin + QStringLiteral("/g++.exe"), QByteArray()))
        return QString();
    const QString qml = source + QStringLiteral("/qml");
    if (QFileInfo(qml).isDir() && !copyFolder(qml, target + QStringLiteral("/qml")))
        return QString();
    QStringList files;
    for (const QString &pri :
         QDir(source + QStringLiteral("/mkspecs")).entryList({ QStringLiteral("*.pri") }))
        files << QStringLiteral("/mkspecs/") + pri;
    for (const QString &core :
         QDir(source + QStringLiteral("/lib")).entryList({ QStringLiteral("libQt?Core.a") }))
        files << QStringLiteral("/lib/") + core;
    for (const QString &file : files) {
        if (!QFile::copy(source + file, target + file))
            return QString();
    }
    for (const QString &dll : mingwRuntime) {
        if (!QFile::copy(source + QStringLiteral("/bin/") + dll, mingwBin + QLatin1Char('/') + dll))
            return QString();
    }
    return target;
}

void TestDeployment::init()
{
    work = new QTemporaryDir;
    QVERIFY(work->isValid());
    oldPath = qgetenv("PATH");
    qputenv("PATH", pathWithoutCompiler(oldPath));
    workingDirectory = new WorkingDirectory(work->path());
    QVERIFY(workingDirectory->isSet());
}

void TestDeployment::cleanup()
{
    closeWindow();
    delete workingDirectory;
    workingDirectory = nullptr;
    qputenv("PATH", oldPath);
    qunsetenv("TREVALO_TEST_QML");
    removeWhenFree(work->path());
    delete work;
    work = nullptr;
    verifyNoWarnings();
}

// Runs the kit's real tool on `program` through the window, configured as a
// user would: conf/conf.ini names the kit, NO-Runtime ticked only when
// `noRuntime` says so, no g++.exe on PATH. A `qmlDir` is chosen through the
// QML folder dialog; without one QML-Dir is unticked, and the tool looks for
// QML in the program's folder.
void TestDeployment::deploy(const QString &kit, const QString &program, QString *pane,
                            const QString &qmlDir, bool noRuntime)
{
    const QByteArray path = qgetenv("PATH");
    QDir().mkpath(QStringLiteral("conf"));
    writeAll(QStringLiteral("conf/conf.ini"), "[QTDIR]\nPATH=" + kit.toUtf8() + "\n");
    QSettings settings(QStringLiteral("./conf/conf.ini"), QSettings::IniFormat);
    openWindow();
    window->setQtDir(qtDirFromSettings(settings));
    widget<QCheckBox>("CB_Runtime")->setChecked(noRuntime);
    window->chooseApplication(program);
    if (qmlDir.isEmpty())
        widget<QCheckBox>("CB_QML")->setChecked(false);
    else
        chooseQmlFolder(qmlDir);
    if (QTest::currentTestFailed())
        return;

    clickRunAndWait(30000);
    *pane = this->pane();
    QVERIFY2(!pane->contains(QLatin1String("Cannot find GCC")), qPrintable(*pane));
    // Trevalo's own environment stays as it was.
    QCOMPARE(qgetenv("PATH"), path);
}

// A copy of trevalo.exe in `folder`, deployed with the kit it was built with.
void TestDeployment::deployTrevaloIn(const QString &folder, QString *program, QString *pane)
{
    *program = folder + QStringLiteral("/trevalo.exe");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(trevalo, *program));
    deploy(kit, *program, pane);
}

// Types the folder into the QML folder dialog's field and accepts it.
void TestDeployment::chooseQmlFolder(const QString &folder)
{
    const QString typed = QDir::toNativeSeparators(folder);
    whenModalOpens([typed](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(field);
        field->setText(typed);
        // The dialog's own check, as when the user presses Enter.
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL("The dialog did not take the folder");
        }
    });
    QTest::mouseClick(widget<QToolButton>("TB_qmldir"), Qt::LeftButton);
    QCOMPARE(widget<QLineEdit>("qmldir")->text(), typed);
}

// Whether the program beside its deployed files, started on the windows
// platform with nothing of the kit or of MinGW on its DLL path, gets as far
// as its event loop: it writes `marker` there (a file or a line on standard
// output). Its standard output and error are left in `output`.
bool TestDeployment::startsOnItsOwn(const QString &program, const QStringList &arguments,
                                    const QString &marker, QByteArray *output)
{
    const QString runDir = work->filePath(QStringLiteral("run"));
    if (!QDir().mkpath(runDir)) {
        *output = "Cannot make " + runDir.toLocal8Bit();
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString system = environment.value(QStringLiteral("SystemRoot"));
    environment.insert(QStringLiteral("PATH"), system + QStringLiteral("\\system32;") + system);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_QPA_FONTDIR"));
    QProcess deployed;
    deployed.setProcessEnvironment(environment);
    deployed.setWorkingDirectory(runDir);
    deployed.start(program, arguments);
    if (!deployed.waitForStarted()) {
        *output = deployed.errorString().toLocal8Bit();
        return false;
    }
    const QString markerFile = runDir + QLatin1Char('/') + marker;
    output->clear();
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(markerFile) && !output->contains(marker.toUtf8())
           && deployed.state() == QProcess::Running && clock.elapsed() < 20000) {
        QTest::qWait(50);
        *output += deployed.readAllStandardOutput();
    }
    *output += deployed.readAllStandardOutput();
    // A copy that cannot start stops at a message box on Windows; end it either way.
    const bool reachedItsLoop = QFile::exists(markerFile) || output->contains(marker.toUtf8());
    deployed.kill();
    deployed.waitForFinished();
    *output += deployed.readAllStandardError();
    return reachedItsLoop;
}

void TestDeployment::verifyStartsOnItsOwn(const QString &program, const QString &marker)
{
    QByteArray output;
    QVERIFY2(startsOnItsOwn(program, QStringList(), marker, &output),
             qUtf8Printable(QString::fromLocal8Bit(output)));
}

// The Qt Quick program in a folder of its own, and its QML in another whose
// name has a space and a letter beyond ASCII, as a project keeps its sources
// apart from its build: the tool finds the QML only where it is told to look.
void TestDeployment::layOutQuickProgram(QString *program, QString *qmlDir)
{
    *qmlDir = work->filePath(QStringLiteral("QML für uns"));
    QVERIFY(QDir().mkpath(*qmlDir));
    QVERIFY(QFile::copy(QFileInfo(QString::fromUtf8(quickQml)).absoluteFilePath(),
                        *qmlDir + QStringLiteral("/main.qml")));
    const QString appDir = work->filePath(QStringLiteral("quick app"));
    *program = appDir + QStringLiteral("/qt6quick.exe");
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/qt6quick.exe"),
                        *program));
}

// Whether the deployed Qt Quick program, started on its own, shows the window
// of its QML; if not, its output says why (a module not installed, say).
bool TestDeployment::loadsItsQml(const QString &program, const QString &qmlDir, QByteArray *output)
{
    return startsOnItsOwn(program, { qmlDir + QStringLiteral("/main.qml") }, quickTitle, output);
}

// Runs an action the report offers after a run: through its last link in the
// pane, clicked where it is drawn, or through its entry in the Settings menu.
void TestDeployment::runAction(const QString &href, const QString &menuEntry, bool throughTheLink)
{
    if (!throughTheLink) {
        QAction *entry = nullptr;
        for (QAction *action : window->findChildren<QAction *>()) {
            if (action->text() == menuEntry)
                entry = action;
        }
        QVERIFY2(entry, qUtf8Printable(menuEntry));
        QVERIFY2(entry->isEnabled(), qUtf8Printable(menuEntry));
        entry->trigger();
        return;
    }
    auto *pane = widget<QTextBrowser>("textBrowser");
    QTextCursor link;
    for (QTextBlock block = pane->document()->lastBlock(); block.isValid() && link.isNull();
         block = block.previous()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorHref() == href) {
                link = QTextCursor(pane->document());
                link.setPosition(it.fragment().position() + 1);
                break;
            }
        }
    }
    QVERIFY2(!link.isNull(), qPrintable(href));
    pane->setTextCursor(link);
    pane->ensureCursorVisible();
    const QPoint point = pane->cursorRect(link).center();
    QCOMPARE(pane->anchorAt(point), href);
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

// Tries the deployed program and waits for the verdict: `lines` holds the
// pane from the trial's first line on.
void TestDeployment::tryIt(bool throughTheLink, const QString &programName, QString *lines)
{
    const QString trying = QStringLiteral("Trying %1 as a clean machine").arg(programName);
    const QString tried = QStringLiteral("Tried %1: it ").arg(programName);
    const int before = pane().count(tried);
    runAction(QStringLiteral("trevalo:try-it"), QStringLiteral("试运行部署的程序"), throughTheLink);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(pane().count(tried) > before, 30000);
    *lines = pane().mid(pane().lastIndexOf(trying));
}

void TestDeployment::programInAnOddFolder_isDeployedAndThenStartsOnItsOwn()
{
    const QString appDir = work->filePath(QStringLiteral("my app #1 & 50%"));
    QString program;
    QString pane;
    deployTrevaloIn(appDir, &program, &pane);
    if (QTest::currentTestFailed())
        return;
    // Qt5Core.dll or Qt6Core.dll, after the kit's Qt.
    const QString qt = QStringLiteral("Qt%1").arg(QT_VERSION_MAJOR);
    QVERIFY2(pane.contains(QStringLiteral("\nUpdating %1Core.dll.\n").arg(qt)), qPrintable(pane));
    QVERIFY2(pane.endsWith(allClear), qPrintable(pane));
    for (const QString &file :
         { qt + QStringLiteral("Core.dll"), qt + QStringLiteral("Gui.dll"),
           qt + QStringLiteral("Widgets.dll"), QStringLiteral("platforms/qwindows.dll") })
        QVERIFY2(QFile::exists(appDir + QLatin1Char('/') + file), qPrintable(file));
    for (const QString &dll : mingwRuntime)
        QVERIFY2(readAll(appDir + QLatin1Char('/') + dll) == readAll(kit + QStringLiteral("/bin/") + dll),
                 qPrintable(dll));

    // The copy writes its default configuration once its event loop runs.
    verifyStartsOnItsOwn(program, QStringLiteral("conf/conf.ini"));
}

void TestDeployment::qt6Program_isDeployedWithItsRuntimeAndStartsOnItsOwn()
{
    if (kit6.isEmpty())
        QSKIP("No Qt 6 kit for Windows given (TREVALO_QT6_KIT)");
    const QString appDir = work->filePath(QStringLiteral("qt6 app"));
    const QString program = appDir + QStringLiteral("/qt6label.exe");
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/qt6label.exe"),
                        program));

    QString pane;
    deploy(kit6, program, &pane);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.contains(QLatin1String("\nUpdating Qt6Core.dll.\n")), qPrintable(pane));
    QVERIFY2(pane.endsWith(allClear), qPrintable(pane));
    for (const char *file : { "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "platforms/qwindows.dll" })
        QVERIFY2(QFile::exists(appDir + QLatin1Char('/') + QLatin1String(file)), file);
    for (const QString &dll : mingwRuntime)
        QVERIFY2(readAll(appDir + QLatin1Char('/') + dll)
                         == readAll(kit6 + QStringLiteral("/bin/") + dll),
                 qPrintable(dll));

    verifyStartsOnItsOwn(program, QStringLiteral("Deployed with Qt 6.4.2"));
}

void TestDeployment::quickProgram_qmlFolderChosenInTheDialog_deploysItsModulesAndLoadsItsQml()
{
    if (kit6.isEmpty() || !*quickQml)
        QSKIP("No Qt 6 kit with Qt Quick for Windows given (TREVALO_QT6_KIT)");
    QString program;
    QString qmlDir;
    layOutQuickProgram(&program, &qmlDir);
    if (QTest::currentTestFailed())
        return;

    QString pane;
    deploy(kit6, program, &pane, qmlDir);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.endsWith(allClear), qPrintable(pane));
    // The modules main.qml imports, each with its plugin, and Qt QML's own.
    for (const char *file :
         { "QtQuick/qmldir", "QtQuick/qtquick2plugin.dll", "QtQuick/Window/qmldir",
           "QtQuick/Window/quickwindowplugin.dll", "QtQml/qmldir", "QtQml/qmlplugin.dll" })
        QVERIFY2(QFileInfo(program).dir().exists(QLatin1String(file)), file);

    QByteArray output;
    QVERIFY2(loadsItsQml(program, qmlDir, &output), qUtf8Printable(QString::fromLocal8Bit(output)));
}

void TestDeployment::notAWindowsProgram_showsTheToolsErrorAndExitCode()
{
    const QString program = work->filePath(QStringLiteral("notes.exe"));
    QVERIFY(writeAll(program, "These are notes, not a program.\n"));

    QString pane;
    deploy(kit, program, &pane);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.contains(QLatin1String("Unable to find dependent libraries of ")), qPrintable(pane));
    QVERIFY2(pane.endsWith(QLatin1String("\n\nFailed! The deployment tool exited with code 1.")),
             qPrintable(pane));
}

// Qt's platform plugin removed after the run, as from a folder put together
// by hand: Qt holds the program open with its error box, which "try it" must
// not take for a start; the check names the plugin, the copy puts the kit's
// back, and then the program starts.
void TestDeployment::platformPluginRemoved_tryItSaysSo_checkNamesIt_copyPutsItBack()
{
    const QString appDir = work->filePath(QStringLiteral("plugin app"));
    QString program;
    QString pane;
    deployTrevaloIn(appDir, &program, &pane);
    if (QTest::currentTestFailed())
        return;
    const QString plugin = appDir + QStringLiteral("/platforms/qwindows.dll");
    QVERIFY(QFile::remove(plugin));

    QString lines;
    tryIt(true, QStringLiteral("trevalo.exe"), &lines);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(lines.contains(
                     QLatin1String("\nTried trevalo.exe: it did not start; it was still there "
                                   "after 5 seconds and was closed: Qt could not load the "
                                   "platform plugin. It said:\n")),
             qPrintable(lines));
    QVERIFY2(
            lines.contains(QStringLiteral("\nMissing: the platform plugin platforms\\qwindows.dll, "
                                          "which Qt GUI (Qt%1Gui.dll) loads at start-up; ")
                                   .arg(QT_VERSION_MAJOR)),
            qPrintable(lines));
    const QString kitPlugins = kit + QStringLiteral("/plugins/platforms");
    QVERIFY2(lines.contains(
                     QStringLiteral("A fitting one is in %1.").arg(QDir::toNativeSeparators(kitPlugins))),
             qPrintable(lines));

    runAction(QStringLiteral("trevalo:copy-missing"), QStringLiteral("复制缺少的 DLL"), true);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(readAll(plugin), readAll(kitPlugins + QStringLiteral("/qwindows.dll")));
    tryIt(true, QStringLiteral("trevalo.exe"), &lines);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(lines.contains(trialStarted.arg(QLatin1String("trevalo.exe"))), qPrintable(lines));
}

// A Qt 6 HTTPS program deployed through the window: TLS goes through
// Windows' own Schannel, and OpenSSL, laid out beside the kit as Qt's
// installer does, is offered; the copy brings it in, the line goes, and the
// deployed copy on its own fetches a page from a local HTTPS server.
void TestDeployment::qt6HttpsProgram_schannelLine_openSslCopiedIn_fetchesAPage()
{
    if (kit6.isEmpty() || openSsl3Dir.isEmpty())
        QSKIP("No Qt 6 kit with Qt Network and OpenSSL 3 for Windows given");
    const QString appDir = work->filePath(QStringLiteral("https app"));
    const QString program = appDir + QStringLiteral("/qt6https.exe");
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/qt6https.exe"),
                        program));
    const QString openSsl = installer->filePath(QStringLiteral("Tools/OpenSSLv3"));
    QVERIFY(copyFolder(openSsl3Dir, openSsl));
    const QString bin = QDir::toNativeSeparators(openSsl + QStringLiteral("/Win_x64/bin"));

    QString pane;
    deploy(kit6, program, &pane);
    QDir(openSsl).removeRecursively();
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.contains(
                     QStringLiteral("\nTLS uses Windows' own Schannel (tls\\qschannelbackend.dll): "
                                    "the OpenSSL backend is there, but OpenSSL's DLLs "
                                    "(libssl-3-x64.dll and libcrypto-3-x64.dll) are not deployed. "
                                    "On this machine they are in %1; OpenSSL's licence must "
                                    "ship with them.\n")
                             .arg(bin)),
             qUtf8Printable(pane.right(900)));

    QDir().mkpath(openSsl);
    QVERIFY(copyFolder(openSsl3Dir, openSsl));
    runAction(QStringLiteral("trevalo:copy-missing"), QStringLiteral("复制缺少的 DLL"), true);
    if (QTest::currentTestFailed())
        return;
    const QString afterCopy =
            this->pane().mid(this->pane().lastIndexOf(QLatin1String("Copied libssl")));
    QVERIFY2(afterCopy.startsWith(QStringLiteral("Copied libssl-3-x64.dll from %1.\nCopied "
                                                 "libcrypto-3-x64.dll from %1.\n")
                                          .arg(bin)),
             qUtf8Printable(afterCopy));
    QVERIFY2(!afterCopy.contains(QLatin1String("TLS")), qUtf8Printable(afterCopy));

    QFile portFile(httpsPort);
    QVERIFY2(portFile.open(QIODevice::ReadOnly), qPrintable(httpsPort));
    const QString url =
            QStringLiteral("https://127.0.0.1:%1/").arg(QString::fromLatin1(portFile.readAll().trimmed()));
    QByteArray output;
    QVERIFY2(startsOnItsOwn(program, { url }, QStringLiteral("status: 200"), &output),
             qUtf8Printable(QString::fromLocal8Bit(output)));
    QVERIFY2(output.contains("active: openssl"), output.constData());
}

void TestDeployment::dllOnlyOnPath_checkNamesIt_copyPutsItIn_thenItStarts_data()
{
    QTest::addColumn<bool>("noRuntime");
    QTest::addColumn<bool>("throughTheLinks"); // or the Settings menu
    QTest::addColumn<QStringList>("missing");

    QTest::newRow("runtime deployed, through the report's links")
            << false << true << QStringList { "libhelper.dll" };
    QTest::newRow("NO-Runtime ticked, through the menu")
            << true << false << QStringList { "libhelper.dll" } + mingwRuntime;
}

// A developer's own DLL that the program finds on PATH on the developer's
// machine only: the check names it and where it is, the program tried on its
// own cannot start, the copy puts the DLL in, and then it starts.
void TestDeployment::dllOnlyOnPath_checkNamesIt_copyPutsItIn_thenItStarts()
{
    QFETCH(bool, noRuntime);
    QFETCH(bool, throughTheLinks);
    QFETCH(QStringList, missing);
    const QString appDir = work->filePath(QStringLiteral("helper app"));
    const QString program = appDir + QStringLiteral("/helperprogram.exe");
    const QString onPath = work->filePath(QStringLiteral("our libs"));
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QDir().mkpath(onPath));
    const QString built = QCoreApplication::applicationDirPath();
    QVERIFY(QFile::copy(built + helperProgram, program));
    QVERIFY(QFile::copy(built + helperDll, onPath + QStringLiteral("/libhelper.dll")));
    qputenv("PATH", QDir::toNativeSeparators(onPath).toLocal8Bit() + ';' + qgetenv("PATH"));

    QString pane;
    deploy(kit, program, &pane, QString(), noRuntime);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.endsWith(QLatin1String("\nSucessed!")), qUtf8Printable(pane.right(700)));
    QVERIFY2(pane.contains(
                     QStringLiteral("Missing: libhelper.dll, imported by helperprogram.exe; on "
                                    "this machine it is in %1.")
                             .arg(QDir::toNativeSeparators(onPath))),
             qUtf8Printable(pane.right(700)));
    for (const QString &dll : missing)
        QVERIFY2(pane.contains(QStringLiteral("Missing: %1, imported by ").arg(dll)), qPrintable(dll));
    QCOMPARE(pane.contains(QLatin1String("The MinGW runtime (")), noRuntime);

    QString lines;
    tryIt(throughTheLinks, QStringLiteral("helperprogram.exe"), &lines);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(lines.contains(QLatin1String("Tried helperprogram.exe: it ended within seconds with "
                                          "exit code 0xC0000135: a DLL it needs was not found (")),
             qPrintable(lines));
    for (const QString &dll : missing)
        QVERIFY2(lines.contains(dll), qPrintable(lines));

    runAction(QStringLiteral("trevalo:copy-missing"), QStringLiteral("复制缺少的 DLL"), throughTheLinks);
    if (QTest::currentTestFailed())
        return;
    for (const QString &dll : missing)
        QVERIFY2(QFile::exists(appDir + QLatin1Char('/') + dll), qPrintable(dll));
    QCOMPARE(readAll(appDir + QStringLiteral("/libhelper.dll")), readAll(built + helperDll));
    const QString afterCopy =
            this->pane().mid(this->pane().lastIndexOf(QLatin1String("Copied libhelper.dll")));
    QVERIFY2(afterCopy.startsWith(
                     QStringLiteral("Copied libhelper.dll from %1.").arg(QDir::toNativeSeparators(onPath))),
             qPrintable(afterCopy));
    QVERIFY2(afterCopy.contains(QLatin1String(": every DLL they import is in the folder or part of "
                                              "Windows.")),
             qPrintable(afterCopy));
    QVERIFY2(!afterCopy.contains(QLatin1String("Copy the missing DLLs")), qPrintable(afterCopy));

    tryIt(throughTheLinks, QStringLiteral("helperprogram.exe"), &lines);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(lines.contains(trialStarted.arg(QLatin1String("helperprogram.exe"))), qPrintable(lines));
    // Windows keeps a running program's file.
    QVERIFY2(QFile::remove(program), "The tried program is still running");
}

void TestDeployment::quickProgram_checkedAndTried_data()
{
    QTest::addColumn<bool>("qmlDirTicked");

    QTest::newRow("QML-Dir with the folder of its QML: nothing missing, and it starts") << true;
    QTest::newRow("QML-Dir unticked, its QML outside its folder: the trial says why it ends") << false;
}

// The QML plugins in the folder's subfolders are checked like every other
// DLL; the QML modules themselves are loaded by name, so only a trial shows
// that they are missing.
void TestDeployment::quickProgram_checkedAndTried()
{
    if (kit6.isEmpty() || !*quickQml)
        QSKIP("No Qt 6 kit with Qt Quick for Windows given (TREVALO_QT6_KIT)");
    QFETCH(bool, qmlDirTicked);
    QString program;
    QString qmlDir;
    layOutQuickProgram(&program, &qmlDir);
    if (QTest::currentTestFailed())
        return;
    // The program started on its own shows this file; a URL, so that the
    // variable is ASCII.
    qputenv("TREVALO_TEST_QML", QUrl::fromLocalFile(qmlDir + QStringLiteral("/main.qml")).toEncoded());

    QString pane;
    deploy(kit6, program, &pane, qmlDirTicked ? qmlDir : QString());
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.endsWith(QLatin1String("\nSucessed!")), qUtf8Printable(pane.right(700)));
    const QString appDir = QFileInfo(program).absolutePath();
    QCOMPARE(QFileInfo(appDir + QStringLiteral("/QtQuick/qtquick2plugin.dll")).isFile(), qmlDirTicked);
    QVERIFY2(pane.contains(QStringLiteral("Checked %1 files: every DLL they import is in the "
                                          "folder or part of Windows.")
                                   .arg(programFilesBelow(appDir))),
             qUtf8Printable(pane.right(700)));

    QString lines;
    tryIt(true, QStringLiteral("qt6quick.exe"), &lines);
    if (QTest::currentTestFailed())
        return;
    if (qmlDirTicked) {
        QVERIFY2(lines.contains(trialStarted.arg(QLatin1String("qt6quick.exe"))), qPrintable(lines));
    } else {
        QVERIFY2(lines.contains(
                         QLatin1String("Tried qt6quick.exe: it ended within seconds with exit "
                                       "code 0x1: its QML could not be loaded.")),
                 qUtf8Printable(lines));
        // Qt's own words follow, naming the first modules it missed.
        QVERIFY2(lines.contains(QLatin1String("\" is not installed")), qUtf8Printable(lines));
    }
    QVERIFY2(QFile::remove(program), "The tried program is still running");
}

void TestDeployment::qmlFolderGuard_withTheRealKit_data()
{
    QTest::addColumn<QString>("qmlDir"); // %kit: the Qt Quick kit; %work: the test's folder
    QTest::addColumn<bool>("refused");

    QTest::newRow("the kit's own qml folder: refused, the tool not started") << "%kit/qml" << true;
    QTest::newRow("a folder with no .qml file: a warning, and the tool runs")
            << "%work/no qml here" << false;
}

void TestDeployment::qmlFolderGuard_withTheRealKit()
{
    if (kit6.isEmpty() || !*quickQml)
        QSKIP("No Qt 6 kit with Qt Quick for Windows given (TREVALO_QT6_KIT)");
    QFETCH(QString, qmlDir);
    QFETCH(bool, refused);
    QString program;
    QString sources;
    layOutQuickProgram(&program, &sources);
    if (QTest::currentTestFailed())
        return;
    qmlDir.replace(QLatin1String("%kit"), kit6).replace(QLatin1String("%work"), work->path());
    QVERIFY(QDir().mkpath(qmlDir));

    QString pane;
    deploy(kit6, program, &pane, qmlDir);
    if (QTest::currentTestFailed())
        return;
    const QString deployedCore = QFileInfo(program).absolutePath() + QStringLiteral("/Qt6Core.dll");
    if (refused) {
        QVERIFY2(pane.endsWith(QStringLiteral("Failed! %1 is the kit's own QML folder: the tool "
                                              "would deploy every QML module of the kit. Choose "
                                              "the folder of the application's QML sources "
                                              "instead.")
                                       .arg(QDir::toNativeSeparators(qmlDir))),
                 qUtf8Printable(pane.right(700)));
        QCOMPARE(lineColor(widget<QTextBrowser>("textBrowser")->document()->lastBlock()),
                 ReportPane::failureColor());
        QVERIFY2(!QFile::exists(deployedCore), "The tool ran");
    } else {
        QVERIFY2(pane.startsWith(noQmlWarning(qmlDir)), qUtf8Printable(pane.right(700)));
        QVERIFY2(pane.endsWith(QLatin1String("\nSucessed!")), qUtf8Printable(pane.right(700)));
        QVERIFY2(QFile::exists(deployedCore), "The tool did not run");
    }
}

void TestDeployment::firstStart_eachProgramIsDeployedWithTheKitThatFits_data()
{
    QTest::addColumn<int>("major"); // of the program and of the kit that deploys it
    QTest::addColumn<QString>("marker"); // what the deployed program leaves once it runs

    // The copy of trevalo.exe writes its default configuration.
    QTest::newRow("a Qt 5 program: the Qt 5 kit") << 5 << "conf/conf.ini";
    QTest::newRow("a Qt 6 program: the Qt 6 kit") << 6 << "Deployed with Qt 6.4.2";
}

// As a new user meets Trevalo: the conf.ini of its first start names a kit
// this machine lacks, and the installer's Qt folder holds both kits. Each
// program is deployed with the kit that fits it, without a visit to the menu.
void TestDeployment::firstStart_eachProgramIsDeployedWithTheKitThatFits()
{
    QFETCH(int, major);
    QFETCH(QString, marker);
    if (major == 5 && QT_VERSION_MAJOR != 5)
        QSKIP("Trevalo is built with Qt 6: there is no Qt 5 program to deploy");
    const QString fitting = major == 6 ? kit6 : kit;
    if (fitting.isEmpty())
        QSKIP("No Qt 6 kit for Windows given (TREVALO_QT6_KIT)");
    const QString built = major == 6
            ? QCoreApplication::applicationDirPath() + QStringLiteral("/qt6label.exe")
            : trevalo;
    const QString appDir = work->filePath(QStringLiteral("first start"));
    const QString program = appDir + QLatin1Char('/') + QFileInfo(built).fileName();
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QFile::copy(built, program));

    openWindow();
    {
        // As start-up reads it, which writes the default into the new file.
        QSettings settings(configurationFile(), QSettings::IniFormat);
        window->setQtDir(qtDirFromSettings(settings));
    }
    const QByteArray firstConf = readAll(configurationFile());
    QVERIFY2(firstConf.contains("PATH=" + defaultQtDir().toUtf8()), firstConf.constData());
    QVERIFY(!QFileInfo::exists(defaultQtDir()));
    window->setKitPlaces({ { installer->path() }, {}, {} });
    widget<QCheckBox>("CB_Runtime")->setChecked(false);
    widget<QCheckBox>("CB_QML")->setChecked(false);
    window->chooseApplication(program);

    clickRunAndWait(30000);
    const QString shown = pane();
    QVERIFY2(shown.startsWith(QStringLiteral("Using %1: the configured %2 does not exist.\n")
                                      .arg(QDir::toNativeSeparators(fitting),
                                           QDir::toNativeSeparators(defaultQtDir()))),
             qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("\nUpdating Qt%1Core.dll.\n").arg(major)), qPrintable(shown));
    QVERIFY2(!shown.contains(QLatin1String("Cannot find GCC")), qPrintable(shown));
    QVERIFY2(shown.endsWith(QLatin1String("\nSucessed!")), qUtf8Printable(shown.right(700)));
    // The kit's own runtime, and the configured kit left as the user's.
    for (const QString &dll : mingwRuntime)
        QVERIFY2(readAll(appDir + QLatin1Char('/') + dll)
                         == readAll(fitting + QStringLiteral("/bin/") + dll),
                 qPrintable(dll));
    QCOMPARE(readAll(configurationFile()), firstConf);

    verifyStartsOnItsOwn(program, marker);
}

// The folder a developer deploys into is the build folder: the zip made
// through the window holds the program, Qt and the application's own data,
// none of the build's files; tried through the window it starts; unpacked
// by Info-ZIP's unzip into a fresh folder it starts with nothing on its path.
void TestDeployment::buildFolder_zippedWithoutTheBuild_theZipStartsOnItsOwn()
{
    const QString appDir = work->filePath(QStringLiteral("build/Desktop_Qt_Release"));
    const QStringList build = { "CMakeCache.txt", "build.ninja", "CMakeFiles/trevalo.dir/main.cpp.obj",
                                "trevalo_autogen/mocs_compilation.cpp", "trevalo.pdb" };
    for (const QString &file : build + QStringList { "settings.json" })
        QVERIFY(QDir().mkpath(QFileInfo(appDir + QLatin1Char('/') + file).path())
                && writeAll(appDir + QLatin1Char('/') + file, file.toUtf8()));
    QString program;
    QString pane;
    deployTrevaloIn(appDir, &program, &pane);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.endsWith(
                     QLatin1String("\nMake a zip to ship, without the build's files\nSucessed!")),
             qUtf8Printable(pane.right(1500)));

    // Trevalo's own version resource says 1.0.0.0.
    const QString zipPath = work->filePath(QStringLiteral("build/trevalo-1-win64.zip"));
    whenModalOpens([&zipPath](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->selectedFiles(), QStringList { zipPath });
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
    runAction(QStringLiteral("trevalo:make-zip"), QString(), true);
    QTRY_VERIFY_WITH_TIMEOUT(this->pane().contains(QLatin1String("\nWrote ")), 60000);
    QVERIFY2(this->pane().contains(
                     QStringLiteral("\nLeft out of the zip: 4 build files (CMakeFiles\\, "
                                    "*_autogen\\, CMakeCache.txt…) and 1 debugger file "
                                    "(*.pdb).")),
             qUtf8Printable(this->pane().right(1500)));

    runAction(QStringLiteral("trevalo:try-zip"), QString(), true);
    QTRY_VERIFY_WITH_TIMEOUT(this->pane().contains(QLatin1String("\nThe zip ")), 60000);
    QVERIFY2(this->pane().endsWith(QStringLiteral("\n%1\nThe zip starts on a clean machine.")
                                           .arg(trialStarted.arg(QLatin1String("trevalo.exe")))),
             qUtf8Printable(this->pane().right(1500)));

    // What the zip holds, unpacked by Qt's reader; tests/shippedzip.sh then
    // unpacks the copy kept beside this test with Info-ZIP's unzip and
    // starts the program under wine with nothing on its path.
    const QString unpacked = work->filePath(QStringLiteral("customer"));
    QVERIFY(QDir().mkpath(unpacked));
    QCOMPARE(ZipArchive::unpack(zipPath, unpacked), QString());
    const QString top = unpacked + QStringLiteral("/trevalo-1-win64/");
    const QString qt = QStringLiteral("Qt%1").arg(QT_VERSION_MAJOR);
    for (const QString &file :
         { QStringLiteral("trevalo.exe"), qt + QStringLiteral("Core.dll"),
           qt + QStringLiteral("Widgets.dll"), QStringLiteral("platforms/qwindows.dll"),
           QStringLiteral("settings.json") })
        QVERIFY2(QFile::exists(top + file), qPrintable(file));
    for (const QString &file : build)
        QVERIFY2(!QFile::exists(top + file), qPrintable(file));
    QVERIFY(!QFile::exists(top + QStringLiteral("CMakeFiles")));
    const QString kept = QCoreApplication::applicationDirPath() + QStringLiteral("/shipped.zip");
    QFile::remove(kept);
    QVERIFY(QFile::copy(zipPath, kept));
}

QTEST_MAIN(TestDeployment)
#include "tst_deployment.moc"
