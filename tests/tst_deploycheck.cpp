#include "deploycheck/deploycheck.h"
#include "deploycheck/qmldirguard.h"
#include "deploycheck/trial.h"
#include "testkit.h"

#include <QtTest>

namespace {

QString fixture(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fixtures/") + name;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, reinterpret_cast<uchar *>(bytes.data()));
    return bytes;
}

// Qt 5.12's plugin metadata, binary JSON: {"debug": debug, "version": version}.
QByteArray binaryJson(quint32 version, bool debug)
{
    QByteArray entries;
    QByteArray table;
    const auto add = [&](quint32 value, const QByteArray &key) {
        table += le32(12 + entries.size());
        entries += le32(value) + char(key.size()) + '\0' + key;
        entries.append((4 - entries.size() % 4) % 4, '\0');
    };
    add(1 | 1 << 4 | quint32(debug) << 5, "debug");
    add(2 | 1 << 3 | 1 << 4 | version << 5, "version");
    const QByteArray object = le32(1 | 2 << 1) + le32(12 + entries.size()) + entries + table;
    return "qbjs" + le32(1) + le32(4 + object.size()) + object;
}

// A file's bytes for a layOut source: a fixture (its delay-import directory
// filled in); "text" for a file that is no program; "<fixture>|<import>|<new
// name>" for a fixture whose import is renamed in place (the new name no
// longer than the old); a DLL with, at its end, plugin metadata
// "plugin:<format>.<major>.<minor>.<flags>" or "qbjs:<version>.<debug>[.<bytes kept>]",
// Qt Core's version resource "core:<major>.<minor>.<patch>.<flags>", or the
// strings "strings:<a>,<b>..."; "conf:<text>" for a text file.
QByteArray made(const QString &entry)
{
    const QString kind = entry.section(QLatin1Char(':'), 0, 0);
    const QStringList values = entry.section(QLatin1Char(':'), 1).split(QLatin1Char('.'));
    const QByteArray dll = readAll(fixture(QStringLiteral("core64.dll")));
    if (kind == QLatin1String("conf"))
        return entry.mid(5).toUtf8();
    if (kind == QLatin1String("plugin")) {
        QByteArray header;
        for (const QString &value : values)
            header += char(value.toInt());
        return dll + "QTMETADATA !" + header;
    }
    if (kind == QLatin1String("qbjs"))
        return dll + "QTMETADATA  "
                + binaryJson(values.at(0).toUInt(nullptr, 16), values.at(1) == QLatin1String("1"))
                          .left(values.size() > 2 ? values.at(2).toInt() : 1 << 20);
    if (kind == QLatin1String("core"))
        return dll + QByteArray("\xbd\x04\xef\xfe", 4) + le32(0x10000)
                + le32(values.at(0).toUInt() << 16 | values.at(1).toUInt())
                + le32(values.at(2).toUInt() << 16) + le32(0) + le32(0) + le32(0x3f)
                + le32(values.at(3).toUInt());
    if (kind == QLatin1String("strings"))
        return dll + '\0' + entry.mid(8).toLatin1().replace(',', '\0') + '\0';
    const QStringList source = entry.split(QLatin1Char('|'));
    QByteArray bytes = source.at(0) == QLatin1String("text")
            ? QByteArray("MZ, then words")
            : withDelayImportDirectory(readAll(fixture(source.at(0))), "libdelayed.dll");
    if (source.size() == 3 && !bytes.isEmpty()) {
        const QByteArray old = source.at(1).toLatin1() + '\0';
        QByteArray renamed = source.at(2).toLatin1();
        renamed.append(QByteArray(old.size() - renamed.size(), '\0'));
        bytes.replace(old, renamed);
    }
    return bytes;
}

// Lays out files from entries "<path><<source>" (sources as made() takes
// them). Paths starting with "PATH:" go to `pathDir`, those starting with
// "QT:" to `qtDir`, the others to `appDir`.
bool layOut(const QStringList &entries, const QString &appDir, const QString &pathDir,
            const QString &qtDir = QString())
{
    for (const QString &entry : entries) {
        const QString target = entry.section(QLatin1Char('<'), 0, 0);
        const QString path = target.startsWith(QLatin1String("PATH:"))
                ? pathDir + QLatin1Char('/') + target.mid(5)
                : target.startsWith(QLatin1String("QT:")) ? qtDir + QLatin1Char('/') + target.mid(3)
                                                          : appDir + QLatin1Char('/') + target;
        const QByteArray bytes = made(entry.section(QLatin1Char('<'), 1));
        if (bytes.isEmpty() || !QDir().mkpath(QFileInfo(path).path()) || !writeAll(path, bytes))
            return false;
    }
    return true;
}

QStringList texts(const QVector<CheckLine> &lines)
{
    QStringList list;
    for (const CheckLine &line : lines)
        list << line.text;
    return list;
}

// The deployed program with every DLL it imports beside it.
const QStringList complete = { "helperapp.exe<helperapp.exe", "libhelper.dll<libhelper.dll",
                               "libdeep.dll<libdeep.dll", "Qt5Core.dll<core64.dll",
                               "libdelayed.dll<core64.dll" };
const QString allFound = QStringLiteral(
        "Checked 5 files: every DLL they import is in the folder or part of Windows.");
QString checked(int files)
{
    return QStringLiteral(
                   "Checked %1 files: every DLL they import is in the folder or part of Windows.")
            .arg(files);
}

} // namespace

class TestDeployCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void init();
    void cleanup();

    void check_data();
    void check();
    void hostileFolder_data();
    void hostileFolder();
    void hostileLoadedByName_data();
    void hostileLoadedByName();
    void copyMissing_data();
    void copyMissing();
    void placesToLook_inOrderOnce();
    void qmlDir_data();
    void qmlDir();
    void describeEnd_data();
    void describeEnd();
    void trial_data();
    void trial();
    void trial_neverOutlivesItsObject();
    void cleanEnvironment_onlyWindowsOnPathNothingOfQt();

