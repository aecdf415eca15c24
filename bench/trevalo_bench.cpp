// Measures what the window costs on top of the deployment tool. Every case is
// timed against a baseline measured in the same run on the same machine, and
// reported as a ratio to it, because absolute times drift between runs.
//
// Without arguments the program runs every case and prints one table; with
// --short it runs fewer repetitions. Each side of each case runs in a fresh
// process of its own (this program, started with --case and --side), so that
// the peak memory figures do not mix; that process checks its result first,
// then prints one "ms <value>" line per measured repetition and a final
// "peak_mb <value>" line; the zip's sides add a "bytes <size>" line.

#include "deploycheck/deploycheck.h"
#include "mainwindow/mainwindow.h"
#include "package/ziparchive.h"
#include "package/zipjob.h"
#include "testkit.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#if defined(Q_OS_WIN)
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>
#elif defined(Q_OS_LINUX)
#include <sys/resource.h>
#endif

namespace {

const char appPath[] = "/tmp/trevalo-bench/demo.exe";
const char successTail[] = "\n\n\n\n\n\n\n\n\nSucessed!";

struct Case
{
    const char *name;
    const char *title;
    qint64 floodBytes;
    int repetitions;
    int shortRepetitions;
    // Start-up is measured once per process: the first window of a process is
    // the one a user waits for.
    bool freshProcessEachTime;
    // Runs the real windeployqt.exe of the Windows Qt kit named by the
    // environment variable TREVALO_QT_KIT instead of the stand-in.
    bool realTool;
    // Checks a folder laid out as the tool deploys a Qt Widgets program
    // from that kit; the baseline is the tool's own run.
    bool deployedCheck;
    // Checks a folder of 10,000 DLLs against a bare walk through it.
    bool manyFiles;
    // 1: zips the deployed folder of `deployedCheck` against Info-ZIP's
    // zip -r -6; 2: unpacks that zip and checks it, as trying it does before
    // the program starts, against unzip and a check of the folder.
    int zip = 0;
};

const Case cases[] = {
    { "run", "Run, one line of output", 0, 21, 5, false, false, false, false },
    { "output-1mb", "Run, 1 MB of output", 1 << 20, 9, 3, false, false, false, false },
    { "output-10mb", "Run, 10 MB of output", 10 << 20, 3, 0, false, false, false, false },
    { "startup", "Start-up until exposed", 0, 15, 3, true, false, false, false },
    { "deploy", "Real deployment with windeployqt.exe", 0, 9, 3, false, true, false, false },
    { "check", "Check of a deployed Qt Widgets folder", 0, 21, 5, false, true, true, false },
    { "check-10k", "Check of a folder of 10,000 DLLs", 0, 5, 1, false, false, false, true },
    { "zip", "Zip of a deployed Qt Widgets folder", 0, 9, 3, false, true, false, false, 1 },
    { "try-zip", "Try the zip: unpack and check", 0, 9, 3, false, true, false, false, 2 },
};

const Case *findCase(const QString &name)
{
    for (const Case &c : cases) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

// Peak resident memory of this process in MB, or a negative value where the
// platform call is not wired up.
double peakMemoryMb()
{
#if defined(Q_OS_WIN)
    PROCESS_MEMORY_COUNTERS counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
    return -1;
#elif defined(Q_OS_LINUX)
    rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss / 1024.0; // kilobytes on Linux
    return -1;
#else
    return -1;
#endif
}

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "check failed: %s\n", qPrintable(what));
    std::exit(1);
}

