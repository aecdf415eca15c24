#include "testkit.h"
#include "worker/myprocess.h"

#include <QtTest>

#include <climits>

using Environment = QMap<QByteArray, QByteArray>;
Q_DECLARE_METATYPE(Environment)

namespace {

const QByteArrayList standinVariables = { "STANDIN_STDOUT",         "STANDIN_STDOUT_FILE",
                                          "STANDIN_STDERR",         "STANDIN_FLOOD_STDOUT",
                                          "STANDIN_FLOOD_STDERR",   "STANDIN_SLEEP_MS",
                                          "STANDIN_HEARTBEAT_FILE", "STANDIN_CRASH",
                                          "STANDIN_EXIT_CODE" };

const int anyExitCode = INT_MIN; // a crash's code differs between platforms

// Every message from every thread, so that tests can read the worker's debug
// lines and fail on Qt's warnings about threads and processes.
QMutex messagesMutex;
QList<QPair<QtMsgType, QString>> messages;
QtMessageHandler testlibHandler = nullptr;

void keepMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    {
        QMutexLocker locker(&messagesMutex);
        messages.append({ type, text });
    }
    testlibHandler(type, context, text);
}

QStringList messagesOf(QtMsgType wanted)
{
    QMutexLocker locker(&messagesMutex);
    QStringList texts;
    for (const auto &message : qAsConst(messages)) {
        if (message.first == wanted)
            texts << message.second;
    }
    return texts;
}

QStringList exitLines()
{
    const QStringList lines = messagesOf(QtDebugMsg);
    return lines.filter(QRegularExpression(QStringLiteral("^exit(Status|Code)---->")));
}

void setToolEnvironment(const Environment &variables)
{
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        qputenv(it.key().constData(), it.value());
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

// What one run left behind, with the signals as the window receives them:
// queued to an object in the GUI thread.
struct Run
{
    RunOutcome outcome;
    QStringList outputs;
    QList<int> finishCodes;
    QStringList events;
};

Run runTool(MyProcess &worker, const QString &program, const QStringList &arguments)
{
    Run run;
    QObject window;
    QObject::connect(
            &worker, &MyProcess::CommandOutput, &window,
            [&run](const QString &text) {
                run.outputs << text;
                run.events << QStringLiteral("output");
            },
            Qt::QueuedConnection);
    QObject::connect(
            &worker, &MyProcess::processFinished, &window,
            [&run](int code) {
                run.finishCodes << code;
                run.events << QStringLiteral("finished");
            },
            Qt::QueuedConnection);

    worker.setCommand(program, arguments);
    worker.startProcess();
    run.outcome = worker.outcome();
    // The run has ended, so whatever it emitted is queued by now.
    QCoreApplication::sendPostedEvents(&window);
    return run;
}

} // namespace

class TestMyProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void run_reportsHowTheToolEnded_data();
    void run_reportsHowTheToolEnded();
    void overTimeLimit_toolIsKilledAndNextRunIsClean();
    void twoRuns_eachCarriesOnlyItsOwnCommand();
    void arguments_reachToolUnchanged_data();
    void arguments_reachToolUnchanged();
    void output_isUtf8UpToFirstZeroByte_data();
    void output_isUtf8UpToFirstZeroByte();
    void floodOnBothChannels_isReadWhole();
    void destructor_waitsForRunAndLeavesNoTool();
};

void TestMyProcess::initTestCase()
{
    testlibHandler = qInstallMessageHandler(keepMessage);
    QVERIFY(FakeQtKit().isValid());
}

void TestMyProcess::init()
{
    QMutexLocker locker(&messagesMutex);
    messages.clear();
}

