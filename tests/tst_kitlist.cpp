#include "kit/kitlist.h"
#include "testkit.h"

#include <QtTest>

class TestKitList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findKits_listsEachKitOnce_data();
    void findKits_listsEachKitOnce();
    void systemPlaces_areQtDirAndPath();
    void foundKits_areLookedForOnFirstUseOnly();

private:
    QString path(const QString &relative) const;
    QStringList paths(const QStringList &relative) const;
    bool makeKit(const QString &relative) const;

    QTemporaryDir dir;
};

QString TestKitList::path(const QString &relative) const
{
    return relative.isEmpty() ? relative : dir.filePath(relative);
}

QStringList TestKitList::paths(const QStringList &relative) const
{
    QStringList result;
    for (const QString &entry : relative)
        result << path(entry);
    return result;
}

bool TestKitList::makeKit(const QString &relative) const
{
    return QDir().mkpath(path(relative) + QStringLiteral("/bin"))
            && writeAll(path(relative) + QStringLiteral("/bin/windeployqt.exe"), "MZ");
}

// A Qt folder as the installer lays it out, with what else lies there, and
// two kits elsewhere.
void TestKitList::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(makeKit(QStringLiteral("Qt/5.15.2/mingw81_64 & co")));
    QVERIFY(makeKit(QStringLiteral("Qt/6.4.0/msvc2019_64")));
    QVERIFY(makeKit(QStringLiteral("elsewhere/kit")));
    QVERIFY(makeKit(QStringLiteral("other/Qt 5")));
    QVERIFY(QDir().mkpath(path(QStringLiteral("Qt/5.15.2/Src/qtbase/bin"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("Qt/6.4.0/wasm_32/bin/windeployqt.exe"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("Qt/Tools/QtCreator/bin"))));
    QVERIFY(writeAll(path(QStringLiteral("Qt/InstallationLog.txt")), "log"));
    QVERIFY(writeAll(path(QStringLiteral("Qt/6.4.0/sha1s.txt")), "x"));
}

void TestKitList::findKits_listsEachKitOnce_data()
{
    QTest::addColumn<QStringList>("roots");
    QTest::addColumn<QStringList>("kitFolders");
    QTest::addColumn<QStringList>("binFolders");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("the kits of a Qt folder by name, without its other folders and files")
            << QStringList { "Qt" } << QStringList() << QStringList()
            << QStringList { "Qt/5.15.2/mingw81_64 & co", "Qt/6.4.0/msvc2019_64" };
    QTest::newRow("kit folders, then the kits whose bin is given, each once")
            << QStringList() << QStringList { "elsewhere/kit", "", "Qt/6.4.0/msvc2019_64/", "Qt" }
            << QStringList { "", "other/Qt 5/bin", "Qt/5.15.2/../6.4.0/msvc2019_64/bin",
                             "Qt/Tools/QtCreator/bin" }
            << QStringList { "elsewhere/kit", "Qt/6.4.0/msvc2019_64", "other/Qt 5" };
    QTest::newRow("a kit found under a root comes first and only once")
            << QStringList { "missing", "Qt" } << QStringList { "Qt/5.15.2/mingw81_64 & co" }
            << QStringList { "elsewhere/kit/bin" }
            << QStringList { "Qt/5.15.2/mingw81_64 & co", "Qt/6.4.0/msvc2019_64", "elsewhere/kit" };
}

void TestKitList::findKits_listsEachKitOnce()
{
    QFETCH(QStringList, roots);
    QFETCH(QStringList, kitFolders);
    QFETCH(QStringList, binFolders);
    QFETCH(QStringList, expected);

    const KitPlaces places { paths(roots), paths(kitFolders), paths(binFolders) };
    QCOMPARE(findKits(places), paths(expected));
}

void TestKitList::systemPlaces_areQtDirAndPath()
{
    const QByteArray oldPath = qgetenv("PATH");
    const QByteArray oldQtDir = qgetenv("QTDIR");
    // As Windows writes them: native separators, the list separator of the
    // platform, a bin folder with a trailing separator.
    const QString pathList = QDir::toNativeSeparators(path(QStringLiteral("nothing")))
            + QDir::listSeparator()
            + QDir::toNativeSeparators(path(QStringLiteral("other/Qt 5/bin/")));
    qputenv("PATH", QFile::encodeName(pathList));
    qputenv("QTDIR",
            QFile::encodeName(QDir::toNativeSeparators(path(QStringLiteral("elsewhere/kit")))));
    const QStringList kits = findKits(systemKitPlaces());
    qputenv("PATH", oldPath);
    qputenv("QTDIR", oldQtDir);

    const QStringList found = kits.mid(kits.indexOf(path(QStringLiteral("elsewhere/kit"))));
    QCOMPARE(found, paths({ "elsewhere/kit", "other/Qt 5" }));
}

void TestKitList::foundKits_areLookedForOnFirstUseOnly()
{
    const FoundKits found(KitPlaces { { path(QStringLiteral("later")) }, {}, {} });
    QVERIFY(makeKit(QStringLiteral("later/6.5.0/mingw_64")));
    QCOMPARE(found.list(), paths({ "later/6.5.0/mingw_64" }));
    QVERIFY(makeKit(QStringLiteral("later/6.6.0/mingw_64")));
    QCOMPARE(found.list(), paths({ "later/6.5.0/mingw_64" }));
}

QTEST_MAIN(TestKitList)
#include "tst_kitlist.moc"
