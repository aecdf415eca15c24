#include "kit/kitchoice.h"
#include "kit/kitlist.h"
#include "kit/peimage.h"
#include "kit/programcheck.h"
#include "kit/qtkit.h"
#include "testkit.h"

#include <QtTest>

namespace {

// Windows programs and DLLs that the build makes with MinGW (tests/fixtures.cmake).
QString fixture(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fixtures/") + name;
}

// A row names a fixture by its file name; any other text is written to a file.
bool isFixture(const QString &name)
{
    return name.endsWith(QLatin1String(".exe")) || name.endsWith(QLatin1String(".dll"));
}

const QStringList mingwRuntime = { QStringLiteral("libgcc_s_seh-1.dll"),
                                   QStringLiteral("libstdc++-6.dll"),
                                   QStringLiteral("libwinpthread-1.dll") };

// A runtime DLL's stand-in: its name and a variant make the bytes, longer
// than the 64 KB the comparison reads at a time and differing at the end.
QByteArray runtimeBytes(const QString &dll, char variant = 'a')
{
    return dll.toLatin1().repeated(5000) + variant;
}

// Lays out a kit folder: bin/<core> copied from a fixture (or written as
// text when `coreFixture` is not one), plus the given runtime DLLs.
bool layOutKit(const QString &kitDir, const QString &core, const QString &coreFixture,
               const QStringList &runtime)
{
    const QString bin = kitDir + QStringLiteral("/bin/");
    if (!QDir().mkpath(bin))
        return false;
    if (!core.isEmpty()) {
        const bool copied = isFixture(coreFixture) ? QFile::copy(fixture(coreFixture), bin + core)
                                                   : writeAll(bin + core, coreFixture.toLatin1());
        if (!copied)
            return false;
    }
    for (const QString &dll : runtime) {
        if (!writeAll(bin + dll, runtimeBytes(dll)))
            return false;
    }
    return true;
}

// A MinGW folder laid out as Qt's installer does, under <root>/Tools.
bool layOutMinGW(const QString &bin, bool withCompiler, const QStringList &runtime, char variant)
{
    if (!QDir().mkpath(bin)
        || (withCompiler && !writeAll(bin + QStringLiteral("/g++.exe"), QByteArray())))
        return false;
    for (const QString &dll : runtime) {
        if (!writeAll(bin + QLatin1Char('/') + dll, runtimeBytes(dll, variant)))
            return false;
    }
    return true;
}

quint32 u32At(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData() + at));
}

void putU32(QByteArray &bytes, int at, quint32 value)
{
    qToLittleEndian(value, reinterpret_cast<uchar *>(bytes.data() + at));
}

// Where a PE32+ file's import directory entry lies.
int importDirectoryAt(const QByteArray &image)
{
    return int(u32At(image, 0x3c)) + 24 + 120;
}

} // namespace

class TestKit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void init();
    void cleanup();

    void peImage_data();
    void peImage();
    void peImage_survivesDamagedAndHostileFiles();
    void kitFolder_data();
    void kitFolder();
    void compiler_fromImports_data();
    void compiler_fromImports();
    void mingwOfTheKit_data();
    void mingwOfTheKit();
    void programAgainstKit_data();
    void programAgainstKit();
    void kitInUse_data();
    void kitInUse();

private:
    QTemporaryDir *scratch = nullptr;
};

void TestKit::init()
{
    scratch = new QTemporaryDir;
    QVERIFY(scratch->isValid());
}

void TestKit::cleanup()
{
    removeWhenFree(scratch->path());
    delete scratch;
    scratch = nullptr;
    verifyNoWarnings();
}

