// Windows only: reads the manifest back out of the built trevalo.exe, where
// Windows looks for it (resource 1 of type RT_MANIFEST, 24).
#include <QtTest>

#include <windows.h>

namespace {

QByteArray manifestOf(const QString &program)
{
    const HMODULE module = LoadLibraryExW(reinterpret_cast<const wchar_t *>(program.utf16()),
                                          nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return QByteArray();
    QByteArray bytes;
    if (const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const HGLOBAL loaded = LoadResource(module, resource);
        bytes = QByteArray(static_cast<const char *>(LockResource(loaded)),
                           int(SizeofResource(module, resource)));
    }
    FreeLibrary(module);
    return bytes;
}

// Each element of the given name, as its attributes.
QList<QXmlStreamAttributes> elements(const QByteArray &xml, const QString &name)
{
    QList<QXmlStreamAttributes> found;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            found << reader.attributes();
    }
    return reader.hasError() ? QList<QXmlStreamAttributes>() : found;
}

} // namespace

class TestManifest : public QObject
{
    Q_OBJECT

private slots:
    void programCarriesItsManifest();
};

void TestManifest::programCarriesItsManifest()
{
    const QByteArray manifest = manifestOf(QStringLiteral(TREVALO_BINARY));
    QVERIFY2(!manifest.isEmpty(), "trevalo.exe has no manifest resource");

    const QList<QXmlStreamAttributes> levels =
            elements(manifest, QStringLiteral("requestedExecutionLevel"));
    QCOMPARE(levels.size(), 1);
    QCOMPARE(levels.first().value(QStringLiteral("level")), QStringLiteral("asInvoker"));

    const QList<QXmlStreamAttributes> assemblies =
            elements(manifest, QStringLiteral("assemblyIdentity"));
    QCOMPARE(assemblies.size(), 1);
    QCOMPARE(assemblies.first().value(QStringLiteral("name")),
             QStringLiteral("Microsoft.Windows.Common-Controls"));
    QCOMPARE(assemblies.first().value(QStringLiteral("version")), QStringLiteral("6.0.0.0"));
}

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
