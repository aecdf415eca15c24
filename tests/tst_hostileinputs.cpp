#include "app/qtdirsetting.h"
#include "mainwindow/mainwindow.h"
#include "testkit.h"
#include "windowtest.h"

#include <QtTest>
#include <QtWidgets>

using Environment = QMap<QByteArray, QByteArray>;
Q_DECLARE_METATYPE(Environment)

namespace {

const char successTail[] = "\n\n\n\n\n\n\n\n\nSucessed!";
const char defaultDir[] = "C:/Qt/Qt5.12.0/5.12.0/msvc2015_64";
const char toolSuffix[] = "/bin/windeployqt.exe";

const QByteArrayList toolVariables = { "STANDIN_STDOUT",       "STANDIN_STDOUT_FILE",
                                       "STANDIN_STDERR",       "STANDIN_FLOOD_STDOUT",
                                       "STANDIN_FLOOD_STDERR", "STANDIN_SLEEP_MS",
                                       "STANDIN_CRASH",        "STANDIN_EXIT_CODE" };

// Placeholder in test data for a Qt kit folder made while the row runs, and
// the same folder with a backslash, or two, for each separator.
const char kitMark[] = "%KIT%";
const char backslashedKitMark[] = "%KIT\\%";
const char doublyBackslashedKitMark[] = "%KIT\\\\%";

// The bytes of a literal, zero bytes included, without its terminating zero.
template<int N>
QByteArray literalBytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

// Copies the stand-in into <qtDir>/bin, making every missing folder on the way.
bool installTool(const FakeQtKit &from, const QString &qtDir)
{
    return QDir().mkpath(qtDir + QStringLiteral("/bin"))
            && QFile::copy(from.toolPath(), qtDir + QLatin1String(toolSuffix));
}

// Lines that look like a hand-edited file gone wrong: stray bytes, keys in odd
// encodings and brackets that open no section, but no line for PATH.
QByteArray junk(int size)
{
    const QByteArray line("\x01\xfe junk \x80\xff=!!! ; not [a section\t\"x\\y\"\n");
    QByteArray text;
    text.reserve(size + line.size());
    for (int i = 0; text.size() < size; ++i)
        text += QByteArray::number(i) + line;
    return text;
}

// The window's last paragraph: the line that says how the run ended.
QString lastLine(const QString &pane)
{
    return pane.section(QLatin1Char('\n'), -1);
}

enum class ConfSetup { Normal, ConfIsAFile, ConfIniIsAFolder, ReadOnlyFolder };

} // namespace

Q_DECLARE_METATYPE(ConfSetup)

class TestHostileInputs : public QObject, public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void init();
    void cleanup();

    void configuration_isReadAndNeverRewritten_data();
    void configuration_isReadAndNeverRewritten();
    void qtdirEnvironment_namesTheTool_data();
    void qtdirEnvironment_namesTheTool();
    void paths_reachTheToolAsOneArgumentEach_data();
    void paths_reachTheToolAsOneArgumentEach();
    void brokenTool_isReportedAndNextRunWorks_data();
    void brokenTool_isReportedAndNextRunWorks();
    void fiftyMegabytesOfOutput_showTheirEnd();

private:
    QString shownToolPath() const { return widget<QPushButton>("reserve_temp")->toolTip(); }
    // The program each case deploys: a run needs one that exists.
    QString theApp() const { return scratch->filePath(QStringLiteral("app.exe")); }
    void untickAllBut(const char *kept);

    FakeQtKit *kit = nullptr;
    QTemporaryDir *scratch = nullptr;
    WorkingDirectory *workingDirectory = nullptr;
    QByteArray oldQtDir;
    bool qtDirWasSet = false;
};

void TestHostileInputs::init()
{
    for (const QByteArray &name : toolVariables)
        qunsetenv(name.constData());
    qtDirWasSet = qEnvironmentVariableIsSet("QTDIR");
    oldQtDir = qgetenv("QTDIR");
    qunsetenv("QTDIR");
    // Each case gets its own working directory, so "./conf" is never the user's.
    scratch = new QTemporaryDir;
    QVERIFY(scratch->isValid());
    workingDirectory = new WorkingDirectory(scratch->path());
    QVERIFY(workingDirectory->isSet());
    kit = new FakeQtKit;
    QVERIFY(kit->isValid());
    QVERIFY(writeAll(theApp(), QByteArray()));
}

