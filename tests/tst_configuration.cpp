#include "app/qtdirsetting.h"
#include "app/qtdirwriter.h"
#include "testkit.h"

#include <QtTest>

namespace {

const char defaultDir[] = "C:/Qt/Qt5.12.0/5.12.0/msvc2015_64";

// Reads the Qt folder back the way a later start would, with the section and
// key names in any letter case.
QString storedQtDir(const QString &iniPath)
{
    QSettings settings(iniPath, QSettings::IniFormat);
    QString qtDir;
    for (const QString &key : settings.allKeys()) {
        if (key.compare(QLatin1String("QTDIR/PATH"), Qt::CaseInsensitive) == 0)
            qtDir = settings.value(key).toString();
    }
    return qtDir;
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
    void writeQtDir_changesOnlyThePath_data();
    void writeQtDir_changesOnlyThePath();
    void unwritableLocation_usesDefault_data();
    void unwritableLocation_usesDefault();
    void program_writesDefaultIntoItsWorkingDirectory();
    void program_keepsConfiguredFolderByteForByte();
    void program_startsWhenConfFolderIsAFile();
    void program_opensTheProgramItIsGiven_data();
    void program_opensTheProgramItIsGiven();

private:
    QProcess *startProgram(const QString &workingDir, const QStringList &arguments = QStringList());
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
    QTest::newRow("an empty key in a lower-case section gets the default, in that section")
            << QByteArray("; my kits\n[qtdir]\npath=\n");
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
    QCOMPARE(readAll(iniPath).toUpper().count("[QTDIR]"), 1);
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
    // A Windows folder names the same folder however its separators are
    // written; the INI syntax would read "\Q", "\5" as escapes.
    QTest::newRow("single backslashes, as Windows users write them")
            << QByteArray("[QTDIR]\nPATH=C:\\Qt\\5.12.0\\msvc2017_64\n") << "C:/Qt/5.12.0/msvc2017_64";
    QTest::newRow("doubled backslashes, as the INI syntax escapes them")
            << QByteArray("[QTDIR]\nPATH=C:\\\\Qt\\\\5.12.0\\\\msvc2017_64\n")
            << "C:/Qt/5.12.0/msvc2017_64";
    QTest::newRow("mixed separators, a doubled one among them")
            << QByteArray("[QTDIR]\nPATH=C:/Qt\\5.12.0\\\\msvc2017_64\n")
            << "C:/Qt/5.12.0//msvc2017_64";
    QTest::newRow("single backslashes in quotes keep the spaces inside")
            << QByteArray("[QTDIR]\nPATH=\"D:\\My Qt\\5.12.0 \"\n") << "D:/My Qt/5.12.0 ";
    QTest::newRow("backslashes and a comment after the folder")
            << QByteArray("[QTDIR]\nPATH=C:\\Qt\\5.15.2 ; the kit I use\n") << "C:/Qt/5.15.2";
    QTest::newRow("a network folder with single backslashes keeps its leading pair")
            << QByteArray("[QTDIR]\nPATH=\\\\server\\qt\\5.15.2\n") << "//server/qt/5.15.2";
    QTest::newRow("a network folder with doubled backslashes")
            << QByteArray("[QTDIR]\nPATH=\\\\\\\\server\\\\qt\n") << "//server/qt";
    QTest::newRow("backslashes with a comma and non-ASCII letters")
            << QByteArray("[QTDIR]\nPATH=E:\\Qt,old\\\xe5\xb7\xa5\xe5\x85\xb7\n")
            << QString::fromUtf8("E:/Qt,old/\xe5\xb7\xa5\xe5\x85\xb7");
    QTest::newRow("byte-order mark and CRLF line ends")
            << QByteArray("\xef\xbb\xbf[QTDIR]\r\nPATH=C:/Qt/5.15.2/msvc2019_64\r\n")
            << "C:/Qt/5.15.2/msvc2019_64";
    QTest::newRow("a backslash before ';' is the folder's last separator")
            << QByteArray("[QTDIR]\nPATH=C:\\Qt\\5.15.2\\;the old kit\n") << "C:/Qt/5.15.2/";
    QTest::newRow("section and key in lower case, after a comment")
            << QByteArray("; my kits\n[qtdir]\npath=C:/Qt/5.15.2/mingw81_64\n")
            << "C:/Qt/5.15.2/mingw81_64";
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

void TestConfiguration::writeQtDir_changesOnlyThePath_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no conf folder and no file
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("after");

    const QString kit = QStringLiteral("D:/Qt/5.15.2/mingw81_64");
    const QByteArray bom("\xef\xbb\xbf");
    QTest::newRow("no file: folder, file, section and key are made")
            << QByteArray() << kit << QByteArray("[QTDIR]\r\nPATH=D:/Qt/5.15.2/mingw81_64\r\n");
    QTest::newRow("comments, other sections and their PATH keys are kept")
            << QByteArray(
                       "; mine\n[General]\nx=1\n\n[QTDIR]\nPATH=C:/old\nEXTRA=2\n[Other]\nPATH=o\n")
            << kit
            << QByteArray(
                       "; mine\n[General]\nx=1\n\n[QTDIR]\nPATH=D:/Qt/5.15.2/mingw81_64\nEXTRA=2\n"
                       "[Other]\nPATH=o\n");
    QTest::newRow("byte-order mark, CRLF, spacing and a comment after the value")
            << bom + "[QTDIR]\r\n  PATH = \"C:/a;b\" ; my kit\r\n"
            << kit << bom + "[QTDIR]\r\n  PATH = D:/Qt/5.15.2/mingw81_64 ; my kit\r\n";
    QTest::newRow("of two PATH keys the last, which counts, is changed")
            << QByteArray("[QTDIR]\nPATH=a\n[x]\n[QTDIR]\nPATH=b") << kit
            << QByteArray("[QTDIR]\nPATH=a\n[x]\n[QTDIR]\nPATH=D:/Qt/5.15.2/mingw81_64");
    QTest::newRow("a lower-case section's key is changed, no second section is added")
            << QByteArray("; my kits\n[qtdir]\npath=C:/old\n") << kit
            << QByteArray("; my kits\n[qtdir]\npath=D:/Qt/5.15.2/mingw81_64\n");
    QTest::newRow("a backslash before ';' is replaced with the folder, the comment kept")
            << QByteArray("[QTDIR]\nPATH=C:\\old\\;mine\n") << kit
            << QByteArray("[QTDIR]\nPATH=D:/Qt/5.15.2/mingw81_64;mine\n");
    QTest::newRow("a section without the key gets it below its header")
            << QByteArray("[QTDIR]\nOTHER=1\n") << kit
            << QByteArray("[QTDIR]\nPATH=D:/Qt/5.15.2/mingw81_64\nOTHER=1\n");
    QTest::newRow("a file without the section and without a last line end")
            << QByteArray("[General]\r\nx=1") << kit
            << QByteArray("[General]\r\nx=1\r\n\r\n[QTDIR]\r\nPATH=D:/Qt/5.15.2/mingw81_64\r\n");
    QTest::newRow("bytes that are not text are kept")
            << QByteArray("\x01\xff[[=\n\xe9t\xe9\n") << kit
            << QByteArray("\x01\xff[[=\n\xe9t\xe9\n\n[QTDIR]\nPATH=D:/Qt/5.15.2/mingw81_64\n");
    QTest::newRow("commas and non-ASCII letters are written as they are")
            << QByteArray("[QTDIR]\nPATH=x\n") << QStringLiteral("E:/工具/Qt,old")
            << QByteArray("[QTDIR]\nPATH=E:/\xe5\xb7\xa5\xe5\x85\xb7/Qt,old\n");
    QTest::newRow("a ';' is written in quotes")
            << QByteArray("[QTDIR]\nPATH=x\n") << QStringLiteral("/k/a;b c ")
            << QByteArray("[QTDIR]\nPATH=\"/k/a;b c \"\n");
}

void TestConfiguration::writeQtDir_changesOnlyThePath()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString iniPath = dir.filePath(QStringLiteral("conf/conf.ini"));
    if (!before.isNull()) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("conf")));
        QVERIFY(writeAll(iniPath, before));
    }

    QVERIFY(writeQtDir(iniPath, folder));
    QTEST(readAll(iniPath), "after");
    // The next start reads the folder back as it was chosen.
    QSettings settings(iniPath, QSettings::IniFormat);
    QCOMPARE(qtDirFromSettings(settings), folder);
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
    // Nor can a kit chosen in the window be saved there.
    QVERIFY(!writeQtDir(confPath + QStringLiteral("/conf.ini"), QStringLiteral("D:/Qt/5.15.2")));

    if (confIsAFile)
        QCOMPARE(readAll(confPath), QByteArray("not a folder"));
    else
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcess *TestConfiguration::startProgram(const QString &workingDir, const QStringList &arguments)
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
    program->start(QStringLiteral(TREVALO_BINARY), arguments);
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

void TestConfiguration::program_opensTheProgramItIsGiven_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("said"); // null: nothing about a program

    QTest::newRow("a program beside the working folder's conf")
            << QStringList { QStringLiteral("my app.exe") } << QByteArray("\"my app.exe\" chosen");
    QTest::newRow("a folder") << QStringList { QStringLiteral("conf") }
                              << QByteArray("\"conf\" refused");
    QTest::newRow("no argument") << QStringList() << QByteArray();
}

// "Open with", or a shortcut with the program's path after trevalo.exe.
void TestConfiguration::program_opensTheProgramItIsGiven()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, said);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("conf")));
    QVERIFY(writeAll(dir.filePath(QStringLiteral("my app.exe")), QByteArray()));

    // What start-up did with its argument is said before the window shows.
    QProcess *program = startProgram(dir.path(), arguments);
    QVERIFY(program->waitForStarted());
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += program->readAllStandardError()).contains("qt.text.drawing"),
                             30000);
    program->kill();
    program->waitForFinished();

    QCOMPARE(output.contains("MainWindow::openProgram"), !said.isNull());
    if (!said.isNull())
        QVERIFY2(output.contains(said), output.constData());
}

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
