#include "app/qtdirsetting.h"
#include "testkit.h"

#include <QtTest>

namespace {

const char defaultDir[] = "C:/Qt/Qt5.12.0/5.12.0/msvc2015_64";

// Reads the Qt folder back the way a later start would.
QString storedQtDir(const QString &iniPath)
{
    QSettings settings(iniPath, QSettings::IniFormat);
    return settings.value(QStringLiteral("/QTDIR/PATH")).toString();
}

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void cleanup() { verifyNoWarnings(); }
    void missingOrEmpty_writesDefault_data();
    void missingOrEmpty_writesDefault();
    void presentValue_isUsedAndFileKept_data();
    void presentValue_isUsedAndFileKept();
    void unwritableLocation_usesDefault_data();
    void unwritableLocation_usesDefault();
    void program_writesDefaultIntoItsWorkingDirectory();
    void program_keepsConfiguredFolderByteForByte();
    void program_startsWhenConfFolderIsAFile();

private:
    QProcess *startProgram(const QString &workingDir);
    void waitUntilPainted(QProcess *program);
};

void TestConfiguration::missingOrEmpty_writesDefault_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all

    QTest::newRow("no file") << QByteArray();
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("empty PATH") << QByteArray("[QTDIR]\nPATH=\n");
    QTest::newRow("section without the key") << QByteArray("[QTDIR]\nOTHER=1\n");
    QTest::newRow("garbage bytes") << QByteArray("\x01\x02[[[=\xff\xfe\n==\n\x7f", 13);
    QTest::newRow("text that is not UTF-8") << QByteArray("[QTDIR]\nNAME=\xe9t\xe9\n");
}

void TestConfiguration::missingOrEmpty_writesDefault()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString iniPath = dir.filePath(QStringLiteral("conf/conf.ini"));
    if (!content.isNull()) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("conf")));
        QVERIFY(writeAll(iniPath, content));
    }

    {
        QSettings settings(iniPath, QSettings::IniFormat);
        QCOMPARE(qtDirFromSettings(settings), QString::fromLatin1(defaultDir));
    }

    QCOMPARE(storedQtDir(iniPath), QString::fromLatin1(defaultDir));
    QVERIFY(readAll(iniPath).contains("[QTDIR]"));
}

void TestConfiguration::presentValue_isUsedAndFileKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain folder") << QByteArray("[QTDIR]\nPATH=D:/Qt/5.12.0/msvc2017_64\n")
                                  << "D:/Qt/5.12.0/msvc2017_64";
    QTest::newRow("spaces are kept, not trimmed inside")
            << QByteArray("[QTDIR]\nPATH=\"D:/My Qt/5.12.0 \"\n") << "D:/My Qt/5.12.0 ";
    QTest::newRow("non-ASCII letters written as UTF-8")
            << QByteArray("[QTDIR]\nPATH=E:/\xe5\xb7\xa5\xe5\x85\xb7/Qt\n")
            << QString::fromUtf8("E:/\xe5\xb7\xa5\xe5\x85\xb7/Qt");
    QTest::newRow("escaped backslashes as the INI syntax reads them")
            << QByteArray("[QTDIR]\nPATH=C:\\\\Qt\\\\5.12.0\n") << "C:\\Qt\\5.12.0";
    QTest::newRow("byte-order mark and CRLF line ends")
            << QByteArray("\xef\xbb\xbf[QTDIR]\r\nPATH=C:/Qt/5.15.2/msvc2019_64\r\n")
            << "C:/Qt/5.15.2/msvc2019_64";
    QTest::newRow("comments and other keys around it")
            << QByteArray("; hand-written\n[General]\nx=1\n[QTDIR]\nPATH=C:/Qt\nEXTRA=2\n") << "C:/Qt";
}