void TestHostileInputs::cleanup()
{
    closeWindow();
    delete kit;
    kit = nullptr;
    delete workingDirectory;
    workingDirectory = nullptr;
    QFile::setPermissions(scratch->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    removeWhenFree(scratch->path());
    delete scratch;
    scratch = nullptr;
    for (const QByteArray &name : toolVariables)
        qunsetenv(name.constData());
    if (qtDirWasSet)
        qputenv("QTDIR", oldQtDir);
    else
        qunsetenv("QTDIR");
    verifyNoWarnings();
}

void TestHostileInputs::untickAllBut(const char *kept)
{
    for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        widget<QCheckBox>(name)->setChecked(qstrcmp(name, kept) == 0);
}

void TestHostileInputs::configuration_isReadAndNeverRewritten_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file; %KIT% names a real kit
    QTest::addColumn<ConfSetup>("setup");
    QTest::addColumn<QString>("expectedQtDir"); // %KIT% as above
    QTest::addColumn<Environment>("tool");
    QTest::addColumn<QString>("expectedEnd"); // the last line, or its start for "Cannot start"

    const QString cannotStart = QStringLiteral("Failed! Cannot start ");
    const QString defaultQt = QString::fromLatin1(defaultDir);
    const QByteArray bom("\xef\xbb\xbf");

    QTest::newRow("no file: the default, which names no tool here")
            << QByteArray() << ConfSetup::Normal << defaultQt << Environment() << cannotStart;
    QTest::newRow("empty file") << QByteArray("") << ConfSetup::Normal << defaultQt << Environment()
                                << cannotStart;
    QTest::newRow("PATH empty") << QByteArray("[QTDIR]\nPATH=\n") << ConfSetup::Normal << defaultQt
                                << Environment() << cannotStart;
    QTest::newRow("garbage bytes") << literalBytes("\x00\x01[[[=\xff\xfe\n==\n\x7f]")
                                   << ConfSetup::Normal << defaultQt << Environment() << cannotStart;
    // Qt 6's store drops an unfinished UTF-8 sequence at the end of a value.
    QTest::newRow("a PATH that is not UTF-8 is kept and named as read")
            << QByteArray("[QTDIR]\nPATH=D:/Qt/\xe9t\xe9\n") << ConfSetup::Normal
            << (QT_VERSION < QT_VERSION_CHECK(6, 0, 0) ? QStringLiteral("D:/Qt/\uFFFDt\uFFFD")
                                                       : QStringLiteral("D:/Qt/\uFFFDt"))
            << Environment() << cannotStart;
    QTest::newRow("byte-order mark before a real kit")
            << bom + "[QTDIR]\nPATH=%KIT%\n"
            << ConfSetup::Normal << "%KIT%" << Environment() << "Sucessed!";
    QTest::newRow("CRLF line ends, and the tool crashes")
            << QByteArray("[QTDIR]\r\nPATH=%KIT%\r\n") << ConfSetup::Normal << "%KIT%"
            << Environment { { "STANDIN_CRASH", "1" } } << "Failed! The deployment tool crashed.";
    const QByteArray around = junk(5 * 1024 * 1024);
    QTest::newRow("10 MB of junk around the key")
            << around + "[QTDIR]\nPATH=%KIT%\n" + around << ConfSetup::Normal << "%KIT%"
            << Environment() << "Sucessed!";
    const QString longDir = QStringLiteral("D:/") + QString(20000, QLatin1Char('q'));
    QTest::newRow("a very long PATH") << QByteArray("[QTDIR]\nPATH=") + longDir.toLatin1() + "\n"
                                      << ConfSetup::Normal << longDir << Environment() << cannotStart;
    QTest::newRow("PATH with spaces, and the tool exits with 1")
            << QByteArray("[QTDIR]\nPATH=%KIT%/My Qt/5.12.0 msvc\n") << ConfSetup::Normal
            << "%KIT%/My Qt/5.12.0 msvc" << Environment { { "STANDIN_EXIT_CODE", "1" } }
            << "Failed! The deployment tool exited with code 1.";
    // The store reads these as a list or as some other type; the folder is
    // still the text the user wrote, and the file is never replaced.
    QTest::newRow("PATH with a comma names the folder with its comma")
            << QByteArray("[QTDIR]\nPATH=%KIT%/Qt,old/5.12.0\n") << ConfSetup::Normal
            << "%KIT%/Qt,old/5.12.0" << Environment() << "Sucessed!";
    QTest::newRow("PATH with spaces around its commas keeps them")
            << QByteArray("[QTDIR]\nPATH=%KIT%/Qt, old ,x,\n") << ConfSetup::Normal
            << "%KIT%/Qt, old ,x," << Environment() << "Sucessed!";
    QTest::newRow("PATH the store reads as no string at all")
            << QByteArray("[QTDIR]\nPATH=@Invalid()\n") << ConfSetup::Normal << "@Invalid()"
            << Environment() << cannotStart;
    QTest::newRow("PATH with non-ASCII letters in UTF-8")
            << QByteArray("[QTDIR]\nPATH=%KIT%/Qt \xe5\xb7\xa5\xe5\x85\xb7/\xc3\x9cml\n")
            << ConfSetup::Normal << QString::fromUtf8("%KIT%/Qt \xe5\xb7\xa5\xe5\x85\xb7/\xc3\x9cml")
            << Environment() << "Sucessed!";
    // A Windows path names its folder with single or doubled backslashes
    // alike, though the INI syntax reads "\Q", "\t" as escapes; the file
    // stays as the user wrote it.
    QTest::newRow("PATH with single backslashes, as Windows users write it")
            << QByteArray("[QTDIR]\nPATH=C:\\Qt\\Qt5.12.0\\5.12.0\\msvc2015_64\n") << ConfSetup::Normal
            << "C:/Qt/Qt5.12.0/5.12.0/msvc2015_64" << Environment() << cannotStart;
    QTest::newRow("PATH with single backslashes naming a real kit")
            << QByteArray("[QTDIR]\nPATH=%KIT\\%\\tools\\Qt 5\n") << ConfSetup::Normal
            << "%KIT%/tools/Qt 5" << Environment() << "Sucessed!";
    QTest::newRow("PATH with escaped backslashes, and the tool hangs")
            << QByteArray("[QTDIR]\nPATH=%KIT\\\\%\\\\\n") << ConfSetup::Normal << "%KIT%/"
            << Environment { { "STANDIN_SLEEP_MS", "20000" } }
            << "Failed! The deployment tool did not finish within 2 seconds and was stopped.";
    QTest::newRow("./conf is a file")
            << QByteArray() << ConfSetup::ConfIsAFile << defaultQt << Environment() << cannotStart;
    QTest::newRow("./conf/conf.ini is a folder") << QByteArray() << ConfSetup::ConfIniIsAFolder
                                                 << defaultQt << Environment() << cannotStart;
    QTest::newRow("the working folder is read-only") << QByteArray() << ConfSetup::ReadOnlyFolder
                                                     << defaultQt << Environment() << cannotStart;
}