void TestKit::peImage_data()
{
    QTest::addColumn<QString>("file"); // a fixture, or text written to a file
    QTest::addColumn<int>("bits");
    // Every import but those of MinGW's C start-up code, in the file's order.
    QTest::addColumn<QStringList>("imports");
    QTest::addColumn<QStringList>("delayImports");

    QTest::newRow("a 64-bit Qt 5 program")
            << "qt5.exe" << 64 << QStringList { "Qt5Core.dll", "Qt5Widgets.dll" } << QStringList();
    QTest::newRow("a 64-bit Qt 5 debug program")
            << "qt5-debug.exe" << 64 << QStringList { "Qt5Cored.dll", "Qt5Widgetsd.dll" }
            << QStringList();
    QTest::newRow("a 32-bit Qt 5 program")
            << "qt5-32bit.exe" << 32 << QStringList { "Qt5Core.dll", "Qt5Gui.dll" } << QStringList();
    QTest::newRow("a Qt 6 program")
            << "qt6.exe" << 64 << QStringList { "Qt6Core.dll", "Qt6Widgets.dll" } << QStringList();
    QTest::newRow("a 64-bit DLL") << "core64.dll" << 64 << QStringList() << QStringList();
    QTest::newRow("a 32-bit DLL") << "core32.dll" << 32 << QStringList() << QStringList();
    QTest::newRow("a program that delay-loads a DLL")
            << "helperapp.exe" << 64
            << QStringList { "Qt5Core.dll", "api-ms-win-core-synch-l1-2-0.dll", "libhelper.dll" }
            << QStringList { "libdelayed.dll" };
    QTest::newRow("a 32-bit program that delay-loads a DLL")
            << "delayed32.exe" << 32 << QStringList() << QStringList { "libdelayed.dll" };
    QTest::newRow("a text file") << "MZ but only words" << 0 << QStringList() << QStringList();
    QTest::newRow("an empty file") << "" << 0 << QStringList() << QStringList();
}

void TestKit::peImage()
{
    QFETCH(QString, file);
    QFETCH(int, bits);
    QFETCH(QStringList, imports);
    QFETCH(QStringList, delayImports);
    if (isFixture(file) && !haveFixtures())
        QSKIP(noFixtures);
    const QString path = scratch->filePath(QStringLiteral("read.exe"));
    QVERIFY(writeAll(path,
                     isFixture(file) ? withDelayImportDirectory(readAll(fixture(file)), "libdelayed.dll")
                                     : file.toLatin1()));

    const PeImage image = readPeImage(path);
    QCOMPARE(image.bits, bits);
    QCOMPARE(image.isValid(), bits != 0);
    QStringList own;
    for (const QString &dll : image.imports) {
        if (dll.compare(QLatin1String("KERNEL32.dll"), Qt::CaseInsensitive) != 0
            && dll.compare(QLatin1String("msvcrt.dll"), Qt::CaseInsensitive) != 0)
            own << dll;
    }
    QCOMPARE(own, imports);
    QCOMPARE(image.delayImports, delayImports);
    if (bits != 0)
        QVERIFY(image.imports.contains(QStringLiteral("KERNEL32.dll")));
}

