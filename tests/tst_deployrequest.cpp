#include "mainwindow/deployrequest.h"
#include "mainwindow/mainwindow.h"
#include "testkit.h"

#include <QtTest>

Q_DECLARE_METATYPE(DeployOptions)

class TestDeployRequest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void cleanup() { verifyNoWarnings(); }
    void splitAppPath_data();
    void splitAppPath();
    void deployArguments_data();
    void deployArguments();
    void toolPath_data();
    void toolPath();
    void window_buildsArgumentsFromChoiceAndQmlText();
};

void TestDeployRequest::splitAppPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("baseName");

    QTest::newRow("a name with several dots keeps only what is before the first")
            << "C:/work/build/release/demo.app.exe"
            << "C:/work/build/release"
            << "demo.app.exe"
            << "demo";
    QTest::newRow("a file without a dot under a folder with one") << "C:/a/b.c/tool"
                                                                  << "C:/a/b.c"
                                                                  << "tool"
                                                                  << "tool";
    QTest::newRow("a leading dot gives an empty base name") << "C:/a/.hidden.exe"
                                                            << "C:/a"
                                                            << ".hidden.exe"
                                                            << "";
    QTest::newRow("no slash at all makes file and folder the whole path") << "demo.exe"
                                                                          << "demo.exe"
                                                                          << "demo.exe"
                                                                          << "demo";
    QTest::newRow("a file at the root of a drive keeps the root's slash") << "C:/demo.exe"
                                                                          << "C:/"
                                                                          << "demo.exe"
                                                                          << "demo";
    QTest::newRow("a lower-case drive letter too") << "d:/demo.exe"
                                                   << "d:/"
                                                   << "demo.exe"
                                                   << "demo";
    QTest::newRow("a file at the root of the file system") << "/demo.exe"
                                                           << "/"
                                                           << "demo.exe"
                                                           << "demo";
    QTest::newRow("a folder named like a drive is still a folder") << "C:/C:/demo.exe"
                                                                   << "C:/C:"
                                                                   << "demo.exe"
                                                                   << "demo";
    QTest::newRow("a cancelled dialog empties everything") << ""
                                                           << ""
                                                           << ""
                                                           << "";
    QTest::newRow("backslashes are not separators") << "C:\\work\\demo.exe"
                                                    << "C:\\work\\demo.exe"
                                                    << "C:\\work\\demo.exe"
                                                    << "C:\\work\\demo";
    QTest::newRow("spaces and non-ASCII letters stay as they are")
            << "/home/林 user/My App/app v2.exe"
            << "/home/林 user/My App"
            << "app v2.exe"
            << "app v2";
}

void TestDeployRequest::splitAppPath()
{
    QFETCH(QString, path);
    const AppPathParts parts = ::splitAppPath(path);
    QCOMPARE(parts.path, path);
    QTEST(parts.dir, "dir");
    QTEST(parts.file, "file");
    QTEST(parts.baseName, "baseName");
}

void TestDeployRequest::deployArguments_data()
{
    QTest::addColumn<QString>("appPath");
    QTest::addColumn<QStringList>("qmlArgs");
    QTest::addColumn<DeployOptions>("options");
    QTest::addColumn<QStringList>("expected");

    DeployOptions all;
    all.qml = all.noWebKit = all.noD3dCompiler = all.release = all.noCompilerRuntime = true;
    DeployOptions none;
    DeployOptions releaseOnly;
    releaseOnly.release = true;
    DeployOptions qmlOnly;
    qmlOnly.qml = true;
    DeployOptions allButQml = all;
    allButQml.qml = false;

    const QStringList qmlPair { "--qmldir", "C:/q" };
    const QStringList emptyQmlPair { "--qmldir", "" };

    QTest::newRow("every option in the tool's fixed order")
            << "C:/x/y.exe" << qmlPair << all << QStringList { "C:/x/y.exe",
                                                               "--qmldir",
                                                               "C:/q",
                                                               "--no-webkit2",
                                                               "--no-system-d3d-compiler",
                                                               "--release",
                                                               "--no-compiler-runtime" };
    QTest::newRow("only Release gives two entries")
            << "C:/x/y.exe" << qmlPair << releaseOnly << QStringList { "C:/x/y.exe", "--release" };
    QTest::newRow("no option leaves the executable alone")
            << "C:/x/y.exe" << qmlPair << none << QStringList { "C:/x/y.exe" };
    QTest::newRow("QML option before the field was ever edited adds no pair")
            << "C:/x/y.exe" << QStringList() << qmlOnly << QStringList { "C:/x/y.exe" };
    QTest::newRow("QML option with an emptied field adds no pair")
            << "C:/x/y.exe" << emptyQmlPair << qmlOnly << QStringList { "C:/x/y.exe" };
    QTest::newRow("QML text is ignored while the option is off")
            << "C:/x/y.exe" << qmlPair << allButQml
            << QStringList { "C:/x/y.exe", "--no-webkit2", "--no-system-d3d-compiler", "--release",
                             "--no-compiler-runtime" };
    QTest::newRow("paths with spaces and quotes stay single unquoted arguments")
            << "C:/My Apps/\"q\" #1/a b.exe" << QStringList { "--qmldir", "C:/src/my qml" }
            << qmlOnly << QStringList { "C:/My Apps/\"q\" #1/a b.exe", "--qmldir", "C:/src/my qml" };
    QTest::newRow("an empty executable path still comes first")
            << "" << QStringList() << releaseOnly << QStringList { "", "--release" };
}