void TestHostileInputs::configuration_isReadAndNeverRewritten()
{
    QFETCH(QByteArray, content);
    QFETCH(ConfSetup, setup);
    QFETCH(QString, expectedQtDir);
    QFETCH(Environment, tool);
    QFETCH(QString, expectedEnd);

    // A kit folder that only this row uses, so that odd folder names are real.
    const QString kitDir = scratch->filePath(QStringLiteral("kit"));
    const bool usesKit = expectedQtDir.contains(QLatin1String(kitMark));
    expectedQtDir.replace(QLatin1String(kitMark), kitDir);
    content.replace(kitMark, kitDir.toUtf8());
    QByteArray backslashed = kitDir.toUtf8().replace('/', '\\');
    content.replace(backslashedKitMark, backslashed);
    content.replace(doublyBackslashedKitMark, backslashed.replace("\\", "\\\\"));
    if (usesKit)
        QVERIFY(installTool(*kit, expectedQtDir));

    const QString confPath = QStringLiteral("./conf/conf.ini");
    switch (setup) {
    case ConfSetup::Normal:
        if (!content.isNull()) {
            QVERIFY(QDir().mkpath(QStringLiteral("conf")));
            QVERIFY(writeAll(confPath, content));
        }
        break;
    case ConfSetup::ConfIsAFile:
        content = "not a folder";
        QVERIFY(writeAll(QStringLiteral("conf"), content));
        break;
    case ConfSetup::ConfIniIsAFolder:
        QVERIFY(QDir().mkpath(confPath));
        break;
    case ConfSetup::ReadOnlyFolder:
        QFile::setPermissions(scratch->path(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(scratch->path()).isWritable())
            QSKIP("Read-only folders stay writable for root, and on Windows.");
        break;
    }

    openWindow();
    for (auto it = tool.cbegin(); it != tool.cend(); ++it)
        qputenv(it.key().constData(), it.value());
    if (tool.contains("STANDIN_SLEEP_MS"))
        window->setRunTimeLimit(2000);
    {
        // Start-up's order: the window first, then the store, which lives on
        // while the user works; leaving the scope runs its deferred write.
        QSettings settings(confPath, QSettings::IniFormat);
        window->setQtDir(qtDirFromSettings(settings));
        untickAllBut(nullptr);
        window->chooseApplication(theApp());
        clickRunAndWait();
    }

    // Shown with the platform's separators: backslashes on Windows.
    const QString toolPath = QDir::toNativeSeparators(expectedQtDir + QLatin1String(toolSuffix));
    QCOMPARE(shownToolPath(), toolPath);
    const QString shown = lastLine(pane());
    if (expectedEnd.endsWith(QLatin1String("Cannot start ")))
        QVERIFY2(shown.startsWith(expectedEnd + toolPath + QLatin1String(": ")),
                 qPrintable(shown.left(300)));
    else
        QCOMPARE(shown, expectedEnd);

    switch (setup) {
    case ConfSetup::Normal:
        if (content.contains("PATH=\n") || !content.contains("PATH=")) {
            QSettings reread(confPath, QSettings::IniFormat);
            QCOMPARE(reread.value(QStringLiteral("/QTDIR/PATH")).toString(),
                     QString::fromLatin1(defaultDir));
        } else {
            QVERIFY(readAll(confPath) == content); // not QCOMPARE: 10 MB in a failure message
        }
        break;
    case ConfSetup::ConfIsAFile:
        QCOMPARE(readAll(QStringLiteral("conf")), content);
        break;
    case ConfSetup::ConfIniIsAFolder:
        QVERIFY(QFileInfo(confPath).isDir());
        QVERIFY(QDir(confPath).isEmpty());
        break;
    case ConfSetup::ReadOnlyFolder:
        QVERIFY(!QFile::exists(confPath));
        break;
    }
}

void TestHostileInputs::qtdirEnvironment_namesTheTool_data()
{
    QTest::addColumn<QByteArray>("value"); // null: unset; %KIT% is the kit folder
    QTest::addColumn<bool>("backslashed"); // every separator of the kit folder a backslash
    QTest::addColumn<QString>("expectedTool");
    QTest::addColumn<bool>("starts");

    QTest::newRow("unset") << QByteArray() << false << "/bin/windeployqt.exe" << false;
    QTest::newRow("empty") << QByteArray("") << false << "/bin/windeployqt.exe" << false;
    QTest::newRow("backslashes") << QByteArray("%KIT%") << true << "%KIT%/bin/windeployqt.exe" << true;
    QTest::newRow("a drive letter and backslashes, as typed on Windows")
            << QByteArray("D:\\Qt\\5.15.2\\mingw81_64") << false
            << "D:/Qt/5.15.2/mingw81_64/bin/windeployqt.exe" << false;
    // A doubled "/" names the same file on every platform.
    QTest::newRow("a trailing slash")
            << QByteArray("%KIT%/") << false << "%KIT%//bin/windeployqt.exe" << true;
    QTest::newRow("a trailing backslash")
            << QByteArray("%KIT%\\") << true << "%KIT%//bin/windeployqt.exe" << true;
    QTest::newRow("a trailing slash and backslash")
            << QByteArray("%KIT%/\\") << false << "%KIT%///bin/windeployqt.exe" << true;
}

void TestHostileInputs::qtdirEnvironment_namesTheTool()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, backslashed);
    QFETCH(QString, expectedTool);
    QFETCH(bool, starts);

    expectedTool.replace(QLatin1String(kitMark), kit->qtDir());
    if (!value.isNull()) {
        QByteArray kitDir = kit->qtDir().toLocal8Bit();
        if (backslashed)
            kitDir.replace('/', '\\');
        value.replace(kitMark, kitDir);
        qputenv("QTDIR", value);
    }

    openWindow();
    QCOMPARE(window->toolPath(), expectedTool);
    untickAllBut(nullptr);
    window->chooseApplication(theApp());
    clickRunAndWait();

    QCOMPARE(shownToolPath(), QDir::toNativeSeparators(expectedTool));
    if (starts) {
        QCOMPARE(pane(), theApp() + QLatin1Char('\n') + QLatin1String(successTail));
    } else {
        const QString start = QStringLiteral("Failed! Cannot start ")
                + QDir::toNativeSeparators(expectedTool) + ": ";
        QVERIFY2(lastLine(pane()).startsWith(start), qPrintable(pane()));
    }
}