// Every read is bounded by the file: truncated anywhere, with bytes changed at
// random or with offsets, counts and names made to point outside the file or
// back into itself, the reader returns; the sanitizer build checks that it
// never reads out of bounds on the way.
void TestKit::peImage_survivesDamagedAndHostileFiles()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    // A program with both tables: imports and delay-loaded imports.
    int descriptorAt = -1;
    const QByteArray original = withDelayImportDirectory(
            readAll(fixture(QStringLiteral("helperapp.exe"))), "libdelayed.dll", &descriptorAt);
    QVERIFY(original.size() > 1024);
    const QString path = scratch->filePath(QStringLiteral("damaged.exe"));
    const auto check = [&path](const QByteArray &bytes) {
        if (!writeAll(path, bytes))
            return false;
        const PeImage image = readPeImage(path);
        return (image.bits == 0 || image.bits == 32 || image.bits == 64)
                && image.imports.size() <= 1024 && image.delayImports.size() <= 1024;
    };

    // Truncated at every length through the headers, then all along the file.
    for (int length = 0; length < original.size(); length += length < 1024 ? 1 : 97)
        QVERIFY2(check(original.left(length)), qPrintable(QString::number(length)));

    // Random damage, repeatable from its seed.
    QRandomGenerator random(20261207);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = original;
        const int changes = 1 + random.bounded(8);
        for (int i = 0; i < changes; ++i) {
            // Mostly in the headers, where offsets and counts are.
            const int at = random.bounded(round % 2 ? bytes.size() : 1024);
            bytes[at] = char(random.bounded(256));
        }
        QVERIFY2(check(bytes), qPrintable(QString::number(round)));
    }

    // Offsets and counts chosen to hurt.
    const int peAt = int(u32At(original, 0x3c));
    const int importAt = importDirectoryAt(original);
    QByteArray bytes = original;
    putU32(bytes, 0x3c, 0xfffffff0);
    QVERIFY(check(bytes));
    QCOMPARE(readPeImage(path).bits, 0);

    bytes = original;
    bytes[peAt + 6] = char(0xff); // 65535 sections
    bytes[peAt + 7] = char(0xff);
    QVERIFY(check(bytes));

    bytes = original;
    putU32(bytes, importAt, 0xfffffff0); // the imports far outside every section
    QVERIFY(check(bytes));
    QCOMPARE(readPeImage(path).bits, 64);
    QVERIFY(readPeImage(path).imports.isEmpty());

    const int delayAt = importAt + 13 * 8 - 8;
    bytes = original;
    putU32(bytes, delayAt, 0xfffffff0); // the delay-loaded imports outside every section
    QVERIFY(check(bytes));
    QVERIFY(readPeImage(path).delayImports.isEmpty());
    QVERIFY(readPeImage(path).imports.contains(QStringLiteral("Qt5Core.dll")));

    // Descriptors of the old format, whose addresses include the image base:
    // this one's name address lies below it.
    bytes = original;
    QVERIFY(descriptorAt > 0);
    bytes[descriptorAt] = 0;
    QVERIFY(check(bytes));
    QVERIFY(readPeImage(path).delayImports.isEmpty());

    // A name that runs into the end of the file.
    const QByteArray firstName = QByteArray("KERNEL32.dll");
    QVERIFY(!firstName.isEmpty());
    QVERIFY(check(original.left(original.indexOf(firstName + '\0') + 3)));

    // The version resource: its directory damaged at random, its counts and
    // offsets made to loop or point outside; the version is then four
    // numbers or none.
    const QByteArray versioned = readAll(fixture(QStringLiteral("versioned.exe")));
    const int rsrcHeader = versioned.indexOf(".rsrc");
    QVERIFY(rsrcHeader > 0);
    const int rsrc = int(u32At(versioned, rsrcHeader + 20));
    const auto version = [&path](const QByteArray &bytes) {
        return writeAll(path, bytes) ? readFileVersion(path) : QVector<int> { -1 };
    };
    QCOMPARE(version(versioned), QVector<int>({ 1, 2, 0, 0 }));
    for (int round = 0; round < 2000; ++round) {
        bytes = versioned;
        for (int i = 0; i < 1 + random.bounded(4); ++i)
            bytes[rsrc + random.bounded(round % 2 ? 256 : 64)] = char(random.bounded(256));
        const int size = version(bytes).size();
        QVERIFY2(size == 0 || size == 4, qPrintable(QString::number(round)));
    }
    bytes = versioned;
    putU32(bytes, rsrc + 12, 0xffffffff); // 65535 named and 65535 numbered entries
    QVERIFY(version(bytes).size() <= 4);
    bytes = versioned;
    putU32(bytes, rsrc + 20, 0x80000000); // the type's folder is the root again
    QCOMPARE(version(bytes), QVector<int>());
    bytes = versioned;
    putU32(bytes, rsrc + 20, 0x8ffffff0); // the type's folder far outside
    QCOMPARE(version(bytes), QVector<int>());
    QCOMPARE(version(versioned.left(rsrc + 40)), QVector<int>());

    // Gigabytes: a sparse file of 5 GB, of which only the headers are read.
    QVERIFY(writeAll(path, original));
    QFile huge(path);
    QVERIFY(huge.resize(qint64(5) << 30));
    const PeImage image = readPeImage(path);
    QCOMPARE(image.bits, 64);
    QVERIFY(image.imports.contains(QStringLiteral("Qt5Core.dll")));
    QVERIFY(huge.remove());
}
void TestKit::kitFolder_data()
{
    QTest::addColumn<QString>("folder"); // where the kit lies
    QTest::addColumn<QString>("core"); // the Qt Core DLL in bin, if any
    QTest::addColumn<QString>("coreFixture"); // its bytes: a fixture, or this text
    QTest::addColumn<QStringList>("runtime");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("compiler");
    QTest::addColumn<QString>("qconfig"); // mkspecs/qconfig.pri, if any
    QTest::addColumn<QString>("version");

    QTest::newRow("a 64-bit Qt 6 MinGW kit") << "Qt/6.10.0/mingw_64"
                                             << "Qt6Core.dll"
                                             << "mingw-core64.dll" << mingwRuntime << 6 << 64 << "MinGW"
                                             << ""
                                             << "6.10.0";
    QTest::newRow("a 32-bit Qt 5 MinGW kit whose Qt Core shows no compiler")
            << "Qt/5.9.9/mingw53_32"
            << "Qt5Core.dll"
            << "core32.dll"
            << QStringList { "libgcc_s_dw2-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll" } << 5
            << 32 << ""
            << ""
            << "5.9.9";
    QTest::newRow("a 64-bit Qt 5 MSVC kit under the installer's old layout")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "Qt5Core.dll"
            << "msvc-core64.dll" << QStringList() << 5 << 64 << "MSVC"
            << ""
            << "5.12.0";
    QTest::newRow("a Qt Core that cannot be read, in a folder not named as a version")
            << "Qt/v6.4/kit"
            << "Qt6Core.dll"
            << "not a DLL" << QStringList() << 6 << 0 << ""
            << ""
            << "";
    QTest::newRow("a kit unpacked elsewhere, whose qconfig.pri tells its version")
            << "qt5-mingw"
            << "Qt5Core.dll"
            << "mingw-core64.dll" << mingwRuntime << 5 << 64 << "MinGW"
            << "QT_ARCH = x86_64\nQT_VERSION = 5.15.8\nQT_MAJOR_VERSION = 5\n"
            << "5.15.8";
    QTest::newRow("no Qt Core") << "kit"
                                << ""
                                << "" << QStringList() << 0 << 0 << ""
                                << "QT_VERSION = 6.x\n"
                                << "";
}