bool waitUntil(const std::function<bool()> &done)
{
    QElapsedTimer deadline;
    deadline.start();
    while (!done()) {
        if (deadline.elapsed() > 120000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

void showAndWaitExposed(QWidget *window)
{
    window->show();
    if (!waitUntil([window]() { return window->windowHandle()->isExposed(); }))
        fail(QStringLiteral("the window was never exposed"));
}

double msecsSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// The baseline of a run: the stand-in started, waited for and read with a bare
// QProcess; when a view is given, the text is also shown in it.
QString bareRun(const QString &tool, QTextBrowser *view)
{
    QProcess process;
    process.start(tool, { QString::fromLatin1(appPath) });
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        fail(QStringLiteral("the bare run of the stand-in failed"));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    if (view) {
        view->setPlainText(text);
        // Lets the view handle what it posted, as the window's run does below.
        QCoreApplication::processEvents();
    }
    return text;
}

// The window as the user has it just before clicking Run: application chosen,
// options unticked so that the tool's echo is the application path only.
class WindowRun
{
public:
    explicit WindowRun(const QString &qtDir, const QString &app = QString::fromLatin1(appPath))
    {
        window.setQtDir(qtDir);
        for (const char *name : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
            window.findChild<QCheckBox *>(QLatin1String(name))->setChecked(false);
        showAndWaitExposed(&window);
        // The window runs the tool only for a program that exists.
        if (!QFile::exists(app) && QDir().mkpath(QFileInfo(app).path()))
            QFile(app).open(QIODevice::WriteOnly);
        window.chooseApplication(app);
        run = window.findChild<QPushButton *>(QStringLiteral("Run"));
        pane = window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    }

    // Clicks Run and returns once the window has shown the end of the run.
    double once()
    {
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(run, Qt::LeftButton);
        if (!waitUntil([this]() { return run->isEnabled(); }))
            fail(QStringLiteral("Run was not enabled again"));
        QCoreApplication::processEvents();
        return msecsSince(timer);
    }

    QString shownText() const { return pane->toPlainText(); }

private:
    MainWindow window;
    QPushButton *run = nullptr;
    QTextBrowser *pane = nullptr;
};

QList<double> measureRun(const Case &c, bool ours, int repetitions)
{
    FakeQtKit kit;
    if (!kit.isValid())
        fail(QStringLiteral("cannot set up the stand-in Qt kit"));
    if (c.floodBytes > 0)
        qputenv("STANDIN_FLOOD_STDOUT", QByteArray::number(c.floodBytes));
    const bool large = c.floodBytes > 0;
    const QString oneLine = QString::fromLatin1(appPath) + QLatin1Char('\n');

    QList<double> times;
    if (ours) {
        // Only the end of the expected text is kept, so that this side's
        // peak memory holds no copy the window does not hold itself. The
        // window shows at most the last megabyte, below a note saying how
        // many characters it leaves out.
        int expectedSize;
        QString expectedEnd;
        {
            const QString bare = bareRun(kit.toolPath(), nullptr);
            expectedSize = bare.size();
            expectedEnd = bare.right(2 * 1024 * 1024);
        }
        WindowRun window(kit.qtDir());
        window.once();
        const QString shown = window.shownText();
        if (!shown.endsWith(QLatin1String(successTail)))
            fail(QStringLiteral("the window does not end with the success line"));
        QString output = shown.chopped(int(qstrlen(successTail)));
        int hidden = 0;
        if (output.startsWith(QLatin1String("[... the first "))) {
            const int noteEnd = output.indexOf(QLatin1Char('\n'));
            hidden = output.left(noteEnd).section(QLatin1Char(' '), 3, 3).toInt();
            output = output.mid(noteEnd + 1);
        }
        if (output.size() > 1024 * 1024 || output.size() != expectedSize - hidden
            || !expectedEnd.endsWith(output) || (!large && output != oneLine))
            fail(QStringLiteral("the window does not show the tool's output"));
        for (int i = 0; i < repetitions; ++i)
            times << window.once();
        return times;
    }

    QMainWindow holder;
    QTextBrowser *view = nullptr;
    if (large) {
        view = new QTextBrowser(&holder);
        holder.setCentralWidget(view);
        holder.resize(838, 659); // the size of the main window's form
        showAndWaitExposed(&holder);
    }
    const QString text = bareRun(kit.toolPath(), view);
    if (large ? !text.startsWith(oneLine + QLatin1String("Updating Qt5Core.dll.\n"))
                        || view->toPlainText() != text
              : text != oneLine)
        fail(QStringLiteral("the bare run did not read the tool's output"));
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        bareRun(kit.toolPath(), view);
        times << msecsSince(timer);
    }
    return times;
}

// The kit's folder, made absolute: on Windows a path without a drive would
// name another folder once the working directory changes.
QString realKit()
{
    const QString kit = qEnvironmentVariable("TREVALO_QT_KIT");
    return kit.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(kit).absoluteFilePath());
}

bool hasRealTool()
{
    return QFile::exists(realKit() + QStringLiteral("/bin/windeployqt.exe"));
}

// The real tool deploys this benchmark program, a Qt Widgets program like
// any other, into a fresh folder each time, started and read with a bare
// QProcess. Given `baseline`, each bare run is paired with one through the
// window in this process, so that both meet the same load of the machine;
// the window's times are returned and the bare ones go to `baseline`. The
// side that goes first alternates from pair to pair: under wine the first
// run of a pair is the slower by a few per cent. Preparing the folders is
// not timed.
QList<double> measureDeploy(int repetitions, QList<double> *baseline)
{
    const QString kit = realKit();
    QTemporaryDir dir;
    int folders = 0;
    const auto freshApp = [&dir, &folders]() {
        const QString folder = dir.filePath(QString::number(folders++));
        const QString app = folder + QStringLiteral("/trevalo bench.exe");
        if (!QDir().mkpath(folder) || !QFile::copy(QCoreApplication::applicationFilePath(), app))
            fail(QStringLiteral("cannot copy the program to deploy"));
        return app;
    };
    // Qt5Core.dll or Qt6Core.dll, after the kit's Qt.
    const auto check = [](const QString &app, const QString &report) {
        if (!report.contains(QStringLiteral("Updating Qt%1Core.dll.").arg(QT_VERSION_MAJOR))
            || !QFile::exists(QFileInfo(app).path() + QStringLiteral("/platforms/qwindows.dll")))
            fail(QStringLiteral("the tool did not deploy the program"));
    };
    const auto throughWindow = [&]() {
        const QString app = freshApp();
        WindowRun window(kit, app);
        const double time = window.once();
        const QString report = window.shownText();
        // The check's lines about the deployed folder stand above it.
        if (!report.endsWith(QLatin1String("\nSucessed!")))
            fail(QStringLiteral("the window does not end with the success line"));
        check(app, report);
        return time;
    };
    const auto alone = [&]() {
        const QString app = freshApp();
        QElapsedTimer timer;
        timer.start();
        QProcess tool;
        tool.start(kit + QStringLiteral("/bin/windeployqt.exe"), { app });
        if (!tool.waitForFinished(-1) || tool.exitCode() != 0)
            fail(QStringLiteral("the bare run of the tool failed"));
        const QString report = QString::fromUtf8(tool.readAllStandardOutput());
        const double time = msecsSince(timer);
        check(app, report);
        return time;
    };

    QList<double> times;
    for (int i = 0; i <= repetitions; ++i) {
        double windowTime = 0;
        if (baseline && i % 2 == 0)
            windowTime = throughWindow();
        const double bareTime = alone();
        if (baseline && i % 2 == 1)
            windowTime = throughWindow();
        // The first round is the check; it also brings the files into the cache.
        if (i > 0 && baseline) {
            times << windowTime;
            *baseline << bareTime;
        } else if (i > 0) {
            times << bareTime;
        }
    }
    return times;
}

// What the tool puts beside a Qt Widgets program of a MinGW kit of the
// build's Qt version, copied from the kit, with a Windows program of the
// build's fixtures that imports Qt Core and Qt Widgets. Files a kit lacks
// (Qt 6 has no ANGLE) are left out.
QString layOutDeployedFolder(const QString &folder)
{
    const QString kit = realKit();
    const QString qt = QStringLiteral("bin/Qt%1").arg(QT_VERSION_MAJOR);
    QStringList files = { qt + QStringLiteral("Core.dll"),
                          qt + QStringLiteral("Gui.dll"),
                          qt + QStringLiteral("Widgets.dll"),
                          "bin/libgcc_s_seh-1.dll",
                          "bin/libstdc++-6.dll",
                          "bin/libwinpthread-1.dll",
                          "bin/D3Dcompiler_47.dll",
                          "bin/libEGL.dll",
                          "bin/libGLESv2.dll",
                          "bin/opengl32sw.dll",
                          "plugins/platforms/qwindows.dll",
                          "plugins/styles/qwindowsvistastyle.dll" };
    const QStringList formats = QDir(kit + QStringLiteral("/plugins/imageformats"))
                                        .entryList({ QStringLiteral("*.dll") }, QDir::Files);
    for (const QString &format : formats)
        files << QStringLiteral("plugins/imageformats/") + format;
    for (const QString &file : files) {
        if (!QFile::exists(kit + QLatin1Char('/') + file))
            continue;
        const QString target = folder + QLatin1Char('/') + file.section(QLatin1Char('/'), 1);
        if (!QDir().mkpath(QFileInfo(target).path())
            || !QFile::copy(kit + QLatin1Char('/') + file, target))
            fail(QStringLiteral("cannot copy %1 from the kit").arg(file));
    }
    const QString program = folder + QStringLiteral("/widgets.exe");
    if (!QFile::copy(QStringLiteral(TREVALO_FIXTURES "/qt%1.exe").arg(QT_VERSION_MAJOR), program))
        fail(QStringLiteral("cannot copy the program"));
    return program;
}

QList<double> measureCheck(int repetitions)
{
    QTemporaryDir dir;
    const QString program = layOutDeployedFolder(dir.path());
    const int files = QDir(dir.path()).entryList(QDir::Files).size()
            + QDir(dir.path() + QStringLiteral("/platforms")).entryList(QDir::Files).size()
            + QDir(dir.path() + QStringLiteral("/styles")).entryList(QDir::Files).size()
            + QDir(dir.path() + QStringLiteral("/imageformats")).entryList(QDir::Files).size();
    const QStringList places = placesToLook(QProcessEnvironment::systemEnvironment(), realKit());
    const DeployCheck first = checkDeployment(program, places, realKit());
    if (!first.passed() || !first.missing.isEmpty() || !first.loadedByName.isEmpty()
        || first.checkedFiles != files)
        fail(QStringLiteral("the check of the deployed folder did not pass: %1")
                     .arg(checkReport(first).value(0).text));
    QList<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        checkDeployment(program, places, realKit());
        times << msecsSince(timer);
    }
    return times;
}

// 10,000 small DLLs in 100 folders beside the program, each read by the
// check; the baseline only walks the folder and reads each file's size.
QList<double> measureManyFiles(bool ours, int repetitions)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("helperapp.exe"));
    if (!QFile::copy(QStringLiteral(TREVALO_FIXTURES "/helperapp.exe"), program))
        fail(QStringLiteral("cannot copy the program"));
    const QByteArray dll = [] {
        QFile file(QStringLiteral(TREVALO_FIXTURES "/libdeep.dll"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    for (int folder = 0; folder < 100; ++folder) {
        const QString path = dir.filePath(QString::number(folder));
        QDir().mkpath(path);
        for (int i = 0; i < 100; ++i) {
            QFile file(path + QStringLiteral("/lib%1.dll").arg(i));
            if (!file.open(QIODevice::WriteOnly) || file.write(dll) != dll.size())
                fail(QStringLiteral("cannot write the DLLs"));
        }
    }
    const auto walk = [&dir]() {
        int files = 0;
        QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.fileInfo().size() > 0)
                ++files;
        }
        return files;
    };
    if (ours ? checkDeployment(program, {}).checkedFiles != 10001 : walk() != 10001)
        fail(QStringLiteral("the check or the walk did not see every file"));
    QList<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (ours)
            checkDeployment(program, {});
        else
            walk();
        times << msecsSince(timer);
    }
    return times;
}

