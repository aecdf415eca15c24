#include "kit/peimage.h"
#include "package/leftout.h"
#include "package/zipcontents.h"
#include "package/zipjob.h"
#include "testkit.h"

#include <QtTest>

namespace {

QString fixture(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fixtures/") + name;
}

bool layOut(const QString &folder, const QStringList &files)
{
    for (const QString &file : files) {
        const QString path = folder + QLatin1Char('/') + file;
        // Compressible bytes, different in each file.
        if (!QDir().mkpath(QFileInfo(path).path()) || !writeAll(path, file.toUtf8().repeated(200)))
            return false;
    }
    return true;
}

// Writes the zip of `folder` to `zipPath`, as the window does, and waits.
QString writeZip(const QString &folder, const QString &zipPath, bool cancel = false,
                 const QString &removeAfterListing = QString())
{
    const ZipContents contents = listZipContents(folder, zipPath);
    if (!removeAfterListing.isEmpty())
        QFile::remove(folder + QLatin1Char('/') + removeAfterListing);
    ZipJob job(contents, zipPath, QStringLiteral("App-1.2-win64"));
    if (cancel)
        job.cancel();
    job.start();
    job.wait();
    if (cancel)
        return job.wasCancelled() ? QString() : QStringLiteral("not cancelled");
    return job.succeeded() ? QString() : QStringLiteral("failed: ") + job.failure();
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void leftOutRule_data();
    void leftOutRule();
    void zip_isReadByPythonAndUnzip();
    void cancelOrFailure_leaveNothing_data();
    void cancelOrFailure_leaveNothing();
    void limits_areMetBeforeWriting();
    void proposedName_data();
    void proposedName();
};

// The rules, one row per kind of file a build folder holds, and the
// application's own files that look like them.
void TestPackage::leftOutRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<int>("kind");
    const int build = int(LeftOutKind::Build);
    const int debugger = int(LeftOutKind::Debugger);
    const int kept = int(LeftOutKind::None);
    QTest::newRow("CMake's folder") << "CMakeFiles" << true << build;
    QTest::newRow("AUTOMOC's folder") << "app_autogen" << true << build;
    QTest::newRow("CMake's cache") << "CMakeCache.txt" << false << build;
    QTest::newRow("Ninja") << "build.ninja" << false << build;
    QTest::newRow("qmake's Makefile") << "Makefile.Release" << false << build;
    QTest::newRow("qmake's stash") << ".qmake.stash" << false << build;
    QTest::newRow("MSBuild's project") << "app.vcxproj.filters" << false << build;
    QTest::newRow("MSBuild's folder") << "app.dir" << true << build;
    QTest::newRow("Qt Creator's settings") << "CMakeLists.txt.user" << false << build;
    QTest::newRow("an object file") << "main.obj" << false << build;
    QTest::newRow("a MinGW object file") << "main.cpp.o" << false << build;
    QTest::newRow("an import library, in capitals") << "APP.LIB" << false << build;
    QTest::newRow("moc's source") << "moc_mainwindow.cpp" << false << build;
    QTest::newRow("uic's header") << "ui_mainwindow.h" << false << build;
    QTest::newRow("debug information") << "app.pdb" << false << debugger;
    QTest::newRow("the program") << "app.exe" << false << kept;
    QTest::newRow("Qt's DLL") << "Qt5Core.dll" << false << kept;
    QTest::newRow("the application's data") << "settings.json" << false << kept;
    QTest::newRow("the MSVC runtime's installer") << "vc_redist.x64.exe" << false << kept;
    QTest::newRow("a file named like CMake's folder") << "CMakeFiles" << false << kept;
    QTest::newRow("a data file named moc_") << "moc_notes.txt" << false << kept;
    QTest::newRow("qmake's release folder") << "release" << true << kept;
}

void TestPackage::leftOutRule()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(int, kind);
    const LeftOutRule *rule = ::leftOutRule(name, folder);
    QCOMPARE(rule ? int(rule->kind) : int(LeftOutKind::None), kind);
}