void TestKit::kitFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, core);
    QFETCH(QString, coreFixture);
    QFETCH(QStringList, runtime);
    QFETCH(int, major);
    QFETCH(int, bits);
    QFETCH(QString, compiler);
    QFETCH(QString, qconfig);
    QFETCH(QString, version);
    if (isFixture(coreFixture) && !haveFixtures())
        QSKIP(noFixtures);
    const QString kitDir = scratch->filePath(folder);
    QVERIFY(layOutKit(kitDir, core, coreFixture, runtime));
    if (!qconfig.isEmpty()) {
        QVERIFY(QDir().mkpath(kitDir + QStringLiteral("/mkspecs")));
        QVERIFY(writeAll(kitDir + QStringLiteral("/mkspecs/qconfig.pri"), qconfig.toLatin1()));
    }

    const QtKit kit(kitDir);
    QCOMPARE(kit.majorVersion(), major);
    QCOMPARE(kit.bits(), bits);
    QCOMPARE(kit.isMinGW(), !runtime.isEmpty());
    QStringList sorted = runtime;
    sorted.sort();
    QCOMPARE(kit.runtimeDlls(), sorted);
    QCOMPARE(compilerName(kit.compiler()), compiler);
    QCOMPARE(kit.version().toString(), version);
    // A kit that changed since it was read is read afresh.
    if (!core.isEmpty()) {
        QVERIFY(QFile::remove(kitDir + QStringLiteral("/bin/") + core));
        QCOMPARE(QtKit(kitDir).majorVersion(), 0);
    }
}

void TestKit::compiler_fromImports_data()
{
    QTest::addColumn<QStringList>("imports");
    QTest::addColumn<QString>("compiler");

    QTest::newRow("MinGW's C++ library and GCC's support library")
            << QStringList { "KERNEL32.dll", "libgcc_s_seh-1.dll", "libstdc++-6.dll" } << "MinGW";
    QTest::newRow("a 32-bit MinGW program's GCC support library alone")
            << QStringList { "LIBGCC_S_DW2-1.DLL", "msvcrt.dll" } << "MinGW";
    QTest::newRow("MinGW's threads library alone") << QStringList { "libwinpthread-1.dll" } << "MinGW";
    QTest::newRow("MSVC's runtime")
            << QStringList { "VCRUNTIME140.dll", "api-ms-win-crt-runtime-l1-1-0.dll" } << "MSVC";
    QTest::newRow("MSVC's C++ library of a debug build")
            << QStringList { "MSVCP140D.dll", "VCRUNTIME140_1D.dll" } << "MSVC";
    QTest::newRow("the Universal CRT alone says nothing")
            << QStringList { "api-ms-win-crt-runtime-l1-1-0.dll", "api-ms-win-crt-heap-l1-1-0.dll" }
            << "";
    QTest::newRow("Windows' own C library says nothing") << QStringList { "msvcrt.dll" } << "";
    QTest::newRow("another C++ library says nothing")
            << QStringList { "libc++.dll", "libunwind.dll" } << "";
    QTest::newRow("both at once say nothing")
            << QStringList { "libstdc++-6.dll", "vcruntime140.dll" } << "";
}

void TestKit::compiler_fromImports()
{
    QFETCH(QStringList, imports);
    QFETCH(QString, compiler);
    QCOMPARE(compilerName(compilerOf(imports)), compiler);
}

