// Windows only: reads resources back out of the built trevalo.exe, where
// Windows looks for them: the manifest (resource 1 of type RT_MANIFEST, 24),
// the version details and the icon that Explorer shows.
#include <QtTest>

#include <windows.h>

namespace {

// The resources of the given types and names, as bytes (empty: not found).
QList<QByteArray> resourcesOf(const QString &program, const QList<QPair<LPCWSTR, LPCWSTR>> &typesAndNames)
{
    QList<QByteArray> found;
    const HMODULE module = LoadLibraryExW(reinterpret_cast<const wchar_t *>(program.utf16()),
                                          nullptr, LOAD_LIBRARY_AS_DATAFILE);
    for (const auto &typeAndName : typesAndNames) {
        QByteArray bytes;
        const HRSRC resource =
                module ? FindResourceW(module, typeAndName.second, typeAndName.first) : nullptr;
        if (resource) {
            const HGLOBAL loaded = LoadResource(module, resource);
            bytes = QByteArray(static_cast<const char *>(LockResource(loaded)),
                               int(SizeofResource(module, resource)));
        }
        found << bytes;
    }
    if (module)
        FreeLibrary(module);
    return found;
}

QByteArray manifestOf(const QString &program)
{
    return resourcesOf(program, { { MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1) } }).first();
}

// A value of the version details' string table (US English, Unicode).
QString versionValue(const QString &program, const QString &key)
{
    const auto *file = reinterpret_cast<const wchar_t *>(program.utf16());
    QByteArray info(int(GetFileVersionInfoSizeW(file, nullptr)), '\0');
    if (info.isEmpty() || !GetFileVersionInfoW(file, 0, DWORD(info.size()), info.data()))
        return QString();
    const QString path = QStringLiteral("\\StringFileInfo\\040904B0\\") + key;
    void *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.constData(), reinterpret_cast<const wchar_t *>(path.utf16()), &value, &length)
        || length == 0)
        return QString();
    return QString::fromWCharArray(static_cast<const wchar_t *>(value));
}

// The images of the program's icon IDI_ICON1, as its icon group lists them.
QList<QImage> iconImagesOf(const QString &program)
{
    const QByteArray group = resourcesOf(program, { { MAKEINTRESOURCEW(14), L"IDI_ICON1" } }).first();
    QList<QPair<LPCWSTR, LPCWSTR>> entries;
    // GRPICONDIR: 6 bytes, then 14 bytes per entry ending in the entry's id.
    const int count = group.size() >= 6 ? qFromLittleEndian<quint16>(group.constData() + 4) : 0;
    for (int i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
        const quint16 id = qFromLittleEndian<quint16>(group.constData() + 6 + 14 * i + 12);
        entries << qMakePair(MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(id));
    }
    QList<QImage> images;
    for (const QByteArray &entry : resourcesOf(program, entries))
        images << QImage::fromData(entry);
    return images;
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
    void programCarriesItsVersionDetails_data();
    void programCarriesItsVersionDetails();
    void programCarriesTheRunImageAsItsIcon();
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

void TestManifest::programCarriesItsVersionDetails_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("product") << "ProductName"
                             << "Trevalo";
    QTest::newRow("company") << "CompanyName"
                             << "Orvask";
    QTest::newRow("description") << "FileDescription"
                                 << "Trevalo, a front end for windeployqt";
    QTest::newRow("product version") << "ProductVersion" << TREVALO_VERSION;
    QTest::newRow("file version") << "FileVersion" << TREVALO_VERSION;
}

void TestManifest::programCarriesItsVersionDetails()
{
    QFETCH(QString, key);
    QTEST(versionValue(QStringLiteral(TREVALO_BINARY), key), "value");
}

void TestManifest::programCarriesTheRunImageAsItsIcon()
{
    const QList<QImage> images = iconImagesOf(QStringLiteral(TREVALO_BINARY));
    QList<int> sizes;
    for (const QImage &image : images) {
        QCOMPARE(image.width(), image.height());
        sizes << image.width();
    }
    QCOMPARE(sizes, QList<int>({ 16, 24, 32, 48, 256 }));

    // The Run image's green, and nothing else, at every size.
    const QImage runImage(QStringLiteral(RUN_IMAGE));
    QVERIFY(!runImage.isNull());
    const QRgb green = runImage.pixel(runImage.width() / 3, runImage.height() / 2);
    QCOMPARE(qAlpha(green), 255);
    for (const QImage &image : images) {
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255) {
                    QCOMPARE(pixel, green);
                    ++opaque;
                }
            }
        }
        QVERIFY(opaque > image.width() * image.height() / 6);
    }
}

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