private:
    QString appDir() const { return scratch->filePath(QStringLiteral("app/deploy")); }
    QString pathDir() const { return scratch->filePath(QStringLiteral("machine/a/bin")); }
    // A kit as Qt's installer lays it out, with Tools beside its versions.
    QString qtDir() const { return scratch->filePath(QStringLiteral("Qt")); }
    QString kitDir() const { return qtDir() + QStringLiteral("/5.15.2/kit"); }
    QString expand(QString line) const;
    QStringList expand(QStringList lines) const;

    QTemporaryDir *scratch = nullptr;
};

void TestDeployCheck::init()
{
    scratch = new QTemporaryDir;
    QVERIFY(scratch->isValid());
}

void TestDeployCheck::cleanup()
{
    removeWhenFree(scratch->path());
    delete scratch;
    scratch = nullptr;
    verifyNoWarnings();
}

QString TestDeployCheck::expand(QString line) const
{
    line.replace(QLatin1String("%path"), QDir::toNativeSeparators(pathDir()));
    line.replace(QLatin1String("%kit"), QDir::toNativeSeparators(kitDir()));
    line.replace(QLatin1String("%qt"), QDir::toNativeSeparators(qtDir()));
    line.replace(QLatin1String("%scratch"), QDir::toNativeSeparators(scratch->path()));
    line.replace(QLatin1String("%/"), QDir::separator());
    return line;
}

QStringList TestDeployCheck::expand(QStringList lines) const
{
    for (QString &line : lines)
        line = expand(line);
    return lines;
}