void TestKit::mingwOfTheKit_data()
{
    QTest::addColumn<QStringList>("kitRuntime");
    // Folders under <root>/Tools: name, whether it has g++.exe, the runtime
    // DLLs it holds, and 'a' for bytes equal to the kit's or another letter.
    QTest::addColumn<QStringList>("tools");
    QTest::addColumn<bool>("compilerOnPath");
    QTest::addColumn<QString>("expected"); // the Tools folder found, if any
    // Its runtime then changes, and the next look finds none.
    QTest::addColumn<bool>("changed");

    QTest::newRow("the installer's MinGW beside the kit")
            << mingwRuntime << QStringList { "mingw810_64 g++ a" } << false << "mingw810_64" << false;
    QTest::newRow("the MinGW whose runtime is the kit's, among others")
            << mingwRuntime
            << QStringList { "mingw730_64 g++ b", "mingw810_64 g++ a", "mingw900_64 g++ c" }
            << false << "mingw810_64" << false;
    QTest::newRow("a MinGW whose runtime differs is never used")
            << mingwRuntime << QStringList { "mingw730_64 g++ b" } << false << "" << false;
    QTest::newRow("a MinGW without g++.exe is not one")
            << mingwRuntime << QStringList { "mingw810_64 - a" } << false << "" << false;
    QTest::newRow("a MinGW that lacks one of the kit's runtime DLLs")
            << mingwRuntime << QStringList { "mingw810_64 g++ a -libwinpthread-1.dll" } << false
            << "" << false;
    QTest::newRow("a MinGW whose runtime changed since the last look")
            << mingwRuntime << QStringList { "mingw810_64 g++ a" } << false << "mingw810_64" << true;
    QTest::newRow("g++.exe already on PATH: the environment stays")
            << mingwRuntime << QStringList { "mingw810_64 g++ a" } << true << "" << false;
    QTest::newRow("an MSVC kit has no MinGW")
            << QStringList() << QStringList { "mingw810_64 g++ a" } << false << "" << false;
}

void TestKit::mingwOfTheKit()
{
    QFETCH(QStringList, kitRuntime);
    QFETCH(QStringList, tools);
    QFETCH(bool, compilerOnPath);
    QFETCH(QString, expected);
    QFETCH(bool, changed);
    const QString root = scratch->filePath(QStringLiteral("Qt"));
    const QString kitDir = root + QStringLiteral("/5.15.2/mingw81_64");
    // The lookup reads the runtime DLLs only, so Qt Core can be any bytes.
    QVERIFY(layOutKit(kitDir, QStringLiteral("Qt5Core.dll"), QStringLiteral("Qt Core"), kitRuntime));
    for (const QString &tool : tools) {
        const QStringList parts = tool.split(QLatin1Char(' '));
        QStringList runtime = mingwRuntime;
        if (parts.size() > 3)
            runtime.removeOne(parts.at(3).mid(1));
        QVERIFY(layOutMinGW(root + QStringLiteral("/Tools/") + parts.at(0) + QStringLiteral("/bin"),
                            parts.at(1) == QLatin1String("g++"), runtime, parts.at(2).at(0).toLatin1()));
    }
    const QString elsewhere = scratch->filePath(QStringLiteral("elsewhere"));
    QVERIFY(layOutMinGW(elsewhere, compilerOnPath, QStringList(), 'a'));
    const QString oldPath = QDir::toNativeSeparators(elsewhere) + QDir::listSeparator()
            + QDir::toNativeSeparators(scratch->path());

    QProcessEnvironment trevalos;
    trevalos.insert(QStringLiteral("PATH"), oldPath);
    trevalos.insert(QStringLiteral("QTDIR"), QStringLiteral("kept"));
    const QProcessEnvironment tool = toolEnvironment(QtKit(kitDir), trevalos);
    if (expected.isEmpty()) {
        QVERIFY(tool.isEmpty());
    } else {
        const QString bin = QDir::toNativeSeparators(root + QStringLiteral("/Tools/") + expected
                                                     + QStringLiteral("/bin"));
        QCOMPARE(tool.value(QStringLiteral("PATH")), bin + QDir::listSeparator() + oldPath);
        QCOMPARE(tool.value(QStringLiteral("QTDIR")), QStringLiteral("kept"));
    }
    // Trevalo's own environment never changes.
    QCOMPARE(trevalos.value(QStringLiteral("PATH")), oldPath);
    if (changed) {
        QFile dll(root + QStringLiteral("/Tools/") + expected + QStringLiteral("/bin/libstdc++-6.dll"));
        QVERIFY(dll.open(QIODevice::Append) && dll.write("b") == 1);
        dll.close();
        QVERIFY(toolEnvironment(QtKit(kitDir), trevalos).isEmpty());
    }
}