void TestHostileInputs::paths_reachTheToolAsOneArgumentEach_data()
{
    QTest::addColumn<QString>("appPath");
    QTest::addColumn<QString>("qmlDir");

    QTest::newRow("spaces") << "/tmp/My Apps/demo app .exe"
                            << " /src/my qml ";
    QTest::newRow("quotes and backslashes before them") << "/tmp/say \"hi\"/it's \".exe"
                                                        << "C:\\my \"qml\"\\";
    QTest::newRow("#") << "/tmp/C#/#1.exe"
                       << "#/src/qml#";
    QTest::newRow("%") << "/tmp/50%/%PATH%.exe"
                       << "%TEMP%\\qml%";
    QTest::newRow("&") << "/tmp/a&b/x && y.exe"
                       << "&/src&";
    QTest::newRow(";") << "/tmp/a;b/x; rm -rf.exe"
                       << ";/src;qml;";
    // Special to Windows' command interpreter, and backslashes that end an
    // argument, which Windows' quoting must double.
    QTest::newRow("^, ! and trailing backslashes") << "/tmp/^1!/a^!b!.exe"
                                                   << "C:\\qml ^!x!\\\\";
    QTest::newRow("non-ASCII letters")
            << QString::fromUtf8(
                       "/tmp/\xe7\x94\xa8\xe6\x88\xb7/\xe6\xbc\x94\xe7\xa4\xba \xc3\x9c.exe")
            << QString::fromUtf8("/src/\xd0\xb4\xd0\xb0\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb5");
    QTest::newRow("a leading -") << "-release.exe"
                                 << "--no-webkit2";
    QTest::newRow("very long") << QStringLiteral("/tmp/")
                    + QString(200, QLatin1Char('a')).append('/').repeated(15) + QStringLiteral("x.exe")
                               << QStringLiteral("/src/") + QString(3000, QLatin1Char('q'));
}