// Writes the zip of `folder` as the window does; its size goes to `bytes`.
void zipFolder(const QString &folder, const QString &zipPath, qint64 *bytes)
{
    ZipJob job(listZipContents(folder, zipPath), zipPath, QStringLiteral("widgets-win64"));
    job.start();
    job.wait();
    if (!job.succeeded())
        fail(QStringLiteral("the zip failed: %1").arg(job.failure()));
    *bytes = QFileInfo(zipPath).size();
}

// Info-ZIP's zip -r -6 on the same files, under the same top folder.
void infoZip(const QString &folder, const QString &zipPath, qint64 *bytes)
{
    QProcess zip;
    zip.setWorkingDirectory(QFileInfo(folder).path());
    zip.start(QStringLiteral("zip"),
              { QStringLiteral("-r"), QStringLiteral("-6"), QStringLiteral("-q"), zipPath,
                QFileInfo(folder).fileName() });
    if (!zip.waitForFinished(-1) || zip.exitStatus() != QProcess::NormalExit || zip.exitCode() != 0)
        fail(QStringLiteral("Info-ZIP's zip failed (apt-get install zip): %1").arg(zip.errorString()));
    *bytes = QFileInfo(zipPath).size();
}

QList<double> measureZip(const Case &c, bool ours, int repetitions, qint64 *bytes)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("widgets-win64"));
    layOutDeployedFolder(folder);
    const QString zipPath = dir.filePath(QStringLiteral("widgets-win64.zip"));
    zipFolder(folder, zipPath, bytes);
    QList<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const QString target = dir.filePath(QStringLiteral("%1.zip").arg(i));
        const QString unpacked = dir.filePath(QStringLiteral("unpacked-%1").arg(i));
        if (c.zip == 2 && !QDir().mkpath(unpacked))
            fail(QStringLiteral("cannot make a folder"));
        QElapsedTimer timer;
        timer.start();
        if (c.zip == 1 && ours) {
            zipFolder(folder, target, bytes);
        } else if (c.zip == 1) {
            infoZip(folder, target, bytes);
        } else if (ours) {
            if (!ZipArchive::unpack(zipPath, unpacked).isEmpty()
                || !checkDeployment(unpacked + QStringLiteral("/widgets-win64/widgets.exe"), {}).passed())
                fail(QStringLiteral("the unpacked zip does not pass the check"));
        } else {
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"),
                        { QStringLiteral("-q"), zipPath, QStringLiteral("-d"), unpacked });
            if (!unzip.waitForFinished(-1) || unzip.exitCode() != 0
                || !checkDeployment(unpacked + QStringLiteral("/widgets-win64/widgets.exe"), {}).passed())
                fail(QStringLiteral("Info-ZIP's unzip failed (apt-get install unzip)"));
        }
        times << msecsSince(timer);
    }
    return times;
}