void TestDeployCheck::check_data()
{
    QTest::addColumn<QStringList>("files"); // the program first
    QTest::addColumn<bool>("passed");
    QTest::addColumn<QStringList>("report");

    QTest::newRow("every DLL beside the program or part of Windows")
            << complete << true << QStringList { allFound };
    QTest::newRow("names that differ from the imports in case")
            << QStringList { "helperapp.exe<helperapp.exe", "LIBHELPER.DLL<libhelper.dll",
                             "LibDeep.dll<libdeep.dll", "qt5core.dll<core64.dll",
                             "libdelayed.dll<core64.dll" }
            << true << QStringList { allFound };
    QTest::newRow("a library found only on PATH, and the one it needs")
            << QStringList { "helperapp.exe<helperapp.exe", "Qt5Core.dll<core64.dll",
                             "PATH:libhelper.dll<libhelper.dll", "PATH:libdeep.dll<libdeep.dll" }
            << false
            << QStringList {
                   "Missing: libhelper.dll, imported by helperapp.exe; on this machine it is in "
                   "%path.",
                   "Missing: libdeep.dll, imported by libhelper.dll (from %path); on this machine "
                   "it is in %path.",
                   "Loaded on demand: libdelayed.dll, by helperapp.exe, is neither in the folder "
                   "nor part of Windows (it is nowhere on this machine); the program needs it only "
                   "when it uses it."
               };
    QTest::newRow("a plugin in a subfolder that needs a DLL found nowhere")
            << complete + QStringList { "platforms/nowhereplugin.dll<nowhereplugin.dll" } << false
            << QStringList { "Missing: libnowhere.dll, imported by platforms%/nowhereplugin.dll; "
                             "it is nowhere on this machine." };
    QTest::newRow("a 32-bit DLL beside a 64-bit program")
            << QStringList { "helperapp.exe<helperapp.exe", "libhelper.dll<core32.dll",
                             "libdeep.dll<libdeep.dll",     "Qt5Core.dll<core64.dll",
                             "libdelayed.dll<core64.dll",   "PATH:libhelper.dll<libhelper.dll" }
            << false
            << QStringList { "Missing: libhelper.dll, imported by helperapp.exe (the one in the "
                             "folder is 32-bit, the program 64-bit); on this machine it is in "
                             "%path." };
    QTest::newRow("a 32-bit DLL on PATH is not the one")
            << QStringList { "helperapp.exe<helperapp.exe", "Qt5Core.dll<core64.dll",
                             "libdelayed.dll<core64.dll", "PATH:libhelper.dll<core32.dll" }
            << false
            << QStringList { "Missing: libhelper.dll, imported by helperapp.exe; it is nowhere "
                             "on this machine." };
    QTest::newRow("the MinGW runtime left out, NO-Runtime ticked")
            << QStringList { "mingwapp.exe<mingwapp.exe", "NO-Runtime" } << false
            << QStringList {
                   "Missing: libgcc_s_seh-1.dll, imported by mingwapp.exe; it is nowhere on this "
                   "machine.",
                   "Missing: libstdc++-6.dll, imported by mingwapp.exe; it is nowhere on this "
                   "machine.",
                   "The MinGW runtime (libgcc_s_seh-1.dll, libstdc++-6.dll) is not in the folder: "
                   "untick NO-Runtime and run again, so that the tool deploys it beside the "
                   "program."
               };
    QTest::newRow("the MinGW runtime not found by the tool, on PATH here")
            << QStringList { "mingwapp.exe<mingwapp.exe", "libstdc++-6.dll<core64.dll",
                             "PATH:libgcc_s_seh-1.dll<core64.dll" }
            << false
            << QStringList {
                   "Missing: libgcc_s_seh-1.dll, imported by mingwapp.exe; on this machine "
                   "it is in %path.",
                   "The MinGW runtime (libgcc_s_seh-1.dll) is not in the folder: the tool "
                   "could not find MinGW (no g++.exe on PATH, and no MinGW beside the kit "
                   "whose runtime is the kit's). The copy action puts the runtime found on "
                   "this machine into the folder."
               };
    const QStringList gui = { "guiapp.exe<guiapp.exe", "Qt5Core.dll<core:5.12.3.0",
                              "Qt5Gui.dll<core64.dll" };
    const QString noPlugin = QStringLiteral(
            "Missing: the platform plugin platforms%/qwindows.dll, which Qt GUI (Qt5Gui.dll) loads "
            "at "
            "start-up; without it the program stops with \"no Qt platform plugin could be "
            "initialized\". ");
    QTest::newRow("Qt GUI without a platform plugin, none on this machine")
            << gui << true
            << QStringList { checked(3),
                             noPlugin
                                     + "None that fits was found on this "
                                       "machine (looked in the kit's plugins%/platforms)." };
    QTest::newRow("Qt GUI without a platform plugin, the kit has one")
            << gui + QStringList { "QT:5.15.2/kit/plugins/platforms/qwindows.dll<plugin:0.5.12.0" }
            << true
            << QStringList { checked(3), noPlugin + "A fitting one is in %kit%/plugins%/platforms." };
    QTest::newRow("a platform plugin of a newer Qt than Qt Core's, and a 32-bit one")
            << gui
                    + QStringList { "platforms/qwindows.dll<plugin:0.5.15.0",
                                    "platforms/qwindowsd.dll<core32.dll" }
            << true
            << QStringList { checked(5),
                             "The platform plugin platforms%/qwindows.dll does not fit: it is "
                             "built for Qt 5.15, the Qt Core beside the program is Qt 5.12.3, so "
                             "Qt GUI (Qt5Gui.dll) cannot load it at start-up. Run the tool again "
                             "with the kit the program was built with." };
    QTest::newRow("a debug plugin beside release Qt 5.12, in binary JSON")
            << gui + QStringList { "platforms/qwindows.dll<qbjs:50c00.1" } << true
            << QStringList { checked(4),
                             "The platform plugin platforms%/qwindows.dll does not fit: it is a "
                             "debug build, Qt Core a release build, so Qt GUI (Qt5Gui.dll) "
                             "cannot load it at start-up. Run the tool again with the kit the "
                             "program was built with." };
    QTest::newRow("a Qt 6 debug plugin beside release Qt 6")
            << QStringList { "gui6app.exe<gui6app.exe", "Qt6Core.dll<core:6.4.2.0",
                             "Qt6Gui.dll<core64.dll", "platforms/qwindows.dll<plugin:1.6.4.128" }
            << true
            << QStringList { checked(4),
                             "The platform plugin platforms%/qwindows.dll does not fit: it is a "
                             "debug build, Qt Core a release build, so Qt GUI (Qt6Gui.dll) "
                             "cannot load it at start-up. Run the tool again with the kit the "
                             "program was built with." };
    QTest::newRow("qt.conf leads Qt to plugins inside the folder")
            << gui
                    + QStringList { "qt.conf<conf:[Paths]\r\nPrefix = \"lib\"\r\n",
                                    "lib/plugins/platforms/qwindows.dll<plugin:0.5.12.0" }
            << true << QStringList { checked(4) };
    QTest::newRow("qt.conf leads Qt to plugins outside the folder")
            << gui
                    + QStringList { "qt.conf<conf:[Paths]\nPlugins=../../Qt/5.15.2/kit/plugins\n",
                                    "QT:5.15.2/kit/plugins/platforms/qwindows.dll<plugin:0.5.12.0" }
            << true
            << QStringList { checked(3),
                             "qt.conf sets %kit%/plugins as the plugin folder, outside the "
                             "application folder: the check does not look there, and another "
                             "machine will not have it.",
                             noPlugin + "A fitting one is in %kit%/plugins%/platforms." };
    const QString openSsl = QStringLiteral(
            "libssl-1_1-x64.dll and libcrypto-1_1-x64.dll, or ssleay32.dll and libeay32.dll");
    const QStringList network = {
        "Qt5Core.dll<core64.dll",
        "Qt5Network.dll<strings:libssl-1_1-x64,libcrypto-1_1-x64,ssleay32,"
        "libeay32,could not load libssl/libcrypto"
    };
    QTest::newRow("Qt 5 HTTPS without OpenSSL, which lies where Qt's installer puts it")
            << QStringList { "netapp.exe<netapp.exe" } + network
                    + QStringList { "QT:Tools/OpenSSL/Win_x64/bin/libssl-1_1-x64.dll<core64.dll", "QT:Tools/OpenSSL/Win_x64/bin/libcrypto-1_1-x64.dll<core64.dll" }
            << true
            << QStringList {
                   "Checked 3 files: every DLL they import is in the folder or part of Windows.",
                   "OpenSSL is not in the folder: Qt Network (Qt5Network.dll) loads " + openSsl
                           + " by name, so HTTPS and every other TLS connection will fail on "
                             "a machine without OpenSSL. On this machine they are in "
                             "%qt%/Tools%/OpenSSL%/Win_x64%/bin; OpenSSL's licence must ship "
                             "with them."
               };
    QTest::newRow("Qt 5 Network only for Qt QML, OpenSSL nowhere")
            << QStringList { "guiapp.exe<guiapp.exe|Qt5Gui.dll|Qt5Qml.dll", "Qt5Qml.dll<netapp.exe" }
                    + network
            << true
            << QStringList {
                   "Checked 4 files: every DLL they import is in the folder or part of Windows.",
                   "OpenSSL is not in the folder: Qt Network (Qt5Network.dll), which Qt QML "
                   "needs, loads "
                           + openSsl
                           + " by name; should the program make HTTPS or "
                             "other TLS connections, they will fail on a machine without OpenSSL. "
                             "They "
                             "are nowhere on this machine; Qt's installer puts them in "
                             "%qt%/Tools%/OpenSSL%/Win_x64%/bin."
               };
    QTest::newRow("Qt 5 HTTPS with the older OpenSSL names in the folder")
            << QStringList { "netapp.exe<netapp.exe", "ssleay32.dll<core64.dll", "libeay32.dll<core64.dll" }
                    + network
            << true
            << QStringList {
                   "Checked 5 files: every DLL they import is in the folder or part of Windows."
               };
    const QStringList network6 = { "net6app.exe<net6app.exe", "Qt6Core.dll<core64.dll",
                                   "Qt6Network.dll<core64.dll" };
    const QString openSsl3 = QStringLiteral("strings:libssl-3-x64,libcrypto-3-x64");
    QTest::newRow("Qt 6 HTTPS through Schannel")
            << network6
                    + QStringList { "tls/qschannelbackend.dll<core64.dll",
                                    "tls/qcertonlybackend.dll<core64.dll" }
            << true
            << QStringList { checked(5), "TLS uses Windows' own Schannel (tls%/qschannelbackend.dll)." };
    QTest::newRow(
            "Qt 6 HTTPS through Schannel, OpenSSL's backend without OpenSSL, which is on PATH")
            << network6
                    + QStringList { "tls/qschannelbackend.dll<core64.dll",
                                    "tls/qopensslbackend.dll<" + openSsl3,
                                    "PATH:libssl-3-x64.dll<core64.dll",
                                    "PATH:libcrypto-3-x64.dll<core64.dll" }
            << true
            << QStringList { checked(5),
                             "TLS uses Windows' own Schannel (tls%/qschannelbackend.dll): the "
                             "OpenSSL backend is there, but OpenSSL's DLLs (libssl-3-x64.dll and "
                             "libcrypto-3-x64.dll) are not deployed. On this machine they are in "
                             "%path; OpenSSL's licence must ship with them." };
    QTest::newRow("Qt 6 HTTPS through OpenSSL") << network6
                    + QStringList { "tls/qopensslbackend.dll<" + openSsl3,
                                    "libssl-3-x64.dll<core64.dll", "libcrypto-3-x64.dll<core64.dll" }
                                                << true << QStringList { checked(6) };
    QTest::newRow("Qt 6 with only the certificate-only backend")
            << network6
                    + QStringList { "tls/qcertonlybackend.dll<core64.dll",
                                    "QT:5.15.2/kit/plugins/tls/qschannelbackend.dll<core64.dll" }
            << true
            << QStringList { checked(4),
                             "No TLS backend that can work is in the folder (tls%/ holds only the "
                             "certificate-only one): HTTPS and every other TLS connection will "
                             "fail. Windows' own Schannel backend is in %kit%/plugins%/tls." };
    QTest::newRow("the MSVC runtime left out")
            << QStringList { "msvcapp.exe<msvcapp.exe" } << false
            << QStringList {
                   "Missing: MSVCP140.dll, imported by msvcapp.exe; it is nowhere on this machine.",
                   "Missing: VCRUNTIME140.dll, imported by msvcapp.exe; it is nowhere on this "
                   "machine.",
                   "The MSVC runtime (MSVCP140.dll, VCRUNTIME140.dll) is not in the folder: "
                   "install the Visual C++ redistributable on the target machine, or copy the DLLs "
                   "beside the program."
               };
    QTest::newRow("the MSVC runtime's installer in the folder")
            << QStringList { "msvcapp.exe<msvcapp.exe", "vc_redist.x64.exe<text" } << true
            << QStringList { "The MSVC runtime (MSVCP140.dll, VCRUNTIME140.dll) comes with the "
                             "redistributable's installer in the folder (vc_redist.x64.exe): run "
                             "it on the target machine, or copy the DLLs beside the program.",
                             "Left out of the check: 1 file named .dll or .exe that is not a "
                             "readable Windows program (vc_redist.x64.exe)." };
}