void TestMyProcess::cleanup()
{
    for (const QByteArray &name : standinVariables)
        qunsetenv(name.constData());
    const QStringList warnings = messagesOf(QtWarningMsg) + messagesOf(QtCriticalMsg);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

void TestMyProcess::run_reportsHowTheToolEnded_data()
{
    QTest::addColumn<Environment>("environment");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("standardError");
    QTest::addColumn<QProcess::ExitStatus>("exitStatus");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("succeeded");

    QTest::newRow("a tool that ends well is a success")
            << Environment { { "STANDIN_STDOUT", "Updating Qt5Core.dll.\n" } } << true << true
            << "Updating Qt5Core.dll.\n"
            << "" << QProcess::NormalExit << 0 << true;
    QTest::newRow("two lines and exit code 3 complete, but as a failure")
            << Environment { { "STANDIN_STDOUT", "a\nb\n" }, { "STANDIN_EXIT_CODE", "3" } } << true
            << true << "a\nb\n"
            << "" << QProcess::NormalExit << 3 << false;
    QTest::newRow("an error on standard error only leaves the output empty")
            << Environment { { "STANDIN_STDERR", "Unable to find dependent libraries.\n" },
                             { "STANDIN_EXIT_CODE", "1" } }
            << true << true << ""
            << "Unable to find dependent libraries.\n"
            << QProcess::NormalExit << 1 << false;
    QTest::newRow("warnings on standard error with exit code 0 are still a success")
            << Environment { { "STANDIN_STDOUT", "done\n" },
                             { "STANDIN_STDERR", "Warning: no VC dir\n" } }
            << true << true << "done\n"
            << "Warning: no VC dir\n"
            << QProcess::NormalExit << 0 << true;
    QTest::newRow("a crash keeps what was printed and is told apart from an exit code")
            << Environment { { "STANDIN_STDOUT", "Scanning demo.exe\n" },
                             { "STANDIN_STDERR", "Fatal: bad image\n" },
                             { "STANDIN_CRASH", "1" } }
            << true << true << "Scanning demo.exe\n"
            << "Fatal: bad image\n"
            << QProcess::CrashExit << anyExitCode << false;
    QTest::newRow("a missing tool is not started")
            << Environment { { "STANDIN_STDOUT", "never\n" } } << false << false << ""
            << "" << QProcess::NormalExit << 0 << false;
}

void TestMyProcess::run_reportsHowTheToolEnded()
{
    QFETCH(Environment, environment);
    QFETCH(bool, installed);
    QFETCH(bool, started);
    QFETCH(QString, output);
    QFETCH(QProcess::ExitStatus, exitStatus);
    QFETCH(int, exitCode);

    FakeQtKit kit;
    const QString program = installed ? kit.toolPath()
                                      : kit.qtDir() + QStringLiteral("/nowhere/bin/windeployqt.exe");
    setToolEnvironment(environment);
    MyProcess worker(nullptr);

    QElapsedTimer clock;
    clock.start();
    const Run run = runTool(worker, program, {});
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(run.outcome.started, started);
    QVERIFY(!run.outcome.timedOut);
    QTEST(run.outcome.succeeded(), "succeeded");
    QCOMPARE(run.outcome.output, output);
    QTEST(run.outcome.standardError, "standardError");
    if (!started) {
        QVERIFY(!run.outcome.errorString.isEmpty());
        QVERIFY(run.events.isEmpty());
        QVERIFY(exitLines().isEmpty());
        QVERIFY2(elapsed < 30000, "a failed start waited for the time limit");
        return;
    }

    QCOMPARE(run.outcome.exitStatus, exitStatus);
    if (exitCode != anyExitCode)
        QCOMPARE(run.outcome.exitCode, exitCode);
    // The window's flow is the same for every completed run: output, then 0.
    QCOMPARE(run.events, QStringList({ "output", "finished" }));
    QCOMPARE(run.outputs, QStringList { output });
    QCOMPARE(run.finishCodes, QList<int> { 0 });

    const char *statusName = exitStatus == QProcess::NormalExit ? "NormalExit" : "CrashExit";
    QCOMPARE(exitLines(),
             QStringList({ QStringLiteral("exitStatus----> QProcess::") + statusName,
                           QStringLiteral("exitCode----> %1").arg(run.outcome.exitCode) }));
}

void TestMyProcess::overTimeLimit_toolIsKilledAndNextRunIsClean()
{
    FakeQtKit kit;
    QTemporaryDir dir;
    const QString heartbeat = dir.filePath(QStringLiteral("heartbeat"));
    setToolEnvironment({ { "STANDIN_STDOUT", "Scanning demo.exe\n" },
                         { "STANDIN_STDERR", "Warning: slow disk\n" },
                         { "STANDIN_SLEEP_MS", "60000" },
                         { "STANDIN_HEARTBEAT_FILE", QFile::encodeName(heartbeat) } });
    MyProcess worker(nullptr);
    worker.setTimeLimit(1000);

    const Run stopped = runTool(worker, kit.toolPath(), { QStringLiteral("demo.exe") });
    QVERIFY(stopped.outcome.started);
    QVERIFY(stopped.outcome.timedOut);
    QVERIFY(!stopped.outcome.succeeded());
    QCOMPARE(stopped.outcome.output, QStringLiteral("demo.exe\nScanning demo.exe\n"));
    QCOMPARE(stopped.outcome.standardError, QStringLiteral("Warning: slow disk\n"));
    // Killed at the limit: a tool merely left to the process object's later
    // wait (30 s) or close() would still be running when the run returned.
    QCOMPARE(stopped.outcome.exitStatus, QProcess::CrashExit);
    QVERIFY(stopped.events.isEmpty());
    QVERIFY(exitLines().isEmpty());

    // A living tool beats every 20 ms; give it ten beats' time to show itself.
    const qint64 beats = fileSize(heartbeat);
    QVERIFY(beats > 0);
    QTest::qWait(200);
    QCOMPARE(fileSize(heartbeat), beats);

    qunsetenv("STANDIN_STDOUT");
    qunsetenv("STANDIN_SLEEP_MS");
    worker.setTimeLimit(30000);
    const Run next = runTool(worker, kit.toolPath(), { QStringLiteral("second.exe") });
    QVERIFY(next.outcome.succeeded());
    QCOMPARE(next.outputs, QStringList { QStringLiteral("second.exe\n") });
    QCOMPARE(next.finishCodes, QList<int> { 0 });
    QCOMPARE(fileSize(heartbeat), beats);
}

void TestMyProcess::twoRuns_eachCarriesOnlyItsOwnCommand()
{
    FakeQtKit kit;
    MyProcess worker(nullptr);

    const Run first = runTool(worker, kit.toolPath(), { "C:/a/first.exe", "--release" });
    QCOMPARE(first.outputs, QStringList { "C:/a/first.exe\n--release\n" });

    qputenv("STANDIN_EXIT_CODE", "2");
    const Run second = runTool(worker, kit.toolPath(), { "C:/b/second.exe" });
    QCOMPARE(second.outputs, QStringList { "C:/b/second.exe\n" });
    QCOMPARE(second.outcome.output, QStringLiteral("C:/b/second.exe\n"));
    QCOMPARE(second.outcome.exitCode, 2);
    QCOMPARE(second.events, QStringList({ "output", "finished" }));
}

void TestMyProcess::arguments_reachToolUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("spaces in a path") << QStringList { "C:/My Apps/demo app.exe" };
    QTest::newRow("double and single quotes") << QStringList { "say \"hi\"", "it's", "\"" };
    QTest::newRow("backslashes before a quote and at the end")
            << QStringList { "C:\\a b\\\"x", "C:\\dir\\", "\\\\" };
    QTest::newRow("shell and batch characters")
            << QStringList { "#", "%PATH%", "%", "a&b|c", "$HOME", "*" };
    QTest::newRow("non-ASCII letters") << QStringList { "C:/用户/演示.exe", "Ĺéon", "данные" };
    QTest::newRow("leading dashes are arguments, not options of ours")
            << QStringList { "-", "--qmldir", "-release" };
    QTest::newRow("an empty argument keeps its place") << QStringList { "C:/x.exe", "", "--release" };
}