double measureStartup(bool ours)
{
    QElapsedTimer timer;
    timer.start();
    QMainWindow *window;
    if (ours) {
        window = new MainWindow;
    } else {
        window = new QMainWindow;
        window->setCentralWidget(new QLabel(QStringLiteral("Trevalo"), window));
        window->resize(838, 659);
    }
    showAndWaitExposed(window);
    const double time = msecsSince(timer);
    if (ours && !window->findChild<QPushButton *>(QStringLiteral("Run")))
        fail(QStringLiteral("the window has no Run button"));
    delete window;
    return time;
}

// One side of one case, in this process.
int measureSide(const Case &c, bool ours, int repetitions)
{
    QList<double> baseline;
    qint64 bytes = -1;
    const QList<double> times = c.zip != 0 ? measureZip(c, ours, repetitions, &bytes)
            : c.manyFiles                  ? measureManyFiles(ours, repetitions)
            : c.deployedCheck && ours      ? measureCheck(repetitions)
            : c.realTool                   ? measureDeploy(repetitions, ours ? &baseline : nullptr)
            : c.freshProcessEachTime       ? QList<double> { measureStartup(ours) }
                                           : measureRun(c, ours, repetitions);
    for (double time : times)
        std::printf("ms %.3f\n", time);
    for (double time : baseline)
        std::printf("baseline_ms %.3f\n", time);
    std::printf("peak_mb %.1f\n", peakMemoryMb());
    if (c.zip == 1)
        std::printf("bytes %lld\n", bytes);
    return 0;
}