void TestDeployCheck::check()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    QFETCH(QStringList, files);
    QFETCH(bool, passed);
    QFETCH(QStringList, report);
    // An entry "NO-Runtime": the run had it ticked.
    const bool ticked = files.removeAll(QStringLiteral("NO-Runtime")) > 0;
    QVERIFY(layOut(files, appDir(), pathDir(), qtDir()));

    const QString program = appDir() + QLatin1Char('/') + files.first().section(QLatin1Char('<'), 0, 0);
    DeployCheck check = checkDeployment(
            program, { scratch->filePath(QStringLiteral("empty")), pathDir() }, kitDir());
    check.runtimeLeftOut = ticked;
    QCOMPARE(texts(checkReport(check)), expand(report));
    QCOMPARE(check.passed(), passed);
    const QStringList warnings = {
        "Missing", "The M", "The platform", "No TLS",
        "OpenSSL is not in the folder: Qt Network (Qt5Network.dll) loads"
    };
    for (const CheckLine &line : checkReport(check)) {
        bool warning = false;
        for (const QString &start : warnings)
            warning = warning || line.text.startsWith(start);
        QCOMPARE(line.warning, warning);
    }
}

void TestDeployCheck::hostileFolder_data()
{
    QTest::addColumn<QString>("hazard");
    QTest::addColumn<int>("checked");
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QString>("leftOut"); // the start of the one line that says so

    const QString none;
    QTest::newRow("10,000 files named .dll that are not programs")
            << "many" << 5 << 10000 << 0
            << "Left out of the check: 10000 files named .dll or .exe that are not readable "
               "Windows programs (";
    QTest::newRow("a link that loops back to the folder") << "loop" << 5 << 0 << 0 << none;
    QTest::newRow("a link to a folder outside") << "outside" << 5 << 0 << 0 << none;
    QTest::newRow("a 5 GB sparse file named .dll") << "huge" << 6 << 0 << 0 << none;
    QTest::newRow("an empty file named .dll")
            << "empty" << 5 << 1 << 0
            << "Left out of the check: 1 file named .dll or .exe that is not a readable Windows "
               "program (empty.dll).";
    QTest::newRow("names with every character Windows allows") << "names" << 9 << 0 << 0 << none;
    QTest::newRow("folders deeper than the check goes")
            << "deep" << 5 << 0 << 1
            << "Left out of the check: 1 entry beyond its bounds (50000 entries, 16 folders deep) "
               "or leading out of the folder.";
}

