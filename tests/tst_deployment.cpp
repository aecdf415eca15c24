// Windows with MinGW only: the window runs the Qt kit's real windeployqt.exe.
#include "app/qtdirsetting.h"
#include "mainwindow/mainwindow.h"
#include "testkit.h"

#include <QtTest>
#include <QtWidgets>

class TestDeployment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void programInAnOddFolder_isDeployedAndThenStartsOnItsOwn();
    void notAWindowsProgram_showsTheToolsErrorAndExitCode();

private:
    void deploy(const QString &program, QString *pane);

    QString kitDir;
    QString trevalo;
    QTemporaryDir *work = nullptr;
    QString oldCurrent;
    QByteArray oldPath;
};

void TestDeployment::initTestCase()
{
    catchWarnings();
    // Made absolute before any test changes the working directory: a path
    // fixed at build time may lack a drive letter (a cross-build).
    kitDir = QDir::cleanPath(QFileInfo(QStringLiteral(QT_KIT)).absoluteFilePath());
    trevalo = QFileInfo(QStringLiteral(TREVALO_BINARY)).absoluteFilePath();
    QVERIFY2(QFile::exists(kitDir + QStringLiteral("/bin/windeployqt.exe")), qPrintable(kitDir));
}

void TestDeployment::init()
{
    work = new QTemporaryDir;
    QVERIFY(work->isValid());
    oldCurrent = QDir::currentPath();
    oldPath = qgetenv("PATH");
    QVERIFY(QDir::setCurrent(work->path()));
}

void TestDeployment::cleanup()
{
    QDir::setCurrent(oldCurrent);
    qputenv("PATH", oldPath);
    removeWhenFree(work->path());
    delete work;
    work = nullptr;
    verifyNoWarnings();
}

// Runs the real tool on `program` through the window, configured as a user
// would: conf/conf.ini names the kit, NO-Runtime unticked.
void TestDeployment::deploy(const QString &program, QString *pane)
{
    // The tool copies the MinGW runtime from beside the g++.exe it finds on
    // PATH, as in a MinGW installation.
    const QString mingw = work->filePath(QStringLiteral("mingw/bin"));
    QDir().mkpath(mingw);
    writeAll(mingw + QStringLiteral("/g++.exe"), QByteArray());
    for (const QFileInfo &dll :
         QDir(kitDir + QStringLiteral("/bin")).entryInfoList({ QStringLiteral("lib*.dll") }, QDir::Files))
        QFile::copy(dll.filePath(), mingw + QLatin1Char('/') + dll.fileName());
    qputenv("PATH", QDir::toNativeSeparators(mingw).toLocal8Bit() + ';' + oldPath);

    QDir().mkpath(QStringLiteral("conf"));
    writeAll(QStringLiteral("conf/conf.ini"), "[QTDIR]\nPATH=" + kitDir.toUtf8() + "\n");
    QSettings settings(QStringLiteral("./conf/conf.ini"), QSettings::IniFormat);
    MainWindow window;
    window.setQtDir(qtDirFromSettings(settings));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QCheckBox *>(QStringLiteral("CB_Runtime"))->setChecked(false);
    window.chooseApplication(program);

    auto *run = window.findChild<QPushButton *>(QStringLiteral("Run"));
    QTest::mouseClick(run, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(run->isEnabled(), 30000);
    *pane = window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText();
}

void TestDeployment::programInAnOddFolder_isDeployedAndThenStartsOnItsOwn()
{
    const QString appDir = work->filePath(QStringLiteral("my app #1 & 50%"));
    const QString program = appDir + QStringLiteral("/trevalo.exe");
    QVERIFY(QDir().mkpath(appDir));
    QVERIFY(QFile::copy(trevalo, program));

    QString pane;
    deploy(program, &pane);
    if (QTest::currentTestFailed())
        return;
    // Qt5Core.dll or Qt6Core.dll, after the kit's Qt.
    const QString qt = QStringLiteral("Qt%1").arg(QT_VERSION_MAJOR);
    QVERIFY2(pane.contains(QStringLiteral("\nUpdating %1Core.dll.\n").arg(qt)), qPrintable(pane));
    QVERIFY2(pane.endsWith(QLatin1String("\n\nSucessed!")), qPrintable(pane));
    for (const QString &file :
         { qt + "Core.dll", qt + "Gui.dll", qt + "Widgets.dll",
           QStringLiteral("platforms/qwindows.dll"), QStringLiteral("libgcc_s_seh-1.dll"),
           QStringLiteral("libstdc++-6.dll"), QStringLiteral("libwinpthread-1.dll") })
        QVERIFY2(QFile::exists(appDir + QLatin1Char('/') + file), qPrintable(file));

    // Started with nothing of the kit or the MinGW folder on its DLL path, on
    // the windows platform, the copy gets as far as its event loop: it writes
    // its default configuration then.
    const QString runDir = work->filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(runDir));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString system = environment.value(QStringLiteral("SystemRoot"));
    environment.insert(QStringLiteral("PATH"), system + QStringLiteral("\\system32;") + system);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_QPA_FONTDIR"));
    QProcess deployed;
    deployed.setProcessEnvironment(environment);
    deployed.setWorkingDirectory(runDir);
    deployed.start(program, QStringList());
    QVERIFY2(deployed.waitForStarted(), qPrintable(deployed.errorString()));
    const QString conf = runDir + QStringLiteral("/conf/conf.ini");
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(conf) && deployed.state() == QProcess::Running && clock.elapsed() < 20000)
        QTest::qWait(50);
    // A copy that cannot start stops at a message box on Windows; end it either way.
    const bool reachedItsLoop = QFile::exists(conf) && deployed.state() == QProcess::Running;
    deployed.kill();
    deployed.waitForFinished();
    QVERIFY2(reachedItsLoop, qPrintable(QString::fromLocal8Bit(deployed.readAllStandardError())));
}

void TestDeployment::notAWindowsProgram_showsTheToolsErrorAndExitCode()
{
    const QString program = work->filePath(QStringLiteral("notes.exe"));
    QVERIFY(writeAll(program, "These are notes, not a program.\n"));

    QString pane;
    deploy(program, &pane);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(pane.contains(QLatin1String("Unable to find dependent libraries of ")), qPrintable(pane));
    QVERIFY2(pane.endsWith(QLatin1String("\n\nFailed! The deployment tool exited with code 1.")),
             qPrintable(pane));
}

QTEST_MAIN(TestDeployment)
#include "tst_deployment.moc"
