// The run button's images as compiled into the program's resource bundle.

#include "testkit.h"

#include <QtEndian>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QResource>
#include <QtTest>

namespace {

const QStringList imagePaths = {
    QStringLiteral(":/res/start.png"),
    QStringLiteral(":/res/start-disable.png"),
    QStringLiteral(":/res/pause.png"),
};

struct Chunk
{
    QByteArray type;
    QByteArray data;
};

// Splits a PNG file into its chunks; an empty list if the file is malformed.
QList<Chunk> pngChunks(const QByteArray &file)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!file.startsWith(signature))
        return {};
    QList<Chunk> chunks;
    int pos = signature.size();
    while (pos < file.size()) {
        if (file.size() - pos < 12)
            return {};
        const quint32 length = qFromBigEndian<quint32>(file.constData() + pos);
        if (length > quint32(file.size() - pos - 12))
            return {};
        chunks.append({ file.mid(pos + 4, 4), file.mid(pos + 8, int(length)) });
        pos += 12 + int(length);
    }
    return chunks;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

public:
    explicit TestResources(const QStringList &foundBeforeApplication)
        : foundBeforeApplication(foundBeforeApplication)
    {
    }

private slots:
    void initTestCase() { catchWarnings(); }
    void cleanup() { verifyNoWarnings(); }
    void resolvesBeforeApplication_data();
    void resolvesBeforeApplication();
    void directoryHoldsExactlyTheImages();
    void storedUncompressed_data();
    void storedUncompressed();
    void decodes_data();
    void decodes();
    void hasOnlyTheExpectedChunks_data();
    void hasOnlyTheExpectedChunks();
    void disabledImageIsGrey();

private:
    void addImageRows();

    const QStringList foundBeforeApplication;
};

void TestResources::addImageRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<QSize>("imageSize");

    QTest::newRow("start") << imagePaths.at(0) << 500 << QSize(32, 38);
    QTest::newRow("start-disable") << imagePaths.at(1) << 511 << QSize(32, 38);
    QTest::newRow("pause") << imagePaths.at(2) << 212 << QSize(43, 77);
}

void TestResources::resolvesBeforeApplication_data()
{
    addImageRows();
}

void TestResources::resolvesBeforeApplication()
{
    QFETCH(QString, path);
    QVERIFY2(foundBeforeApplication.contains(path), qPrintable(path));
}

void TestResources::directoryHoldsExactlyTheImages()
{
    const QStringList expected = { QStringLiteral("pause.png"), QStringLiteral("start-disable.png"),
                                   QStringLiteral("start.png") };
    QCOMPARE(QDir(QStringLiteral(":/res")).entryList(QDir::AllEntries, QDir::Name), expected);
}

void TestResources::storedUncompressed_data()
{
    addImageRows();
}

void TestResources::storedUncompressed()
{
    QFETCH(QString, path);
    QFETCH(int, payloadSize);

    // A compressed entry would report the size of its zlib data and hand out
    // that data instead of the PNG file.
    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.size(), qint64(payloadSize));
    const QByteArray stored(reinterpret_cast<const char *>(resource.data()), payloadSize);
    QVERIFY(stored.startsWith("\x89PNG\r\n\x1a\n"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), stored);
}

void TestResources::decodes_data()
{
    addImageRows();
}

void TestResources::decodes()
{
    QFETCH(QString, path);
    QFETCH(QSize, imageSize);

    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), imageSize);
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    // Not an empty canvas: some pixels are opaque, some transparent.
    bool opaque = false;
    bool transparent = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            opaque = opaque || alpha > 127;
            transparent = transparent || alpha == 0;
        }
    }
    QVERIFY(opaque);
    QVERIFY(transparent);
}

void TestResources::hasOnlyTheExpectedChunks_data()
{
    addImageRows();
}

void TestResources::hasOnlyTheExpectedChunks()
{
    QFETCH(QString, path);
    QFETCH(int, payloadSize);
    QFETCH(QSize, imageSize);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), payloadSize);

    const QList<Chunk> chunks = pngChunks(bytes);
    QStringList types;
    for (const Chunk &chunk : chunks)
        types.append(QString::fromLatin1(chunk.type));
    QCOMPARE(types, QStringList({ "IHDR", "pHYs", "IDAT", "IEND" }));

    const QByteArray ihdr = chunks.at(0).data;
    QCOMPARE(ihdr.size(), 13);
    QCOMPARE(qFromBigEndian<quint32>(ihdr.constData()), quint32(imageSize.width()));
    QCOMPARE(qFromBigEndian<quint32>(ihdr.constData() + 4), quint32(imageSize.height()));
    // Bit depth 8, colour type 6 (RGBA), compression 0, filter 0, no interlacing.
    QCOMPARE(ihdr.mid(8), QByteArray("\x08\x06\x00\x00\x00", 5));

    const QByteArray phys = chunks.at(1).data;
    QCOMPARE(phys.size(), 9);
    QCOMPARE(qFromBigEndian<quint32>(phys.constData()), quint32(2834));
    QCOMPARE(qFromBigEndian<quint32>(phys.constData() + 4), quint32(2834));
    QCOMPARE(phys.at(8), '\x01');

    QVERIFY(chunks.at(3).data.isEmpty());
}

void TestResources::disabledImageIsGrey()
{
    const QImage normal(imagePaths.at(0));
    const QImage disabled(imagePaths.at(1));
    QCOMPARE(disabled.size(), normal.size());

    bool normalHasColour = false;
    for (int y = 0; y < disabled.height(); ++y) {
        for (int x = 0; x < disabled.width(); ++x) {
            const QRgb grey = disabled.pixel(x, y);
            const QRgb colour = normal.pixel(x, y);
            // Same shape: a pixel is drawn in one image exactly when it is in the other.
            QCOMPARE(qAlpha(grey) > 0, qAlpha(colour) > 0);
            if (qAlpha(grey) > 0)
                QVERIFY(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
            if (qAlpha(colour) > 0)
                normalHasColour = normalHasColour || qRed(colour) != qGreen(colour);
        }
    }
    QVERIFY(normalHasColour);
}

int main(int argc, char *argv[])
{
    // The bundle is registered by a static initialiser, so the images must be
    // reachable before any application object exists.
    QStringList foundBeforeApplication;
    for (const QString &path : imagePaths) {
        if (QFile::exists(path))
            foundBeforeApplication.append(path);
    }

    QGuiApplication app(argc, argv);
    TestResources test(foundBeforeApplication);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resources.moc"