void TestDeployCheck::hostileFolder()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    QFETCH(QString, hazard);
    QFETCH(int, checked);
    QFETCH(int, unreadable);
    QFETCH(int, skipped);
    QFETCH(QString, leftOut);
    QVERIFY(layOut(complete, appDir(), pathDir()));
    const QString app = appDir() + QLatin1Char('/');
    // A plugin that needs a DLL found nowhere, where the check must not look.
    const QString outside = scratch->filePath(QStringLiteral("outside"));
    QVERIFY(layOut({ "plugin.dll<nowhereplugin.dll" }, outside, QString()));

    if (hazard == QLatin1String("many")) {
        QVERIFY(QDir().mkpath(app + QStringLiteral("many")));
        for (int i = 0; i < 10000; ++i)
            QVERIFY(writeAll(app + QStringLiteral("many/f%1.dll").arg(i), "MZ"));
    } else if (hazard == QLatin1String("loop")) {
        QVERIFY(QDir().mkpath(app + QStringLiteral("sub")));
        QVERIFY(QFile::link(appDir(), app + QStringLiteral("sub/loop")));
    } else if (hazard == QLatin1String("outside")) {
        QVERIFY(QFile::link(outside, app + QStringLiteral("plugins")));
        QVERIFY(QFile::link(outside + QStringLiteral("/plugin.dll"),
                            app + QStringLiteral("plugin.dll")));
        // Windows makes a shortcut, a file like any other to its loader.
        if (!QFileInfo(app + QStringLiteral("plugin.dll")).isSymLink())
            ++unreadable;
    } else if (hazard == QLatin1String("huge")) {
        QVERIFY(QFile::copy(fixture(QStringLiteral("core64.dll")), app + QStringLiteral("huge.dll")));
        QFile huge(app + QStringLiteral("huge.dll"));
        QVERIFY(huge.resize(qint64(5) << 30));
    } else if (hazard == QLatin1String("empty")) {
        QVERIFY(writeAll(app + QStringLiteral("empty.dll"), QByteArray()));
    } else if (hazard == QLatin1String("names")) {
        const QStringList names = { QStringLiteral(" !#$%&'()+,-.;=@[]^_`{}~.dll"),
                                    QStringLiteral("名前 ünï €.dll"), QStringLiteral(".hidden.DLL"),
                                    QStringLiteral("x.dll.dll") };
        for (const QString &name : names)
            QVERIFY(QFile::copy(fixture(QStringLiteral("libdeep.dll")), app + name));
    } else if (hazard == QLatin1String("deep")) {
        QString deep = app;
        for (int i = 0; i < 17; ++i)
            deep += QStringLiteral("d/");
        QVERIFY(layOut({ "plugin.dll<nowhereplugin.dll" }, deep, QString()));
    }

    const DeployCheck check = checkDeployment(app + QStringLiteral("helperapp.exe"), {});
    QCOMPARE(check.checkedFiles, checked);
    QCOMPARE(check.unreadableFiles, unreadable);
    QCOMPARE(check.skippedEntries, skipped);
    QVERIFY(check.missing.isEmpty());
    const QVector<CheckLine> lines = checkReport(check);
    QCOMPARE(lines.size(), unreadable + skipped > 0 ? 2 : 1);
    // What was left out is said in one line, whatever its number.
    if (!leftOut.isEmpty())
        QVERIFY2(lines.last().text.startsWith(leftOut), qPrintable(lines.last().text));
}

void TestDeployCheck::hostileLoadedByName_data()
{
    QTest::addColumn<QStringList>("files"); // beside a Qt 5.15 GUI and Network program
    QTest::addColumn<QString>("huge"); // a file made 5 GB and sparse, its start kept
    QTest::addColumn<QStringList>("lines"); // after the first

    const QString up = QStringLiteral("qt.conf sets %1 as the plugin folder, outside the "
                                      "application folder: the check does not "
                                      "look there, and another machine will not have it.");
    const QString fits = QStringLiteral("platforms/qwindows.dll<plugin:0.5.15.0");
    QTest::newRow("qt.conf leading out of the folder")
            << QStringList { fits, "qt.conf<conf:[Paths]\nPrefix=../..\n" } << QString()
            << QStringList { up.arg("%scratch%/plugins") };
    QTest::newRow("qt.conf of 10 MB on one line, then a path") << QStringList {
        fits, "qt.conf<conf:[Paths]\nPrefix=" + QString(10 << 20, 'x') + "\nPlugins=p\n"
    } << QString() << QStringList();
    QTest::newRow("qt.conf of bytes that are not text")
            << QStringList { fits, "qt.conf<conf:[Paths]\nPlugins=\x01\xff\xfe\x00\n\n[[" }
            << QString() << QStringList();
    QTest::newRow("plugin metadata cut short counts as found")
            << QStringList { "platforms/qwindows.dll<plugin:0" } << QString() << QStringList();
    QTest::newRow("binary JSON cut short counts as found")
            << QStringList { "platforms/qwindows.dll<qbjs:40800.1.30" } << QString() << QStringList();
    QTest::newRow("a 5 GB plugin with its metadata at the start")
            << QStringList { "platforms/qwindows.dll<plugin:0.6.0.0" } << "platforms/qwindows.dll"
            << QStringList();
    QTest::newRow("a 5 GB Qt Network with OpenSSL's names at the start")
            << QStringList { fits } << "Qt5Network.dll" << QStringList();
}

void TestDeployCheck::hostileLoadedByName()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    QFETCH(QStringList, files);
    QFETCH(QString, huge);
    QFETCH(QStringList, lines);
    files << "netapp.exe<netapp.exe|Qt5Core.dll|Qt5Gui.dll"
          << "Qt5Core.dll<core:5.15.2.0"
          << "Qt5Gui.dll<core64.dll"
          << "Qt5Network.dll<strings:libssl-1_1-x64,libcrypto-1_1-x64"
          << "libssl-1_1-x64.dll<core64.dll"
          << "libcrypto-1_1-x64.dll<core64.dll";
    QVERIFY(layOut(files, appDir(), pathDir(), qtDir()));
    if (!huge.isEmpty())
        QVERIFY(QFile(appDir() + QLatin1Char('/') + huge).resize(qint64(5) << 30));

    const DeployCheck check = checkDeployment(appDir() + QStringLiteral("/netapp.exe"), {}, kitDir());
    QCOMPARE(texts(checkReport(check)).mid(1), expand(lines));
}