void TestDeployRequest::deployArguments()
{
    QFETCH(QString, appPath);
    QFETCH(QStringList, qmlArgs);
    QFETCH(DeployOptions, options);
    QTEST(::deployArguments(appPath, qmlArgs, options), "expected");
}

void TestDeployRequest::toolPath_data()
{
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<QString>("qtDir");
    QTest::addColumn<QString>("expected");

    QTest::newRow("QTDIR unset and no Qt folder yet")
            << QByteArray() << QString() << "/bin/windeployqt.exe";
    QTest::newRow("QTDIR with backslashes turns them into slashes")
            << QByteArray("C:\\Qt\\5.12.0\\msvc2017_64") << QString()
            << "C:/Qt/5.12.0/msvc2017_64/bin/windeployqt.exe";
    QTest::newRow("the configured Qt folder wins over QTDIR")
            << QByteArray("C:\\Qt\\5.12.0\\msvc2017_64") << "D:/Qt/5.12.0/msvc2015_64"
            << "D:/Qt/5.12.0/msvc2015_64/bin/windeployqt.exe";
    QTest::newRow("a configured folder keeps its backslashes")
            << QByteArray() << "D:\\Qt\\5.12.0"
            << "D:\\Qt\\5.12.0/bin/windeployqt.exe";
}

void TestDeployRequest::toolPath()
{
    QFETCH(QByteArray, environment);
    QFETCH(QString, qtDir);

    const QByteArray saved = qgetenv("QTDIR");
    const bool wasSet = qEnvironmentVariableIsSet("QTDIR");
    if (environment.isNull())
        qunsetenv("QTDIR");
    else
        qputenv("QTDIR", environment);

    MainWindow window;
    if (!qtDir.isNull())
        window.setQtDir(qtDir);
    const QString toolPath = window.toolPath();

    if (wasSet)
        qputenv("QTDIR", saved);
    else
        qunsetenv("QTDIR");

    QTEST(toolPath, "expected");
}

void TestDeployRequest::window_buildsArgumentsFromChoiceAndQmlText()
{
    MainWindow window;
    window.chooseApplication(QStringLiteral("C:/x/y.exe"));

    DeployOptions options;
    options.qml = true;
    options.release = true;
    QCOMPARE(window.buildArguments(options), (QStringList { "C:/x/y.exe", "--release" }));

    window.updateQmlDir(QStringLiteral("C:/q"));
    QCOMPARE(window.buildArguments(options),
             (QStringList { "C:/x/y.exe", "--qmldir", "C:/q", "--release" }));

    // Each run rebuilds the list instead of adding to the last one.
    window.updateQmlDir(QString());
    QCOMPARE(window.buildArguments(options), (QStringList { "C:/x/y.exe", "--release" }));

    window.chooseApplication(QString());
    QCOMPARE(window.buildArguments(options), (QStringList { "", "--release" }));
}

QTEST_MAIN(TestDeployRequest)
#include "tst_deployrequest.moc"