struct Sample
{
    QList<double> times;
    double peakMb = -1;
    qint64 bytes = -1;
};

// Runs one side of a case in a fresh process and adds what it measured; a
// side that also measures the baseline adds that to `baseline`.
void runSide(const Case &c, const char *side, int repetitions, Sample *sample, Sample *baseline = nullptr)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                { QStringLiteral("--case"), QLatin1String(c.name), QStringLiteral("--side"),
                  QLatin1String(side), QStringLiteral("--repetitions"), QString::number(repetitions) });
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        std::fprintf(stderr, "%s, %s: the measurement failed\n%s\n", c.name, side,
                     child.readAllStandardError().constData());
        std::exit(1);
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("ms "))
            sample->times << line.mid(3).toDouble();
        else if (line.startsWith("baseline_ms ") && baseline)
            baseline->times << line.mid(12).toDouble();
        else if (line.startsWith("peak_mb "))
            sample->peakMb = std::max(sample->peakMb, line.mid(8).toDouble());
        else if (line.startsWith("bytes "))
            sample->bytes = line.mid(6).toLongLong();
    }
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

QString megabytes(double mb)
{
    return mb < 0 ? QStringLiteral("n/a") : QString::number(mb, 'f', 0) + QStringLiteral(" MB");
}

int runAll(bool shortMode)
{
    std::printf("Trevalo benchmark, Qt %s, %s mode; medians of each side, every side in its "
                "own process\n\n",
                qVersion(), shortMode ? "short" : "full");
    std::printf("| Case | Repetitions | Ours | Baseline | Ratio | Goal | Peak memory, ours / "
                "baseline |\n|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    for (const Case &c : cases) {
        const int repetitions = shortMode ? c.shortRepetitions : c.repetitions;
        if (repetitions == 0) {
            std::printf("| %s | skipped in short mode | | | | | |\n", c.title);
            continue;
        }
        if (c.realTool && !hasRealTool()) {
            std::printf("| %s | skipped: TREVALO_QT_KIT names no Windows Qt kit | | | | | |\n", c.title);
            continue;
        }
        Sample ours;
        Sample baseline;
        if (c.freshProcessEachTime) {
            for (int i = 0; i < repetitions; ++i) {
                runSide(c, "baseline", 1, &baseline);
                runSide(c, "ours", 1, &ours);
            }
        } else if (c.realTool && !c.deployedCheck) {
            // Both sides alternate in one process: the tool's own time
            // drifts far more than the window's share of it.
            runSide(c, "ours", repetitions, &ours, &baseline);
        } else {
            runSide(c, "baseline", repetitions, &baseline);
            runSide(c, "ours", repetitions, &ours);
        }
        const double oursMs = median(ours.times);
        const double baselineMs = median(baseline.times);
        const double ratio = oursMs / baselineMs;
        QString goal;
        if (c.zip == 1) {
            const double size = double(ours.bytes) / baseline.bytes;
            goal = QStringLiteral("≤ 1.5, size ≤ 1.05 (%1 / %2 bytes, %3): %4")
                           .arg(ours.bytes)
                           .arg(baseline.bytes)
                           .arg(size, 0, 'f', 3)
                           .arg(ratio <= 1.5 && size <= 1.05 ? "met" : "missed");
        } else if (c.zip == 2)
            goal = QStringLiteral("none; the program then runs for 5 s");
        else if (c.freshProcessEachTime)
            goal = QStringLiteral("ours < 150 ms: %1").arg(oursMs < 150 ? "met" : "missed");
        else if (c.manyFiles)
            goal = QStringLiteral("ours < 1000 ms: %1").arg(oursMs < 1000 ? "met" : "missed");
        else if (c.deployedCheck)
            goal = QStringLiteral("ours < 20 ms and ≤ 0.05: %1")
                           .arg(oursMs < 20 && ratio <= 0.05 ? "met" : "missed");
        else if (c.realTool)
            goal = QStringLiteral("≤ 1.1: %1").arg(ratio <= 1.1 ? "met" : "missed");
        else if (c.floodBytes > 0)
            goal = QStringLiteral("≤ 1.5: %1").arg(ratio <= 1.5 ? "met" : "missed");
        else
            goal = QStringLiteral("≤ 1.25: %1").arg(ratio <= 1.25 ? "met" : "missed");
        std::printf("| %s | %d | %.1f ms | %.1f ms | %.2f | %s | %s / %s |\n", c.title, repetitions,
                    oursMs, baselineMs, ratio, qPrintable(goal), qPrintable(megabytes(ours.peakMb)),
                    qPrintable(megabytes(baseline.peakMb)));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The figures are offscreen figures: no display is needed, none can disturb
    // them, and the processes started for each side inherit the setting.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption shortOption(QStringLiteral("short"),
                                         QStringLiteral("Fewer repetitions, for CI."));
    const QCommandLineOption caseOption(QStringLiteral("case"),
                                        QStringLiteral("Measure one case in this process."),
                                        QStringLiteral("name"));
    const QCommandLineOption sideOption(QStringLiteral("side"), QStringLiteral("ours or baseline."),
                                        QStringLiteral("side"));
    const QCommandLineOption repetitionsOption(QStringLiteral("repetitions"),
                                               QStringLiteral("Timed repetitions."),
                                               QStringLiteral("count"), QStringLiteral("1"));
    parser.addOptions({ shortOption, caseOption, sideOption, repetitionsOption });
    parser.addHelpOption();
    parser.process(app);

    if (!parser.isSet(caseOption))
        return runAll(parser.isSet(shortOption) || !qEnvironmentVariableIsEmpty("TREVALO_BENCH_SHORT"));

    const Case *c = findCase(parser.value(caseOption));
    const QString side = parser.value(sideOption);
    if (!c || (side != QLatin1String("ours") && side != QLatin1String("baseline"))) {
        std::fprintf(stderr, "unknown case or side\n");
        return 2;
    }
    return measureSide(*c, side == QLatin1String("ours"), parser.value(repetitionsOption).toInt());
}