void TestDeployCheck::copyMissing_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("copied");
    QTest::addColumn<QStringList>("afterwards");

    QTest::newRow("a library and the one it needs, from PATH")
            << QStringList { "helperapp.exe<helperapp.exe", "Qt5Core.dll<core64.dll",
                             "libdelayed.dll<core64.dll", "PATH:libhelper.dll<libhelper.dll",
                             "PATH:libdeep.dll<libdeep.dll" }
            << QStringList { "Copied libhelper.dll from %path.", "Copied libdeep.dll from %path." }
            << QStringList { allFound };
    QTest::newRow("a 32-bit DLL in the way is never replaced")
            << QStringList { "helperapp.exe<helperapp.exe", "libhelper.dll<core32.dll",
                             "libdeep.dll<libdeep.dll",     "Qt5Core.dll<core64.dll",
                             "libdelayed.dll<core64.dll",   "PATH:libhelper.dll<libhelper.dll" }
            << QStringList { "Not copied: libhelper.dll, because the folder already holds a file "
                             "of that name; remove it first." }
            << QStringList { "Missing: libhelper.dll, imported by helperapp.exe (the one in the "
                             "folder is 32-bit, the program 64-bit); on this machine it is in "
                             "%path." };
    QTest::newRow("a DLL found nowhere")
            << complete + QStringList { "nowhereplugin.dll<nowhereplugin.dll" }
            << QStringList { "Not copied: libnowhere.dll, which is nowhere on this machine." }
            << QStringList { "Missing: libnowhere.dll, imported by nowhereplugin.dll; it is "
                             "nowhere on this machine." };
    QTest::newRow("an import that names a path out of the folder")
            << QStringList { "helperapp.exe<helperapp.exe|libhelper.dll|../../rm.dll",
                             "Qt5Core.dll<core64.dll", "libdelayed.dll<core64.dll",
                             "PATH:../../rm.dll<libdeep.dll" }
            << QStringList { "Not copied: ../../rm.dll, which is nowhere on this machine." }
            << QStringList { "Missing: ../../rm.dll, imported by helperapp.exe; it is nowhere on "
                             "this machine." };
    QTest::newRow("a platform plugin from the kit, into a platforms folder made for it")
            << QStringList { "guiapp.exe<guiapp.exe", "Qt5Core.dll<core:5.15.2.0",
                             "Qt5Gui.dll<core64.dll",
                             "QT:5.15.2/kit/plugins/platforms/qwindows.dll<plugin:0.5.15.0" }
            << QStringList { "Copied platforms%/qwindows.dll from %kit%/plugins%/platforms." }
            << QStringList { checked(4) };
    QTest::newRow("OpenSSL from beside the kit, where Qt's installer puts it")
            << QStringList { "netapp.exe<netapp.exe", "Qt5Core.dll<core64.dll",
                             "Qt5Network.dll<strings:libssl-1_1-x64,libcrypto-1_1-x64",
                             "QT:Tools/OpenSSL/Win_x64/bin/libssl-1_1-x64.dll<core64.dll",
                             "QT:Tools/OpenSSL/Win_x64/bin/libcrypto-1_1-x64.dll<core64.dll" }
            << QStringList { "Copied libssl-1_1-x64.dll from %qt%/Tools%/OpenSSL%/Win_x64%/bin.", "Copied libcrypto-1_1-x64.dll from %qt%/Tools%/OpenSSL%/Win_x64%/bin." }
            << QStringList { checked(5) };
}

void TestDeployCheck::copyMissing()
{
    if (!haveFixtures())
        QSKIP(noFixtures);
    QFETCH(QStringList, files);
    QFETCH(QStringList, copied);
    QFETCH(QStringList, afterwards);
    QVERIFY(layOut(files, appDir(), pathDir(), qtDir()));
    const QString program = appDir() + QLatin1Char('/') + files.first().section(QLatin1Char('<'), 0, 0);
    const QStringList before = QDir(appDir()).entryList(QDir::Files);
    QMap<QString, QByteArray> bytes;
    for (const QString &file : before)
        bytes.insert(file, readAll(appDir() + QLatin1Char('/') + file));

    QCOMPARE(texts(::copyMissing(checkDeployment(program, { pathDir() }, kitDir()))), expand(copied));
    QCOMPARE(texts(checkReport(checkDeployment(program, { pathDir() }, kitDir()))), expand(afterwards));
    // Nothing replaced, nothing written outside the folder.
    for (const QString &file : before)
        QCOMPARE(readAll(appDir() + QLatin1Char('/') + file), bytes.value(file));
    QVERIFY(!QFile::exists(scratch->filePath(QStringLiteral("rm.dll"))));
    const QStringList made = QDir(scratch->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString &entry : made)
        QVERIFY2(entry == QLatin1String("app") || entry == QLatin1String("machine")
                         || entry == QLatin1String("Qt"),
                 qPrintable(entry));
}