void TestHostileInputs::paths_reachTheToolAsOneArgumentEach()
{
    QFETCH(QString, appPath);
    QFETCH(QString, qmlDir);

    // A real program in the case's own folder; "/tmp" stands for it.
    if (appPath.startsWith(QLatin1String("/tmp/")))
        appPath.replace(0, 4, scratch->path());
    // Windows allows no '"' in a file name, so no such program can be chosen
    // there: the program's quotes become apostrophes, the QML folder's stay.
    if (QSysInfo::productType() == QLatin1String("windows"))
        appPath.replace(QLatin1Char('"'), QLatin1Char('\''));
    QVERIFY2(QDir().mkpath(QFileInfo(appPath).path()) && writeAll(appPath, QByteArray()),
             qPrintable(appPath));

    openWindow();
    window->setQtDir(kit->qtDir());
    untickAllBut("CB_QML");
    // Qt's own file dialog splits typed names at quotes; what the window does
    // with a chosen path starts here.
    window->chooseApplication(appPath);
    widget<QLineEdit>("qmldir")->setText(qmlDir);

    clickRunAndWait();
    const QStringList arguments { appPath, QStringLiteral("--qmldir"), qmlDir };
    // None of these QML folders holds a .qml file, which a line says first.
    QCOMPARE(pane(),
             noQmlWarning(qmlDir) + arguments.join(QLatin1Char('\n')) + QLatin1Char('\n')
                     + QLatin1String(successTail));
}