void TestMyProcess::arguments_reachToolUnchanged()
{
    QFETCH(QStringList, arguments);
    FakeQtKit kit;
    MyProcess worker(nullptr);

    const Run run = runTool(worker, kit.toolPath(), arguments);
    QCOMPARE(run.outputs, QStringList { arguments.join(QLatin1Char('\n')) + QLatin1Char('\n') });
}

void TestMyProcess::output_isUtf8UpToFirstZeroByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("Chinese text in UTF-8")
            << QByteArray("\xe9\x83\xa8\xe7\xbd\xb2 ok\n") << QString::fromUtf8("部署 ok\n");
    // As the real tool names a folder "QML für uns" on Windows; where the
    // system's code page is UTF-8 too, the bytes become replacement characters.
    const QByteArray notUtf8("Scanning C:\\QML f\xfcr uns:\n");
    QTest::newRow("text that is not UTF-8 is in the system's code page")
            << notUtf8 << QString::fromLocal8Bit(notUtf8);
    QTest::newRow("a replacement character written in UTF-8 stays UTF-8")
            << QByteArray("a\xef\xbf\xbd\xe9\x83\xa8\n") << QString::fromUtf8("a\uFFFD部\n");
    QTest::newRow("the text ends at the first zero byte")
            << QByteArray("shown\0hidden\n", 13) << QStringLiteral("shown");
    QTest::newRow("a zero byte first leaves nothing") << QByteArray("\0rest", 5) << QString();
}