void TestKit::programAgainstKit_data()
{
    QTest::addColumn<QString>("program"); // a fixture; "" none chosen; "gone"; other: text in a file
    QTest::addColumn<QString>("core"); // the kit's Qt Core DLL
    QTest::addColumn<QString>("coreFixture");
    QTest::addColumn<bool>("release");
    QTest::addColumn<QString>("problem"); // %1 the program's file name, %2 the kit folder

    QTest::newRow("no program chosen")
            << ""
            << "Qt5Core.dll"
            << "core64.dll" << true
            << "No program chosen: choose the program to deploy with the ... button "
               "beside AppPath.";
    QTest::newRow("the program no longer exists")
            << "gone"
            << "Qt5Core.dll"
            << "core64.dll" << true << "%3 no longer exists: choose the program to deploy again.";
    QTest::newRow("a Qt 6 program with a Qt 5 kit")
            << "qt6.exe"
            << "Qt5Core.dll"
            << "core64.dll"
            << true << "%1 is a Qt 6 program, but the kit %2 is Qt 5: deploy it with a Qt 6 kit (设置 → 选择 Qt 目录…).";
    QTest::newRow("a Qt 5 program with a Qt 6 kit")
            << "qt5.exe"
            << "Qt6Core.dll"
            << "core64.dll"
            << false << "%1 is a Qt 5 program, but the kit %2 is Qt 6: deploy it with a Qt 5 kit (设置 → 选择 Qt 目录…).";
    QTest::newRow("a 32-bit program with a 64-bit kit")
            << "qt5-32bit.exe"
            << "Qt5Core.dll"
            << "core64.dll"
            << true << "%1 is a 32-bit program, but the kit %2 is 64-bit: deploy it with a 32-bit Qt 5 kit (设置 → 选择 Qt 目录…).";
    QTest::newRow("a 64-bit program with a 32-bit kit")
            << "qt5.exe"
            << "Qt5Core.dll"
            << "core32.dll"
            << true << "%1 is a 64-bit program, but the kit %2 is 32-bit: deploy it with a 64-bit Qt 5 kit (设置 → 选择 Qt 目录…).";
    QTest::newRow("a debug program with Release ticked")
            << "qt5-debug.exe"
            << "Qt5Core.dll"
            << "core64.dll" << true
            << "%1 is a debug build: untick Release to deploy the debug Qt libraries it needs, or "
               "choose its "
               "release build.";
    QTest::newRow("a Qt 6 debug program with Release ticked")
            << "qt6-debug.exe"
            << "Qt6Core.dll"
            << "core64.dll" << true
            << "%1 is a debug build: untick Release to deploy the debug Qt libraries it needs, or "
               "choose its "
               "release build.";
    QTest::newRow("a debug program with Release unticked") << "qt5-debug.exe"
                                                           << "Qt5Core.dll"
                                                           << "core64.dll" << false << "";
    QTest::newRow("a program that fits its kit") << "qt5.exe"
                                                 << "Qt5Core.dll"
                                                 << "core64.dll" << true << "";
    QTest::newRow("a MinGW program with an MSVC kit")
            << "qt5-mingw.exe"
            << "Qt5Core.dll"
            << "msvc-core64.dll" << true
            << "%1 is built with MinGW, but the kit %2 is built with MSVC: deploy it with a 64-bit "
               "MinGW Qt 5 kit (设置 → 选择 Qt 目录…).";
    QTest::newRow("an MSVC program with a MinGW kit")
            << "qt5-msvc.exe"
            << "Qt5Core.dll"
            << "mingw-core64.dll" << false
            << "%1 is built with MSVC, but the kit %2 is built with MinGW: deploy it with a 64-bit "
               "MSVC Qt 5 kit (设置 → 选择 Qt 目录…).";
    QTest::newRow("a program that shows no compiler with an MSVC kit")
            << "qt5.exe"
            << "Qt5Core.dll"
            << "msvc-core64.dll" << true << "";
    QTest::newRow("a MinGW program with a kit whose Qt Core shows no compiler")
            << "qt5-mingw.exe"
            << "Qt5Core.dll"
            << "core64.dll" << true << "";
    QTest::newRow("a program that imports no Qt module") << "plain.exe"
                                                         << "Qt6Core.dll"
                                                         << "core32.dll" << true << "";
    QTest::newRow("a file that is no program") << "just notes"
                                               << "Qt6Core.dll"
                                               << "core64.dll" << true << "";
    QTest::newRow("a kit whose Qt Core cannot be read") << "qt6.exe"
                                                        << "Qt5Core.dll"
                                                        << "not a DLL" << true << "";
    QTest::newRow("a folder with no Qt Core") << "qt6.exe"
                                              << ""
                                              << "" << true << "";
}