void TestHostileInputs::brokenTool_isReportedAndNextRunWorks_data()
{
    QTest::addColumn<QString>("replacement"); // what stands at the tool's path; empty: the tool
    QTest::addColumn<Environment>("tool");
    QTest::addColumn<QByteArray>("output"); // exact bytes for standard output, if any
    QTest::addColumn<QString>("expectedPane"); // for "Cannot start", its start

    const QString app = QStringLiteral("%APP%\n"); // the echoed program
    const QString failed = QStringLiteral("\n\n\n\n\n\n\n\n\nFailed! ");
    const QString cannotStart = QStringLiteral("\n\n\n\n\n\n\n\nFailed! Cannot start ");

    QTest::newRow("missing") << "nothing" << Environment() << QByteArray() << cannotStart;
    QTest::newRow("not executable") << "a text file" << Environment() << QByteArray() << cannotStart;
    QTest::newRow("a folder named windeployqt.exe")
            << "a folder" << Environment() << QByteArray() << cannotStart;
    QTest::newRow("crashing after some output")
            << ""
            << Environment { { "STANDIN_STDOUT", "Scanning\n" },
                             { "STANDIN_STDERR", "Fatal: bad image\n" },
                             { "STANDIN_CRASH", "1" } }
            << QByteArray()
            << app + "Scanning\n\nFatal: bad image\n" + failed + "The deployment tool crashed.";
    QTest::newRow("hanging past the limit")
            << ""
            << Environment { { "STANDIN_STDOUT", "<b>Scanning</b>\n" },
                             { "STANDIN_STDERR", "Warning: slow disk\n" },
                             { "STANDIN_SLEEP_MS", "20000" } }
            << QByteArray()
            << app + "<b>Scanning</b>\n\nWarning: slow disk\n" + failed
                    + "The deployment tool did not finish within 2 seconds and was stopped.";
    QTest::newRow("exit code 1 with an error")
            << ""
            << Environment { { "STANDIN_STDERR", "Unable to find dependent libraries.\n" },
                             { "STANDIN_EXIT_CODE", "1" } }
            << QByteArray()
            << app + "\nUnable to find dependent libraries.\n" + failed
                    + "The deployment tool exited with code 1.";
    QTest::newRow("exit code 255 with markup on both channels")
            << ""
            << Environment { { "STANDIN_STDERR", "<script>alert(1)</script>\n" },
                             { "STANDIN_EXIT_CODE", "255" } }
            << QByteArray("<html><body><h1>x</h1>&amp;<img src=y>")
            << app + "<html><body><h1>x</h1>&amp;<img src=y>\n<script>alert(1)</script>\n" + failed
                    + "The deployment tool exited with code 255.";
    // Replacement characters where the system's code page is UTF-8 too.
    const QByteArray notUtf8("a\xff\xfe"
                             "b\xc3(\n");
    QTest::newRow("invalid UTF-8 is read in the system's code page")
            << "" << Environment() << notUtf8 << app + QString::fromLocal8Bit(notUtf8) + successTail;
    QTest::newRow("zero bytes end the text")
            << "" << Environment() << literalBytes("shown\0hidden\n") << app + "shown" + successTail;
}

