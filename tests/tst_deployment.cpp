// Windows with MinGW only: the window runs the Qt kit's real windeployqt.exe.
#include "app/qtdirsetting.h"
#include "app/qtdirwriter.h"
#include "mainwindow/mainwindow.h"
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
    void firstStart_eachProgramIsDeployedWithTheKitThatFits_data();
    void firstStart_eachProgramIsDeployedWithTheKitThatFits();

private:
    QString layOutKit(const QString &from, const QString &version, const QString &kit,
                      const QString &mingw);
    void deploy(const QString &kit, const QString &program, QString *pane,
                const QString &qmlDir = QString());
    void chooseQmlFolder(const QString &folder);
    bool startsOnItsOwn(const QString &program, const QStringList &arguments, const QString &marker,
                        QByteArray *output);
    void verifyStartsOnItsOwn(const QString &program, const QString &marker);
    void layOutQuickProgram(QString *program, QString *qmlDir);
    bool loadsItsQml(const QString &program, const QString &qmlDir, QByteArray *output);

    QString trevalo;
    QTemporaryDir *installer = nullptr;
    QString kit;
    QString kit6;
    QTemporaryDir *work = nullptr;
    WorkingDirectory *workingDirectory = nullptr;
    QByteArray oldPath;
};

namespace {

const QStringList mingwRuntime = { QStringLiteral("libgcc_s_seh-1.dll"),
                                   QStringLiteral("libstdc++-6.dll"),
                                   QStringLiteral("libwinpthread-1.dll") };

#ifdef QT6_QUICK_QML
const char quickQml[] = QT6_QUICK_QML;
#else
const char quickQml[] = "";
#endif
// What the Qt Quick program prints once it has shown the window of its QML.
const QLatin1String quickTitle("Qt Quick loaded its QML");

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

} // namespace

void TestDeployment::initTestCase()
{
    catchWarnings();
    // Qt's own file dialogs, which a test can drive, also on Windows.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // Made absolute before any test changes the working directory: a path
    // fixed at build time may lack a drive letter (a cross-build).
    trevalo = QFileInfo(QStringLiteral(TREVALO_BINARY)).absoluteFilePath();
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
    removeWhenFree(work->path());
    delete work;
    work = nullptr;
    verifyNoWarnings();
}

// Runs the kit's real tool on `program` through the window, configured as a
// user would: conf/conf.ini names the kit, NO-Runtime unticked, no g++.exe on
// PATH. A `qmlDir` is chosen through the QML folder dialog; without one
// QML-Dir is unticked, and the tool looks for QML in the program's folder.
void TestDeployment::deploy(const QString &kit, const QString &program, QString *pane,
                            const QString &qmlDir)
{
    QDir().mkpath(QStringLiteral("conf"));
    writeAll(QStringLiteral("conf/conf.ini"), "[QTDIR]\nPATH=" + kit.toUtf8() + "\n");
    QSettings settings(QStringLiteral("./conf/conf.ini"), QSettings::IniFormat);
    openWindow();
    window->setQtDir(qtDirFromSettings(settings));
    widget<QCheckBox>("CB_Runtime")->setChecked(false);
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
    QCOMPARE(qgetenv("PATH"), pathWithoutCompiler(oldPath));
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

void TestDeployment::programInAnOddFolder_isDeployedAndThenStartsOnItsOwn()
{
    const QString appDir = work->filePath(QStringLiteral("my app #1 & 50%"));
    const QString program = appDir + QStringLiteral("/trevalo.exe");
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QFile::copy(trevalo, program));

    QString pane;
    deploy(kit, program, &pane);
    if (QTest::currentTestFailed())
        return;
    // Qt5Core.dll or Qt6Core.dll, after the kit's Qt.
    const QString qt = QStringLiteral("Qt%1").arg(QT_VERSION_MAJOR);
    QVERIFY2(pane.contains(QStringLiteral("\nUpdating %1Core.dll.\n").arg(qt)), qPrintable(pane));
    QVERIFY2(pane.endsWith(QLatin1String("\n\nSucessed!")), qPrintable(pane));
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
    QVERIFY2(pane.endsWith(QLatin1String("\n\nSucessed!")), qPrintable(pane));
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
    QVERIFY2(pane.endsWith(QLatin1String("\n\nSucessed!")), qPrintable(pane));
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

QTEST_MAIN(TestDeployment)
#include "tst_deployment.moc"