void TestKit::programAgainstKit()
{
    QFETCH(QString, program);
    QFETCH(QString, core);
    QFETCH(QString, coreFixture);
    QFETCH(bool, release);
    QFETCH(QString, problem);
    if ((isFixture(program) || isFixture(coreFixture)) && !haveFixtures())
        QSKIP(noFixtures);
    // Folders with odd names, as users have them.
    const QString kitDir = scratch->filePath(QStringLiteral("Qt %1/5.15.2/mingw81_64"));
    QVERIFY(layOutKit(kitDir, core, coreFixture, QStringList()));
    QString path = program;
    if (program == QLatin1String("gone")) {
        path = scratch->filePath(QStringLiteral("build/gone.exe"));
    } else if (!program.isEmpty()) {
        path = scratch->filePath(QStringLiteral("my app 50%/") + program);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(isFixture(program) ? QFile::copy(fixture(program), path)
                                   : writeAll(path, program.toLatin1()));
    }

    problem.replace(QLatin1String("%1"), QFileInfo(path).fileName());
    problem.replace(QLatin1String("%2"), QDir::toNativeSeparators(kitDir));
    problem.replace(QLatin1String("%3"), QDir::toNativeSeparators(path));
    QCOMPARE(deploymentProblem(path, QtKit(kitDir), release), problem);
}

void TestKit::kitInUse_data()
{
    QTest::addColumn<QString>("configured"); // under the scratch folder
    QTest::addColumn<QString>("program"); // a fixture; "" none chosen
    QTest::addColumn<bool>("found"); // the kits under Qt found, or none
    QTest::addColumn<QString>("used"); // the kit in use, under the scratch folder
    QTest::addColumn<QString>("note"); // %1 the kit in use, %2 the configured folder
    QTest::addColumn<QString>("needed");
    // The check of the program against the kit in use: %2 that kit, %3 the
    // program's file name, %4 the kit found that it names.
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("named");

    const QString hint = QStringLiteral(" (设置 → 选择 Qt 目录…).");
    QTest::newRow("the configured kit stands although another fits, which the check names")
            << "Qt/5.15.10/msvc2019_64"
            << "qt5-mingw.exe" << true << "Qt/5.15.10/msvc2019_64"
            << ""
            << ""
            << "%3 is built with MinGW, but the kit %2 is built with MSVC: deploy it with a 64-bit "
               "MinGW Qt 5 kit, such as %4"
                    + hint
            << "Qt/5.15.8/mingw81_64";
    QTest::newRow("a Qt 5 program with the Qt 6 kit configured is told of the Qt 5 kit that fits")
            << "Qt/6.4.2/mingw_64"
            << "qt5.exe" << true << "Qt/6.4.2/mingw_64"
            << ""
            << ""
            << "%3 is a Qt 5 program, but the kit %2 is Qt 6: deploy it with a Qt 5 kit, such as %4" + hint
            << "Qt/5.15.10/msvc2019_64";
    QTest::newRow("before a program is chosen, the configured kit")
            << "Qt/6.4.2/msvc2019_64"
            << "" << true << "Qt/6.4.2/msvc2019_64"
            << ""
            << ""
            << ""
            << "";
    QTest::newRow("before a program is chosen, none where the configured kit is gone")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "" << true << ""
            << ""
            << ""
            << ""
            << "";
    QTest::newRow("a MinGW Qt 5 program: the newest MinGW Qt 5 kit, 5.15.8 before 5.9.9")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "qt5-mingw.exe" << true << "Qt/5.15.8/mingw81_64"
            << "Using %1: the configured %2 does not exist."
            << ""
            << ""
            << "";
    QTest::newRow("an MSVC Qt 5 program: the MSVC kit")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "qt5-msvc.exe" << true << "Qt/5.15.10/msvc2019_64"
            << "Using %1: the configured %2 does not exist."
            << ""
            << ""
            << "";
    QTest::newRow("a Qt 6 program that shows no compiler: the newest Qt 6 kit, 6.10.0 before 6.4.2")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "qt6.exe" << true << "Qt/6.10.0/mingw_64"
            << "Using %1: the configured %2 does not exist."
            << ""
            << ""
            << "";
    QTest::newRow("equal versions: the first listed")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "qt5-32bit.exe" << true << "Qt/5.12.12/mingw73_32"
            << "Using %1: the configured %2 does not exist."
            << ""
            << ""
            << "";
    QTest::newRow("a configured folder without the tool")
            << "Qt/5.15.8"
            << "qt5-mingw.exe" << true << "Qt/5.15.8/mingw81_64"
            << "Using %1: the configured %2 has no "
                    + QDir::toNativeSeparators(QStringLiteral("bin/windeployqt.exe")) + "."
            << ""
            << ""
            << "";
    QTest::newRow("no kit fits: what the program needs") << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
                                                         << "qt5-mingw.exe" << false << ""
                                                         << ""
                                                         << "a 64-bit MinGW Qt 5 kit"
                                                         << ""
                                                         << "";
    QTest::newRow("no kit fits a program that shows no compiler")
            << "Qt/Qt5.12.0/5.12.0/msvc2015_64"
            << "qt5-32bit.exe" << false << ""
            << ""
            << "a 32-bit Qt 5 kit"
            << ""
            << "";
}