// The zip as other programs read it: Python's zipfile and Info-ZIP's unzip.
void TestPackage::zip_isReadByPythonAndUnzip()
{
#ifdef Q_OS_WIN
    QSKIP("Python and Info-ZIP's unzip are read in the Linux build");
#endif
    QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("build"));
    const QStringList shipped = { "app.exe",
                                  "Qt5Core.dll",
                                  "platforms/qwindows.dll",
                                  "settings.json",
                                  "Mein Ordner ü/daten.txt",
                                  "中文/说明.txt",
                                  "release/notes.txt" };
    QVERIFY(layOut(folder, shipped));
    QVERIFY(layOut(folder,
                   { "CMakeFiles/app.dir/main.cpp.o", "CMakeFiles/rules.ninja",
                     "app_autogen/mocs_compilation.cpp", "main.obj", "moc_window.cpp",
                     "build.ninja", "app.pdb" }));
    QVERIFY(QFile::link(folder + QStringLiteral("/app.exe"), folder + QStringLiteral("/link.exe")));
    // Saved inside the folder, and written before: the zip is not zipped.
    const QString zipPath = folder + QStringLiteral("/App-1.2-win64.zip");
    QVERIFY(writeAll(zipPath, "an older zip"));

    QCOMPARE(writeZip(folder, zipPath), QString());
    const ZipContents contents = listZipContents(folder, zipPath);
    QCOMPARE(leftOutLines(contents),
             QStringList(
                     { "Left out of the zip: 6 build files (CMakeFiles\\, *_autogen\\, "
                       "build.ninja…) "
                       "and 1 debugger file (*.pdb).",
                       "Not in the zip: 1 entry (link.exe among them): links, folders that cannot "
                       "be read, or past the walk's bounds (50000 entries, 16 folders deep)." }));

    const QString script = QStringLiteral(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None
    for i in sorted(z.infolist(), key=lambda i: i.filename):
        assert i.flag_bits & 0x800, i.filename
        assert i.compress_type == zipfile.ZIP_DEFLATED, i.filename
        assert z.read(i) == i.filename.split('/', 1)[1].encode() * 200, i.filename
        print(i.filename)
)");
    QProcess python;
    python.start(QStringLiteral("python3"), { QStringLiteral("-c"), script, zipPath });
    QVERIFY(python.waitForFinished(30000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QStringList expected;
    for (const QString &file : shipped)
        expected << QStringLiteral("App-1.2-win64/") + file;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             expected);

    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), { QStringLiteral("-t"), zipPath });
    QVERIFY(unzip.waitForFinished(30000));
    const QByteArray tested = unzip.readAllStandardOutput();
    QVERIFY2(unzip.exitCode() == 0 && tested.contains("No errors detected"), tested.constData());
}

void TestPackage::cancelOrFailure_leaveNothing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("removed"); // after the folder was listed
    QTest::addColumn<QString>("target"); // relative to the scratch folder
    QTest::newRow("cancelled") << true << QString() << "App.zip";
    QTest::newRow("a file gone before it was read") << false << "settings.json"
                                                    << "App.zip";
    QTest::newRow("a folder that does not exist") << false << QString() << "nowhere/App.zip";
}

void TestPackage::cancelOrFailure_leaveNothing()
{
    QFETCH(bool, cancel);
    QFETCH(QString, removed);
    QFETCH(QString, target);
    QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("app"));
    QVERIFY(layOut(folder, { "app.exe", "Qt5Core.dll", "settings.json", "platforms/qwindows.dll" }));
    const QString zipPath = scratch.filePath(target);
    const bool old = writeAll(zipPath, "the older zip");

    const QString result = writeZip(folder, zipPath, cancel, removed);
    QVERIFY2(cancel ? result.isEmpty() : result.startsWith(QLatin1String("failed: ")),
             qPrintable(result));
    QCOMPARE(readAll(zipPath), QByteArray(old ? "the older zip" : ""));
    QCOMPARE(QDir(scratch.path()).entryList(QDir::Files | QDir::Hidden),
             old ? QStringList { "App.zip" } : QStringList());
}

// Met before anything is written, without writing gigabytes: sparse files.
void TestPackage::limits_areMetBeforeWriting()
{
    QTemporaryDir scratch;
    QVERIFY(layOut(scratch.path(), { "a.dat", "b.dat", "c.dat" }));
    const ZipContents small = listZipContents(scratch.path(), QString());
    QCOMPARE(limitProblem(small), QString());
    ZipLimits fewEntries;
    fewEntries.maxEntries = 2;
    QCOMPARE(limitProblem(small, fewEntries),
             QStringLiteral(
                     "The folder holds 3 files to zip; a zip without Zip64 holds at most 2."));

    // Three files of 1.5 GB: each fits, their sum does not.
    for (const char *name : { "a.dat", "b.dat", "c.dat" })
        QVERIFY(QFile::resize(scratch.filePath(QLatin1String(name)), qint64(3) << 29));
    QCOMPARE(limitProblem(listZipContents(scratch.path(), QString())),
             QStringLiteral("The files to zip are 4,831,838,208 bytes in all; a zip without Zip64 "
                            "holds at most 4,278,190,079."));
    // One of 2 GB.
    QVERIFY(QFile::resize(scratch.filePath(QStringLiteral("b.dat")), qint64(1) << 31));
    QCOMPARE(limitProblem(listZipContents(scratch.path(), QString())),
             QStringLiteral("b.dat is 2,147,483,648 bytes; a file in the zip must be smaller than "
                            "2,147,483,648 bytes, because each file is read whole into memory."));
}

void TestPackage::proposedName_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("1.2.0.0") << "versioned.exe"
                             << "versioned-1.2-win64.zip";
    QTest::newRow("1.2.3.0") << "versioned3.exe"
                             << "versioned3-1.2.3-win64.zip";
    QTest::newRow("no version resource") << "plain.exe"
                                         << "plain-win64.zip";
    QTest::newRow("32-bit") << "qt5-32bit.exe"
                            << "qt5-32bit-win32.zip";
}

void TestPackage::proposedName()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    if (!haveFixtures())
        QSKIP(noFixtures);
    QCOMPARE(proposedZipName(fixture(file)), name);
}

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