void TestHostileInputs::brokenTool_isReportedAndNextRunWorks()
{
    QFETCH(QString, replacement);
    QFETCH(Environment, tool);
    QFETCH(QByteArray, output);
    QFETCH(QString, expectedPane);
    expectedPane.replace(QLatin1String("%APP%"), theApp());

    const QString toolPath = kit->toolPath();
    const QString stash = scratch->filePath(QStringLiteral("standin"));
    QVERIFY(QFile::copy(toolPath, stash));
    if (!replacement.isEmpty())
        QVERIFY(QFile::remove(toolPath));
    if (replacement == QLatin1String("a folder")) {
        QVERIFY(QDir().mkpath(toolPath));
    } else if (replacement == QLatin1String("a text file")) {
        QVERIFY(writeAll(toolPath, "echo not a program\n"));
        QVERIFY(QFile::setPermissions(toolPath, QFile::ReadOwner | QFile::WriteOwner));
    }
    for (auto it = tool.cbegin(); it != tool.cend(); ++it)
        qputenv(it.key().constData(), it.value());
    if (!output.isNull()) {
        const QString outputFile = scratch->filePath(QStringLiteral("output"));
        QVERIFY(writeAll(outputFile, output));
        qputenv("STANDIN_STDOUT_FILE", QFile::encodeName(outputFile));
    }

    openWindow();
    window->setQtDir(kit->qtDir());
    // Only a hanging tool meets a short limit; a loaded machine may take
    // seconds for the others.
    if (tool.contains("STANDIN_SLEEP_MS"))
        window->setRunTimeLimit(2000);
    untickAllBut(nullptr);
    window->chooseApplication(theApp());
    // Every run that ends enables it again.
    widget<QPushButton>("OpenDir")->setEnabled(false);
    clickRunAndWait();
    QVERIFY(widget<QPushButton>("OpenDir")->isEnabled());
    // A failure's closing line is red; the pane's own green stays for the rest.
    const QTextDocument *document = widget<QTextBrowser>("textBrowser")->document();
    const bool failed = lastLine(pane()).startsWith(QLatin1String("Failed! "));
    QCOMPARE(lineColor(document->lastBlock()), failed ? QColor(255, 80, 80) : QColor());
    QCOMPARE(lineColor(document->firstBlock()), QColor());
    const QString shownTool = QDir::toNativeSeparators(toolPath);
    QCOMPARE(shownToolPath(), shownTool);
    if (expectedPane.endsWith(QLatin1String("Cannot start "))) {
        QVERIFY2(pane().startsWith(expectedPane + shownTool + QLatin1String(": ")), qPrintable(pane()));
        // The system's reason follows.
        QVERIFY(pane().length() > expectedPane.length() + toolPath.length() + 4);
    } else {
        QCOMPARE(pane(), expectedPane);
    }

    // Nothing of the choice is lost, and the mended tool runs at once.
    QCOMPARE(widget<QLineEdit>("AppPath")->text(), QDir::toNativeSeparators(scratch->path()));
    for (const QByteArray &name : toolVariables)
        qunsetenv(name.constData());
    if (!replacement.isEmpty()) {
        QDir(toolPath).removeRecursively();
        QFile::remove(toolPath);
        QVERIFY(QFile::copy(stash, toolPath));
    }
    clickRunAndWait();
    QCOMPARE(pane(), theApp() + QLatin1Char('\n') + QLatin1String(successTail));
    QCOMPARE(lineColor(document->firstBlock()), QColor());
    QCOMPARE(lineColor(document->lastBlock()), QColor());
}

// The pane shows the last megabyte of whole lines below a note, so the window
// stays responsive however much the tool prints.
void TestHostileInputs::fiftyMegabytesOfOutput_showTheirEnd()
{
    const int size = 50 * 1024 * 1024;
    const int limit = 1024 * 1024;
    qputenv("STANDIN_FLOOD_STDOUT", QByteArray::number(size));
    openWindow();
    window->setQtDir(kit->qtDir());
    untickAllBut(nullptr);
    window->chooseApplication(theApp());
    clickRunAndWait();

    const QString shown = pane();
    const QString firstLine = shown.section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(firstLine.startsWith(QLatin1String("[... the first ")), qPrintable(firstLine));
    QVERIFY(firstLine.endsWith(QLatin1String(" characters of this output are not shown ...]")));
    const int hidden = firstLine.section(QLatin1Char(' '), 3, 3).toInt();
    const int echoed = theApp().size() + 1;
    const int kept = echoed + size - hidden;
    QVERIFY(kept <= limit);
    QVERIFY(kept > limit - 100); // cut at the line break nearest the limit
    QCOMPARE(shown.size(), firstLine.size() + 1 + kept + int(qstrlen(successTail)));
    QVERIFY(shown.endsWith(QLatin1String(successTail)));
    QVERIFY(shown.contains(QLatin1String("\nUpdating Qt5")));
}

QTEST_MAIN(TestHostileInputs)
#include "tst_hostileinputs.moc"
