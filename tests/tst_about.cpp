#include "about/about.h"
#include "testkit.h"

#include <QtTest>
#include <QtWidgets>

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void cleanup() { verifyNoWarnings(); }
    void texts_data();
    void texts();
    void layout_rowsInOrder();
    void window_isFramelessAndSized();
    void exit_hidesAndKeepsTheDialog();
};

void TestAbout::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("centred");

    // Captions end in the full-width colon U+FF1A.
    QTest::newRow("heading") << "label" << QString::fromUtf8("关于\xef\xbc\x9a") << true;
    QTest::newRow("description with full-width comma and full stop")
            << "label_2"
            << QString::fromUtf8(
                       "这个打包器是一个测试软件\xef\xbc\x8c用于QML工程打包的\xe3\x80\x82")
            << true;
    QTest::newRow("version caption") << "label_3" << QString::fromUtf8("版本\xef\xbc\x9a") << false;
    QTest::newRow("version") << "label_4"
                             << "V01" << false;
    QTest::newRow("author caption") << "label_7" << QString::fromUtf8("作者\xef\xbc\x9a") << false;
    QTest::newRow("author contact") << "label_8"
                                    << "trevalo@orvask.example" << false;
    QTest::newRow("date caption") << "label_5" << QString::fromUtf8("时间\xef\xbc\x9a") << false;
    QTest::newRow("date") << "label_6"
                          << "2018-12-11" << false;
    QTest::newRow("base caption") << "label_9" << QString::fromUtf8("基于\xef\xbc\x9a") << false;
    QTest::newRow("base") << "label_10"
                          << "Qt 5.12" << false;
}

void TestAbout::texts()
{
    QFETCH(QString, name);
    QFETCH(bool, centred);
    About about;
    auto *label = about.findChild<QLabel *>(name);
    QVERIFY(label);
    QTEST(label->text(), "text");
    QCOMPARE(label->alignment() == Qt::AlignCenter, centred);
}

void TestAbout::layout_rowsInOrder()
{
    About about;
    auto *outer = qobject_cast<QVBoxLayout *>(about.layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("verticalLayout_2"));
    QCOMPARE(outer->count(), 2);
    QCOMPARE(outer->itemAt(1)->widget()->objectName(), QStringLiteral("pushButton"));

    auto *inner = qobject_cast<QVBoxLayout *>(outer->itemAt(0)->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QStringLiteral("verticalLayout"));

    // The author row stands before the date row.
    const QList<QStringList> expected {
        { "label" },
        { "label_2" },
        { "horizontalLayout", "label_3", "label_4" },
        { "horizontalLayout_3", "label_7", "label_8" },
        { "horizontalLayout_2", "label_5", "label_6" },
        { "horizontalLayout_4", "label_9", "label_10" },
    };
    QCOMPARE(inner->count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QLayoutItem *item = inner->itemAt(i);
        QStringList actual;
        if (QLayout *row = item->layout()) {
            actual << row->objectName();
            for (int j = 0; j < row->count(); ++j)
                actual << row->itemAt(j)->widget()->objectName();
        } else {
            actual << item->widget()->objectName();
        }
        QCOMPARE(actual, expected.at(i));
    }
}

void TestAbout::window_isFramelessAndSized()
{
    About about;
    QCOMPARE(about.objectName(), QStringLiteral("About"));
    QCOMPARE(about.windowTitle(), QStringLiteral("Dialog"));
    QCOMPARE(about.size(), QSize(318, 203));
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(about.windowFlags() & Qt::Dialog);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.findChild<QPushButton *>(QStringLiteral("pushButton"))->text(),
             QStringLiteral("Exit"));
}

void TestAbout::exit_hidesAndKeepsTheDialog()
{
    QPointer<About> about = new About;
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QVERIFY(about); // closing hides it; the object stays
    QCOMPARE(about->findChild<QLabel *>(QStringLiteral("label_4"))->text(), QStringLiteral("V01"));
    delete about;
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