void TestKit::kitInUse()
{
    QFETCH(QString, configured);
    QFETCH(QString, program);
    QFETCH(bool, found);
    QFETCH(QString, used);
    QFETCH(QString, note);
    QFETCH(QString, needed);
    QFETCH(QString, problem);
    QFETCH(QString, named);
    if (!haveFixtures())
        QSKIP(noFixtures);

    // A Qt folder as the installer lays it out, each kit with its tool.
    const struct
    {
        const char *folder;
        const char *core;
        const char *coreFixture;
    } kits[] = {
        { "Qt/5.12.12/mingw73_32", "Qt5Core.dll", "core32.dll" },
        { "Qt/5.12.12/msvc2017", "Qt5Core.dll", "core32.dll" },
        { "Qt/5.15.10/msvc2019_64", "Qt5Core.dll", "msvc-core64.dll" },
        { "Qt/5.15.8/mingw81_64", "Qt5Core.dll", "mingw-core64.dll" },
        { "Qt/5.9.9/mingw81_64", "Qt5Core.dll", "mingw-core64.dll" },
        { "Qt/6.10.0/mingw_64", "Qt6Core.dll", "mingw-core64.dll" },
        { "Qt/6.4.2/mingw_64", "Qt6Core.dll", "mingw-core64.dll" },
        { "Qt/6.4.2/msvc2019_64", "Qt6Core.dll", "msvc-core64.dll" },
    };
    for (const auto &kit : kits) {
        const QString dir = scratch->filePath(QLatin1String(kit.folder));
        QVERIFY(layOutKit(dir, QLatin1String(kit.core), QLatin1String(kit.coreFixture), QStringList()));
        QVERIFY(writeAll(dir + QStringLiteral("/bin/windeployqt.exe"), "MZ"));
    }
    const QStringList foundKits =
            found ? findKits({ { scratch->filePath(QStringLiteral("Qt")) }, {}, {} }) : QStringList();
    QString path;
    if (!program.isEmpty()) {
        path = scratch->filePath(QStringLiteral("build/") + program);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::copy(fixture(program), path));
    }
    const QString configuredDir = scratch->filePath(configured);
    const QString usedDir = used.isEmpty() ? QString() : scratch->filePath(used);

    const KitChoice choice = chooseKit(configuredDir, foundKits, path);
    QCOMPARE(choice.dir, usedDir);
    note.replace(QLatin1String("%1"), QDir::toNativeSeparators(usedDir));
    note.replace(QLatin1String("%2"), QDir::toNativeSeparators(configuredDir));
    QCOMPARE(choice.note, note);
    QCOMPARE(choice.needed, needed);
    if (!usedDir.isEmpty() && !path.isEmpty()) {
        problem.replace(QLatin1String("%2"), QDir::toNativeSeparators(usedDir));
        problem.replace(QLatin1String("%3"), program);
        problem.replace(QLatin1String("%4"), QDir::toNativeSeparators(scratch->filePath(named)));
        QCOMPARE(deploymentProblem(path, QtKit(usedDir), false, foundKits), problem);
    }
}

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