void TestConfiguration::presentValue_isUsedAndFileKept()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("conf")));
    const QString iniPath = dir.filePath(QStringLiteral("conf/conf.ini"));
    QVERIFY(writeAll(iniPath, content));

    {
        QSettings settings(iniPath, QSettings::IniFormat);
        QTEST(qtDirFromSettings(settings), "expected");
        settings.sync();
    }

    QCOMPARE(readAll(iniPath), content);
}

void TestConfiguration::unwritableLocation_usesDefault_data()
{
    QTest::addColumn<bool>("confIsAFile");

    QTest::newRow("conf is a regular file") << true;
    QTest::newRow("working directory is read-only") << false;
}

void TestConfiguration::unwritableLocation_usesDefault()
{
    QFETCH(bool, confIsAFile);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString confPath = dir.filePath(QStringLiteral("conf"));
    if (confIsAFile) {
        QVERIFY(writeAll(confPath, "not a folder"));
    } else {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(dir.path()).isWritable()) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("Read-only folders stay writable for root, and on Windows.");
        }
    }

    {
        QSettings settings(confPath + QStringLiteral("/conf.ini"), QSettings::IniFormat);
        QCOMPARE(qtDirFromSettings(settings), QString::fromLatin1(defaultDir));
        settings.sync();
        QCOMPARE(settings.status(), QSettings::AccessError);
    }

    if (confIsAFile)
        QCOMPARE(readAll(confPath), QByteArray("not a folder"));
    else
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcess *TestConfiguration::startProgram(const QString &workingDir)
{
    auto *program = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Qt says when it draws the output pane, so a test can see that the
    // window is up and the event loop has run; on Windows only to standard
    // error when asked to.
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.text.drawing.debug=true"));
    env.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    program->setProcessEnvironment(env);
    program->setWorkingDirectory(workingDir);
    program->start(QStringLiteral(TREVALO_BINARY), QStringList());
    return program;
}

// Start-up writes to the configuration store before the window is shown, and
// the store's deferred write is queued before the first paint: once the pane
// is drawn, anything start-up was going to write has been written.
void TestConfiguration::waitUntilPainted(QProcess *program)
{
    QVERIFY(program->waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += program->readAllStandardError()).contains("qt.text.drawing"),
                             30000);
    QCOMPARE(program->state(), QProcess::Running);
}

void TestConfiguration::program_writesDefaultIntoItsWorkingDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString iniPath = dir.filePath(QStringLiteral("conf/conf.ini"));
    const QString besideBinary =
            QFileInfo(QStringLiteral(TREVALO_BINARY)).dir().filePath(QStringLiteral("conf/conf.ini"));
    const bool besideBinaryExisted = QFile::exists(besideBinary);

    QProcess *program = startProgram(dir.path());
    QVERIFY(program->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(storedQtDir(iniPath), QString::fromLatin1(defaultDir), 10000);
    QCOMPARE(program->state(), QProcess::Running);
    program->kill();
    program->waitForFinished();

    QCOMPARE(QFile::exists(besideBinary), besideBinaryExisted);
}

void TestConfiguration::program_keepsConfiguredFolderByteForByte()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("conf")));
    const QString iniPath = dir.filePath(QStringLiteral("conf/conf.ini"));
    const QByteArray content("# mine\r\n[QTDIR]\r\nPATH = D:/Qt/5.12.0/msvc2017_64\r\n");
    QVERIFY(writeAll(iniPath, content));

    QProcess *program = startProgram(dir.path());
    waitUntilPainted(program);
    program->kill();
    program->waitForFinished();

    QCOMPARE(readAll(iniPath), content);
}

void TestConfiguration::program_startsWhenConfFolderIsAFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeAll(dir.filePath(QStringLiteral("conf")), "x"));

    QProcess *program = startProgram(dir.path());
    waitUntilPainted(program);
    program->kill();
    program->waitForFinished();

    QCOMPARE(readAll(dir.filePath(QStringLiteral("conf"))), QByteArray("x"));
}

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