void TestDeployCheck::placesToLook_inOrderOnce()
{
    const QString kit = scratch->filePath(QStringLiteral("kit"));
    const QString a = scratch->filePath(QStringLiteral("a"));
    const QString b = scratch->filePath(QStringLiteral("b b"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"),
                       QStringList { QDir::toNativeSeparators(a),
                                     QLatin1Char('"') + b + QLatin1Char('"'), QString(),
                                     a + QLatin1Char('/'), kit + QStringLiteral("/bin") }
                               .join(QDir::listSeparator()));
    environment.insert(QStringLiteral("SystemRoot"), QStringLiteral("C:\\Windows"));
    QCOMPARE(placesToLook(environment, kit),
             QStringList({ a, b, kit + QStringLiteral("/bin"),
                           QDir::fromNativeSeparators(QStringLiteral("C:\\Windows"))
                                   + QStringLiteral("/System32"),
                           QDir::fromNativeSeparators(QStringLiteral("C:\\Windows"))
                                   + QStringLiteral("/SysWOW64") }));
}

void TestDeployCheck::qmlDir_data()
{
    QTest::addColumn<QString>("typed"); // below the scratch folder; "" for an empty field
    QTest::addColumn<QString>("qmlFile"); // a .qml file laid out below the scratch folder
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("line"); // %1: the folder as typed, in native form

    const QString refusal = QStringLiteral(
            "%1 is the kit's own QML folder: the tool would deploy every QML module of "
            "the kit. Choose the folder of the application's QML sources instead.");
    const QString warning = QStringLiteral(
            "Warning: %1 holds no .qml file (looked 6 folders deep): the tool finds the QML "
            "modules the application imports from its .qml files.");
    QTest::newRow("an empty field") << ""
                                    << "" << false << "";
    QTest::newRow("the kit's own qml folder") << "kit/qml"
                                              << "kit/qml/QtQuick/a.qml" << true << refusal;
    QTest::newRow("a module inside the kit's qml folder")
            << "kit/qml/QtQuick/"
            << "kit/qml/QtQuick/a.qml" << true << QString(refusal).replace("is the", "is inside the");
    QTest::newRow("the kit's qml folder in other letters") << "KIT/QML"
                                                           << "" << true << refusal;
    QTest::newRow("sources with a .qml file three folders down")
            << "src"
            << "src/a/b/c/Main.QML" << false << "";
    QTest::newRow("a folder beside the kit's qml folder") << "kit/qmlsrc"
                                                          << "kit/qmlsrc/main.qml" << false << "";
    QTest::newRow("a folder with no .qml file") << "src"
                                                << "src/main.cpp" << false << warning;
    QTest::newRow("a .qml file below the depth looked at")
            << "src"
            << "src/1/2/3/4/5/6/7/main.qml" << false << warning;
}

void TestDeployCheck::qmlDir()
{
    QFETCH(QString, typed);
    QFETCH(QString, qmlFile);
    QFETCH(bool, refused);
    QFETCH(QString, line);
    const QString kit = scratch->filePath(QStringLiteral("kit"));
    QVERIFY(QDir().mkpath(kit + QStringLiteral("/qml")));
    if (!qmlFile.isEmpty())
        QVERIFY(layOut({ qmlFile + QStringLiteral("<text") }, scratch->path(), QString()));
    const QString folder = typed.isEmpty() ? QString() : scratch->filePath(typed);

    const QmlDirVerdict verdict = judgeQmlDir(folder, kit);
    QCOMPARE(verdict.refused, refused);
    QCOMPARE(verdict.line, line.isEmpty() ? line : line.arg(QDir::toNativeSeparators(folder)));
}

void TestDeployCheck::describeEnd_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("output"); // what the program wrote
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("a DLL not found, which the check names")
            << 0xC0000135u << true << QStringList { "libhelper.dll", "libdeep.dll" } << QString()
            << QStringList { "Tried a.exe: it ended within seconds with exit code 0xC0000135: a "
                             "DLL it needs was not found (libhelper.dll, libdeep.dll)." };
    QTest::newRow("a DLL not found that the check did not see")
            << 0xC0000135u << true << QStringList() << QString()
            << QStringList { "Tried a.exe: it ended within seconds with exit code 0xC0000135: a "
                             "DLL it needs was not found; the check names none, so it is one "
                             "loaded by name or one this Windows lacks." };
    QTest::newRow("an entry point not found")
            << 0xC0000139u << true << QStringList() << QString()
            << QStringList { "Tried a.exe: it ended within seconds with exit code 0xC0000139: an "
                             "entry point was not found, so a DLL it loaded is of another version "
                             "than the one it was built with." };
    QTest::newRow("32- and 64-bit files mixed")
            << 0xC000007Bu << true << QStringList() << QString()
            << QStringList { "Tried a.exe: it ended within seconds with exit code 0xC000007B: 32- "
                             "and 64-bit files are mixed." };
    QTest::newRow("an access violation")
            << 0xC0000005u << true << QStringList() << QString()
            << QStringList { "Tried a.exe: it ended within seconds with exit code 0xC0000005 (it "
                             "crashed)." };
    // Qt's QML engine, the program's QML outside the folder and no QML module deployed.
    QTest::newRow("its QML not loaded, a module missing")
            << 0x1u << false << QStringList()
            << "QQmlApplicationEngine failed to load component\r\n"
               "file:///C:/src/main.qml:3:1: module \"QtQuick\" is not installed\r\n\r\n"
               "Closing.\r\n"
            << QStringList { "Tried a.exe: it ended within seconds with exit code 0x1: its QML "
                             "could not be loaded. Most likely a QML module it imports is not in "
                             "the folder: tick QML-Dir, choose the folder of its own .qml files "
                             "and run again. Qt said:",
                             "QQmlApplicationEngine failed to load component",
                             "file:///C:/src/main.qml:3:1: module \"QtQuick\" is not installed" };
}

void TestDeployCheck::describeEnd()
{
    QFETCH(quint32, code);
    QFETCH(bool, crashed);
    QFETCH(QStringList, missing);
    QFETCH(QString, output);
    QFETCH(QStringList, lines);
    QCOMPARE(Trial::describeEnd(QStringLiteral("a.exe"), code, crashed, output, missing), lines);
}

void TestDeployCheck::trial_data()
{
    QTest::addColumn<QStringList>("variables"); // for the stand-in, NAME=value
    QTest::addColumn<bool>("started");
    QTest::addColumn<QStringList>("lines"); // %root: SystemRoot

    const QString head =
            QStringLiteral("Tried program.exe: it ended within seconds with exit code ");
    QTest::newRow("still running when the watch time is up")
            << QStringList { "STANDIN_SLEEP_MS=60000" } << true
            << QStringList { "Tried program.exe: it started, ran for 1 seconds and was closed." };
    QTest::newRow("an exit code") << QStringList { "STANDIN_EXIT_CODE=3" } << false
                                  << QStringList { head + "0x3." };
    QTest::newRow("its own words, the last three lines")
            << QStringList { "STANDIN_STDOUT=one\ntwo\n\nthree\nfour\n", "STANDIN_EXIT_CODE=1" }
            << false << QStringList { head + "0x1.", "Its last output:", "two", "three", "four" };
    QTest::newRow("the environment of a clean machine")
            << QStringList { "STANDIN_ECHO_PATH=1", "STANDIN_EXIT_CODE=1", "QT_PLUGIN_PATH=x",
                             "QML2_IMPORT_PATH=x", "QTDIR=x" }
            << false
            << QStringList { head + "0x1.",
                             "Its last output:", "PATH=%root\\System32;%root;%root\\System32\\Wbem" };
    QTest::newRow("Qt's words on the platform plugin")
            << QStringList { "STANDIN_STDERR=qt.qpa.plugin: Could not find the Qt platform plugin "
                             "\"windows\" in \"\"\nThis application failed to start because no Qt "
                             "platform plugin could be initialized.\n",
                             "STANDIN_EXIT_CODE=3" }
            << false
            << QStringList { head + "0x3: Qt could not load the platform plugin. It said:",
                             "qt.qpa.plugin: Could not find the Qt platform plugin \"windows\" in "
                             "\"\"",
                             "This application failed to start because no Qt platform plugin "
                             "could be initialized." };
    const QString running = QStringLiteral("Tried program.exe: it did not start; it was still "
                                           "there after 1 seconds and was closed");
    QTest::newRow("Qt's platform plugin warning, then held open")
            << QStringList { "STANDIN_STDERR=qt.qpa.plugin: Could not find the Qt platform plugin "
                             "\"windows\" in \"\"\n",
                             "STANDIN_SLEEP_MS=60000" }
            << false
            << QStringList { running + ": Qt could not load the platform plugin. It said:",
                             "qt.qpa.plugin: Could not find the Qt platform plugin \"windows\" in "
                             "\"\"" };
    QTest::newRow("a fatal message, then held open")
            << QStringList { "STANDIN_STDERR=Fatal: Cannot open the database\n", "STANDIN_SLEEP_MS=60000" }
            << false
            << QStringList { running + ": Qt stopped it with a fatal error. It said:",
                             "Cannot open the database" };
#ifdef Q_OS_WIN
    QTest::newRow("an error box and nothing else")
            << QStringList { "STANDIN_MESSAGE_BOX=No platform plugin", "STANDIN_SLEEP_MS=60000" }
            << false
            << QStringList { running + ": it was showing an error box and nothing else. The box said:",
                             "Standin", "No platform plugin" };
    QTest::newRow("a crash") << QStringList { "STANDIN_CRASH=1" } << false
                             << QStringList { head + "0xC0000005 (it crashed)." };
    QTest::newRow("a DLL not found")
            << QStringList { "STANDIN_EXIT_CODE=3221225781" } << false
            << QStringList { head + "0xC0000135: a DLL it needs was not found (libhelper.dll)." };
#else
    QTest::newRow("a crash") << QStringList { "STANDIN_CRASH=1" } << false
                             << QStringList { head + "0xB (it crashed)." };
#endif
}