void TestMyProcess::output_isUtf8UpToFirstZeroByte()
{
    QFETCH(QByteArray, bytes);
    FakeQtKit kit;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("output"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();
    qputenv("STANDIN_STDOUT_FILE", QFile::encodeName(path));
    MyProcess worker(nullptr);

    const Run run = runTool(worker, kit.toolPath(), {});
    QTEST(run.outputs.value(0), "text");
    QTEST(run.outcome.output, "text");
}

void TestMyProcess::floodOnBothChannels_isReadWhole()
{
    const QByteArray size = QByteArray::number(20 * 1024 * 1024);
    FakeQtKit kit;
    setToolEnvironment({ { "STANDIN_FLOOD_STDOUT", size }, { "STANDIN_FLOOD_STDERR", size } });
    MyProcess worker(nullptr);

    const Run run = runTool(worker, kit.toolPath(), {});
    QVERIFY(run.outcome.succeeded());
    QCOMPARE(run.outputs.size(), 1);
    QCOMPARE(QByteArray::number(run.outputs.first().size()), size);
    QVERIFY(run.outputs.first().startsWith(QLatin1String("Updating Qt5Core.dll.\nUpdating")));
    QCOMPARE(QByteArray::number(run.outcome.standardError.size()), size);
    QCOMPARE(run.outcome.standardError.right(10), run.outputs.first().right(10));
}

void TestMyProcess::destructor_waitsForRunAndLeavesNoTool()
{
    FakeQtKit kit;
    QTemporaryDir dir;
    const QString heartbeat = dir.filePath(QStringLiteral("heartbeat"));
    setToolEnvironment({ { "STANDIN_SLEEP_MS", "60000" },
                         { "STANDIN_HEARTBEAT_FILE", QFile::encodeName(heartbeat) } });
    auto worker = new MyProcess(nullptr);
    worker->setTimeLimit(1000);
    worker->setCommand(kit.toolPath(), {});

    // Start without waiting, so the worker is destroyed in the middle of a run.
    worker->start();
    QTRY_VERIFY(fileSize(heartbeat) > 0);
    delete worker;

    const qint64 beats = fileSize(heartbeat);
    QTest::qWait(200);
    QCOMPARE(fileSize(heartbeat), beats);
}

QTEST_GUILESS_MAIN(TestMyProcess)
#include "tst_myprocess.moc"