void TestDeployCheck::trial()
{
    QFETCH(QStringList, variables);
    QFETCH(bool, started);
    QFETCH(QStringList, lines);
    const QString program = appDir() + QStringLiteral("/program.exe");
    QVERIFY(QDir().mkpath(appDir()));
    QVERIFY(QFile::copy(QStringLiteral(STANDIN), program));
    const QString heartbeat = scratch->filePath(QStringLiteral("heartbeat"));
    variables << QStringLiteral("STANDIN_HEARTBEAT_FILE=") + heartbeat;
    for (const QString &variable : variables)
        qputenv(variable.section(QLatin1Char('='), 0, 0).toLatin1(),
                variable.section(QLatin1Char('='), 1).toLocal8Bit());

    Trial trial;
    trial.setWatchTime(1000);
    QSignalSpy finished(&trial, &Trial::finished);
    QVERIFY(trial.start(program, { QStringLiteral("libhelper.dll") }));
    QVERIFY(trial.isRunning());
    QVERIFY(!trial.start(program)); // one trial at a time
    for (const QString &variable : variables)
        qunsetenv(variable.section(QLatin1Char('='), 0, 0).toLatin1());
    QVERIFY(finished.wait(10000));
    QVERIFY(!trial.isRunning());

    QString root = QProcessEnvironment::systemEnvironment().value(QStringLiteral("SystemRoot"));
    if (root.isEmpty())
        root = QStringLiteral("C:\\Windows");
    for (QString &line : lines)
        line.replace(QLatin1String("%root"), root);
    QCOMPARE(finished.first().at(0).toBool(), started);
    QCOMPARE(finished.first().at(1).toStringList(), lines);
    // Ended: it beats no more.
    const qint64 beats = QFileInfo(heartbeat).size();
    QTest::qWait(200);
    QCOMPARE(QFileInfo(heartbeat).size(), beats);
}

void TestDeployCheck::trial_neverOutlivesItsObject()
{
    const QString program = appDir() + QStringLiteral("/program.exe");
    QVERIFY(QDir().mkpath(appDir()));
    QVERIFY(QFile::copy(QStringLiteral(STANDIN), program));
    const QString heartbeat = scratch->filePath(QStringLiteral("heartbeat"));
    qputenv("STANDIN_SLEEP_MS", "60000");
    qputenv("STANDIN_HEARTBEAT_FILE", QFile::encodeName(heartbeat));

    auto *trial = new Trial;
    QVERIFY(!trial->start(appDir() + QStringLiteral("/gone.exe")));
    QVERIFY(trial->start(program));
    qunsetenv("STANDIN_SLEEP_MS");
    qunsetenv("STANDIN_HEARTBEAT_FILE");
    QTRY_VERIFY(QFileInfo(heartbeat).size() > 2);
    delete trial;
    const qint64 beats = QFileInfo(heartbeat).size();
    QTest::qWait(200);
    QCOMPARE(QFileInfo(heartbeat).size(), beats);
}

void TestDeployCheck::cleanEnvironment_onlyWindowsOnPathNothingOfQt()
{
    QProcessEnvironment trevalos;
    const QStringList kept = { "SystemRoot=D:\\Win", "TEMP=C:\\Temp", "USERPROFILE=C:\\Users\\me",
                               "QTX=kept", "MYQT_DIR=kept" };
    const QStringList dropped = { "QT_PLUGIN_PATH=x",   "QT_QPA_PLATFORM=offscreen",
                                  "qt_scale_factor=2",  "QML2_IMPORT_PATH=x",
                                  "QML_IMPORT_TRACE=1", "QTDIR=x" };
    for (const QString &variable : kept + dropped)
        trevalos.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    trevalos.insert(QStringLiteral("PATH"), QStringLiteral("C:\\Qt\\5.15.2\\mingw81_64\\bin"));

    QProcessEnvironment expected;
    for (const QString &variable : kept)
        expected.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    expected.insert(QStringLiteral("PATH"),
                    QStringLiteral("D:\\Win\\System32;D:\\Win;D:\\Win\\System32\\Wbem"));
    expected.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    expected.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
                    QStringLiteral("%{if-fatal}Fatal: %{endif}%{if-category}%{category}: "
                                   "%{endif}%{message}"));
    QCOMPARE(Trial::cleanEnvironment(trevalos), expected);
}

QTEST_MAIN(TestDeployCheck)
#include "tst_deploycheck.moc"
