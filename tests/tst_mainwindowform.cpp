// The main window form: objects, layouts, looks, texts, menus, initial states
// and the connections made by name.

#include "testkit.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

namespace {

QStringList capturedWarnings;

void captureWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        capturedWarnings.append(message);
}

} // namespace

// Stands in for the window class: the same ten slots, each recording its call,
// so that the form can be checked without the window's own behaviour.
class FormHost : public QMainWindow
{
    Q_OBJECT

public:
    Ui::MainWindow ui;
    QStringList calls;

private slots:
    void on_toolButton_clicked() { calls.append(QStringLiteral("toolButton")); }
    void on_Run_clicked() { calls.append(QStringLiteral("Run")); }
    void on_qmldir_textChanged(const QString &arg1) { calls.append("qmldir:" + arg1); }
    void on_TB_qmldir_clicked() { calls.append(QStringLiteral("TB_qmldir")); }
    void on_CB_QML_toggled(bool checked) { calls.append(checked ? "CB_QML:on" : "CB_QML:off"); }
    void on_OpenDir_clicked() { calls.append(QStringLiteral("OpenDir")); }
    void on_Btn_clear_clicked() { calls.append(QStringLiteral("Btn_clear")); }
    void on_action_triggered() { calls.append(QStringLiteral("action")); }
    void on_AppPath_textChanged(const QString &arg1) { calls.append("AppPath:" + arg1); }
    void on_actionQTDIR_triggered() { calls.append(QStringLiteral("actionQTDIR")); }
};

// Records every text that goes through the translation function.
class RecordingTranslator : public QTranslator
{
    Q_OBJECT

public:
    struct Request
    {
        QString context;
        QString source;
        bool disambiguated;
        int n;
    };
    mutable QList<Request> requests;

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        requests.append({ QString::fromUtf8(context), QString::fromUtf8(sourceText),
                          disambiguation != nullptr, n });
        return QString();
    }
    bool isEmpty() const override { return false; }
};

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { catchWarnings(); }
    void init();
    void cleanup();

    void objectTree_data();
    void objectTree();
    void layoutTree_data();
    void layoutTree();
    void styleSheets_data();
    void styleSheets();
    void texts_data();
    void texts();
    void textsUseTheFormsContext();
    void fonts_data();
    void fonts();
    void sharedFontsAreEqual();
    void sizePolicies_data();
    void sizePolicies();
    void alignments();
    void runIcon_data();
    void runIcon();
    void runIconFollowsEnabledState();
    void menus();
    void initialStates();
    void noSlotRunsDuringSetup();
    void signalsReachTheirSlots_data();
    void signalsReachTheirSlots();
    void unconnectedObjectsCallNothing();
    void readOnlyPathIgnoresTyping();

private:
    void showHost();

    FormHost *host = nullptr;
    QtMessageHandler previousHandler = nullptr;
};

void TestMainWindowForm::init()
{
    capturedWarnings.clear();
    previousHandler = qInstallMessageHandler(captureWarnings);
    host = new FormHost;
    host->ui.setupUi(host);
    qInstallMessageHandler(previousHandler);
}

// Clicks need the real geometry of a laid-out window.
void TestMainWindowForm::showHost()
{
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));
}

void TestMainWindowForm::cleanup()
{
    delete host;
    host = nullptr;
    verifyNoWarnings();
}

void TestMainWindowForm::objectTree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    const QString window = QStringLiteral("MainWindow");
    const QString central = QStringLiteral("centralWidget");
    const QList<QStringList> rows = {
        { "action", "QAction", window },
        { "action_2", "QAction", window },
        { "actionQTDIR", "QAction", window },
        { "centralWidget", "QWidget", window },
        { "textBrowser", "QTextBrowser", central },
        { "Btn_clear", "QPushButton", central },
        { "label_3", "QLabel", central },
        { "label_2", "QLabel", central },
        { "label", "QLabel", central },
        { "AppPath", "QLineEdit", central },
        { "qmldir", "QLineEdit", central },
        { "toolButton", "QToolButton", central },
        { "TB_qmldir", "QToolButton", central },
        { "label_4", "QLabel", central },
        { "appName", "QLabel", central },
        { "CB_QML", "QCheckBox", central },
        { "CB_WebKit", "QCheckBox", central },
        { "CB_Runtime", "QCheckBox", central },
        { "CB_Release", "QCheckBox", central },
        { "CB_3D", "QCheckBox", central },
        { "Run", "QPushButton", central },
        { "OpenDir", "QPushButton", central },
        { "pushButton_3", "QPushButton", central },
        { "reserve_temp", "QPushButton", central },
        { "menuBar", "QMenuBar", window },
        { "menu", "QMenu", "menuBar" },
        { "menu_2", "QMenu", "menuBar" },
    };
    for (const QStringList &row : rows)
        QTest::newRow(qPrintable(row.at(0))) << row.at(0) << row.at(1) << row.at(2);
}

void TestMainWindowForm::objectTree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    QCOMPARE(host->objectName(), QStringLiteral("MainWindow"));
    const QList<QObject *> found = host->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    QVERIFY(found.first()->parent());
    QCOMPARE(found.first()->parent()->objectName(), parentName);
}

void TestMainWindowForm::layoutTree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QList<int>>("stretches");
    QTest::addColumn<int>("spacing");

    const QString h = QStringLiteral("QHBoxLayout");
    const QString v = QStringLiteral("QVBoxLayout");
    QTest::newRow("verticalLayout_9") << "verticalLayout_9" << v << "centralWidget"
                                      << QStringList { "horizontalLayout_5" } << QList<int> { 0 } << 6;
    QTest::newRow("horizontalLayout_5")
            << "horizontalLayout_5" << h << "verticalLayout_9"
            << QStringList { "verticalLayout_7", "verticalLayout_8" } << QList<int> { 3, 5 } << 6;
    QTest::newRow("verticalLayout_7")
            << "verticalLayout_7" << v << "horizontalLayout_5"
            << QStringList { "textBrowser", "Btn_clear" } << QList<int> { 8, 1 } << 6;
    QTest::newRow("verticalLayout_8")
            << "verticalLayout_8" << v << "horizontalLayout_5"
            << QStringList { "verticalLayout_6", "horizontalLayout_4" } << QList<int> { 7, 1 } << 6;
    QTest::newRow("verticalLayout_6")
            << "verticalLayout_6" << v << "verticalLayout_8"
            << QStringList { "label_3", "horizontalLayout_2", "horizontalLayout_3", "Run" }
            << QList<int> { 2, 3, 9, 3 } << 6;
    QTest::newRow("horizontalLayout_2")
            << "horizontalLayout_2" << h << "verticalLayout_6"
            << QStringList { "horizontalLayout", "verticalLayout_4" } << QList<int> { 0, 0 } << 6;
    QTest::newRow("horizontalLayout")
            << "horizontalLayout" << h << "horizontalLayout_2"
            << QStringList { "verticalLayout_2", "verticalLayout_3" } << QList<int> { 0, 0 } << 6;
    QTest::newRow("verticalLayout_2")
            << "verticalLayout_2" << v << "horizontalLayout" << QStringList { "label_2", "label" }
            << QList<int> { 0, 0 } << 6;
    QTest::newRow("verticalLayout_3")
            << "verticalLayout_3" << v << "horizontalLayout" << QStringList { "AppPath", "qmldir" }
            << QList<int> { 0, 0 } << 6;
    QTest::newRow("verticalLayout_4")
            << "verticalLayout_4" << v << "horizontalLayout_2"
            << QStringList { "toolButton", "TB_qmldir" } << QList<int> { 0, 0 } << 6;
    QTest::newRow("horizontalLayout_3")
            << "horizontalLayout_3" << h << "verticalLayout_6"
            << QStringList { "verticalLayout_5", "verticalLayout" } << QList<int> { 1, 0 } << 0;
    QTest::newRow("verticalLayout_5")
            << "verticalLayout_5" << v << "horizontalLayout_3"
            << QStringList { "label_4", "appName" } << QList<int> { 0, 10 } << 0;
    QTest::newRow("verticalLayout")
            << "verticalLayout" << v << "horizontalLayout_3"
            << QStringList { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" }
            << QList<int> { 0, 0, 0, 0, 0 } << 0;
    QTest::newRow("horizontalLayout_4") << "horizontalLayout_4" << h << "verticalLayout_8"
                                        << QStringList { "OpenDir", "pushButton_3", "reserve_temp" }
                                        << QList<int> { 1, 1, 1 } << 6;
}

void TestMainWindowForm::layoutTree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QStringList, items);
    QFETCH(QList<int>, stretches);
    QFETCH(int, spacing);

    const QList<QBoxLayout *> found = host->findChildren<QBoxLayout *>(name);
    QCOMPARE(found.size(), 1);
    QBoxLayout *layout = found.first();
    QCOMPARE(QString::fromLatin1(layout->metaObject()->className()), className);
    QVERIFY(layout->parent());
    QCOMPARE(layout->parent()->objectName(), parentName);

    QStringList actualItems;
    QList<int> actualStretches;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        QVERIFY2(item->widget() || item->layout(), "spacer or stray item");
        actualItems.append(item->widget() ? item->widget()->objectName()
                                          : item->layout()->objectName());
        actualStretches.append(layout->stretch(i));
        QCOMPARE(item->alignment(), Qt::Alignment());
    }
    QCOMPARE(actualItems, items);
    QCOMPARE(actualStretches, stretches);
    QCOMPARE(layout->spacing(), spacing);

    const bool topLevel = name == QLatin1String("verticalLayout_9");
    QCOMPARE(layout->contentsMargins(), topLevel ? QMargins(11, 11, 11, 11) : QMargins());
    if (topLevel)
        QCOMPARE(host->ui.centralWidget->layout(), layout);
}

void TestMainWindowForm::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("styleSheet");

    const QString s6 =
            QStringLiteral("background-color: rgb(0, 0, 0);\ncolor: rgb(255, 255, 255);");
    QTest::newRow("textBrowser")
            << "textBrowser"
            << "font: 14pt \"Arial\";\ncolor: rgb(0, 255, 0);\nbackground-color: rgb(0, 0, 0);";
    QTest::newRow("label_3") << "label_3"
                             << "background-color: rgb(25, 85, 255);\ncolor: rgb(255, 255, "
                                "255);\nfont: 87 34pt \"Arial\";";
    QTest::newRow("AppPath") << "AppPath"
                             << "background-color: rgb(203, 209, 205);\ncolor: rgb(0, 0, 0);";
    QTest::newRow("label_4") << "label_4"
                             << "color: rgb(255, 255, 255);\nbackground-color: rgb(0, 0, 0);";
    QTest::newRow("appName") << "appName"
                             << "font: 75 29pt \"SF Compact Display\";\nbackground-color: rgb(0, "
                                "0, 0);\ncolor: rgb(0, 255, 0);";
    for (const char *box : { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" })
        QTest::newRow(box) << box << s6;
    QTest::newRow("Run") << "Run"
                         << "font: 87 24pt \"Arial\";";
    // Objects without a sheet of their own.
    for (const char *plain :
         { "MainWindow", "centralWidget", "Btn_clear", "label_2", "label", "qmldir", "toolButton",
           "TB_qmldir", "OpenDir", "pushButton_3", "reserve_temp", "menuBar", "menu", "menu_2" })
        QTest::newRow(plain) << plain << QString();
}

void TestMainWindowForm::styleSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, styleSheet);

    QWidget *widget = name == QLatin1String("MainWindow") ? host : host->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->styleSheet(), styleSheet);
}

void TestMainWindowForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("text");

    QTest::newRow("window") << "MainWindow"
                            << "windowTitle"
                            << "MainWindow";
    QTest::newRow("action") << "action"
                            << "text" << QStringLiteral("关于");
    QTest::newRow("action_2") << "action_2"
                              << "text" << QStringLiteral("使用说明");
    QTest::newRow("actionQTDIR") << "actionQTDIR"
                                 << "text"
                                 << "QTDIR";
    QTest::newRow("Btn_clear") << "Btn_clear"
                               << "text" << QStringLiteral("清空");
    QTest::newRow("label_3") << "label_3"
                             << "text"
                             << "Halvex";
    QTest::newRow("label_2") << "label_2"
                             << "text"
                             << "AppPath:";
    QTest::newRow("label") << "label"
                           << "text"
                           << "qmldir:";
    QTest::newRow("toolButton") << "toolButton"
                                << "text"
                                << "...";
    QTest::newRow("TB_qmldir") << "TB_qmldir"
                               << "text"
                               << "...";
    QTest::newRow("label_4") << "label_4"
                             << "text"
                             << "AppName";
    QTest::newRow("appName") << "appName"
                             << "text"
                             << "Not Select App";
    QTest::newRow("CB_QML") << "CB_QML"
                            << "text"
                            << "QML-Dir";
    QTest::newRow("CB_WebKit") << "CB_WebKit"
                               << "text"
                               << "NO-WebKit";
    QTest::newRow("CB_Runtime") << "CB_Runtime"
                                << "text"
                                << "NO-Runtime";
    QTest::newRow("CB_Release") << "CB_Release"
                                << "text"
                                << "Release";
    QTest::newRow("CB_3D") << "CB_3D"
                           << "text"
                           << "NO-3D";
    QTest::newRow("Run") << "Run"
                         << "text"
                         << "Run";
    QTest::newRow("OpenDir") << "OpenDir"
                             << "text" << QStringLiteral("打开生成");
    QTest::newRow("pushButton_3") << "pushButton_3"
                                  << "text"
                                  << "Reserve";
    QTest::newRow("reserve_temp") << "reserve_temp"
                                  << "text"
                                  << "Reserve";
    QTest::newRow("menu") << "menu"
                          << "title" << QStringLiteral("帮助");
    QTest::newRow("menu_2") << "menu_2"
                            << "title" << QStringLiteral("设置");
    QTest::newRow("AppPath") << "AppPath"
                             << "text" << QString();
    QTest::newRow("qmldir") << "qmldir"
                            << "text" << QString();
    QTest::newRow("textBrowser") << "textBrowser"
                                 << "plainText" << QString();
}

void TestMainWindowForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, text);

    QObject *object = name == QLatin1String("MainWindow") ? host : host->findChild<QObject *>(name);
    QVERIFY(object);
    const QVariant value = object->property(qPrintable(property));
    QVERIFY(value.isValid());
    QCOMPARE(value.toString(), text);
}

void TestMainWindowForm::textsUseTheFormsContext()
{
    RecordingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    // Installing asks the translator about the application's own texts.
    translator.requests.clear();
    FormHost other;
    other.ui.setupUi(&other);
    QCoreApplication::removeTranslator(&translator);

    QStringList sources;
    for (const RecordingTranslator::Request &request : qAsConst(translator.requests)) {
        QCOMPARE(request.context, QStringLiteral("MainWindow"));
        QVERIFY(!request.disambiguated);
        QCOMPARE(request.n, -1);
        sources.append(request.source);
    }
    const QStringList expected = {
        "MainWindow",
        QStringLiteral("关于"),
        QStringLiteral("使用说明"),
        "QTDIR",
        QStringLiteral("清空"),
        "Halvex",
        "AppPath:",
        "qmldir:",
        "...",
        "...",
        "AppName",
        "Not Select App",
        "QML-Dir",
        "NO-WebKit",
        "NO-Runtime",
        "Release",
        "NO-3D",
        "Run",
        QStringLiteral("打开生成"),
        "Reserve",
        "Reserve",
        QStringLiteral("帮助"),
        QStringLiteral("设置"),
    };
    QCOMPARE(sources, expected);
}

void TestMainWindowForm::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family"); // empty: the application's default family
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("weight");

    QTest::newRow("Btn_clear") << "Btn_clear" << QString() << 19 << int(QFont::Normal);
    QTest::newRow("label_3") << "label_3"
                             << "Arial" << 34 << 10;
    QTest::newRow("label_2") << "label_2" << QString() << 12 << int(QFont::Normal);
    QTest::newRow("label") << "label" << QString() << 12 << int(QFont::Normal);
    QTest::newRow("label_4") << "label_4" << QString() << 18 << int(QFont::Normal);
    QTest::newRow("appName") << "appName"
                             << "SF Compact Display" << 29 << 9;
    for (const char *f14 : { "AppPath", "qmldir", "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release",
                             "CB_3D", "OpenDir", "pushButton_3", "reserve_temp" })
        QTest::newRow(f14) << f14 << QString() << 14 << int(QFont::Normal);
}

void TestMainWindowForm::fonts()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(int, weight);

    const QWidget *widget = host->findChild<QWidget *>(name);
    QVERIFY(widget);
    const QFont font = widget->font();
    QCOMPARE(font.family(), family.isEmpty() ? QApplication::font().family() : family);
    QCOMPARE(font.pointSize(), pointSize);
    QCOMPARE(font.weight(), weight);
    QVERIFY(!font.italic());
}

void TestMainWindowForm::sharedFontsAreEqual()
{
    const Ui::MainWindow &ui = host->ui;
    const QFont f14 = ui.AppPath->font();
    const QList<QWidget *> sharing = { ui.qmldir,     ui.CB_QML,       ui.CB_WebKit,
                                       ui.CB_Runtime, ui.CB_Release,   ui.CB_3D,
                                       ui.OpenDir,    ui.pushButton_3, ui.reserve_temp };
    for (const QWidget *widget : sharing)
        QCOMPARE(widget->font(), f14);
    QCOMPARE(ui.label->font(), ui.label_2->font());
    // Widgets without a font of their own keep the default one.
    QCOMPARE(ui.Run->font(), QApplication::font(ui.Run));
    QCOMPARE(ui.toolButton->font(), QApplication::font(ui.toolButton));
}

void TestMainWindowForm::sizePolicies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("horizontal");
    QTest::addColumn<int>("vertical");

    const int minimum = QSizePolicy::Minimum;
    const int preferred = QSizePolicy::Preferred;
    const int expanding = QSizePolicy::Expanding;
    QTest::newRow("Btn_clear") << "Btn_clear" << minimum << preferred;
    QTest::newRow("AppPath") << "AppPath" << expanding << preferred;
    QTest::newRow("qmldir") << "qmldir" << expanding << preferred;
    QTest::newRow("toolButton") << "toolButton" << preferred << preferred;
    QTest::newRow("TB_qmldir") << "TB_qmldir" << preferred << preferred;
    QTest::newRow("CB_QML") << "CB_QML" << minimum << preferred;
    QTest::newRow("CB_WebKit") << "CB_WebKit" << minimum << preferred;
    QTest::newRow("CB_Runtime") << "CB_Runtime" << preferred << preferred;
    QTest::newRow("CB_Release") << "CB_Release" << expanding << preferred;
    QTest::newRow("CB_3D") << "CB_3D" << expanding << preferred;
    QTest::newRow("Run") << "Run" << minimum << expanding;
    QTest::newRow("OpenDir") << "OpenDir" << minimum << preferred;
    QTest::newRow("pushButton_3") << "pushButton_3" << minimum << preferred;
    QTest::newRow("reserve_temp") << "reserve_temp" << minimum << preferred;
}

void TestMainWindowForm::sizePolicies()
{
    QFETCH(QString, name);
    QFETCH(int, horizontal);
    QFETCH(int, vertical);

    const QWidget *widget = host->findChild<QWidget *>(name);
    QVERIFY(widget);
    const QSizePolicy policy = widget->sizePolicy();
    QCOMPARE(int(policy.horizontalPolicy()), horizontal);
    QCOMPARE(int(policy.verticalPolicy()), vertical);
    QCOMPARE(policy.horizontalStretch(), 0);
    QCOMPARE(policy.verticalStretch(), 0);
    QCOMPARE(policy.controlType(), QSizePolicy::DefaultType);
}

void TestMainWindowForm::alignments()
{
    const Ui::MainWindow &ui = host->ui;
    QCOMPARE(ui.label_3->alignment(), Qt::AlignCenter);
    QCOMPARE(ui.label_4->alignment(), Qt::AlignCenter);
    QCOMPARE(ui.appName->alignment(), Qt::AlignCenter);
    QCOMPARE(ui.appName->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(ui.label_2->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
}

void TestMainWindowForm::runIcon_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("path");

    QTest::newRow("normal off") << int(QIcon::Normal) << int(QIcon::Off) << ":/res/start.png";
    QTest::newRow("normal on") << int(QIcon::Normal) << int(QIcon::On) << ":/res/pause.png";
    QTest::newRow("disabled off") << int(QIcon::Disabled) << int(QIcon::Off)
                                  << ":/res/start-disable.png";
    QTest::newRow("disabled on") << int(QIcon::Disabled) << int(QIcon::On) << ":/res/start-disable.png";
}

void TestMainWindowForm::runIcon()
{
    QFETCH(int, mode);
    QFETCH(int, state);
    QFETCH(QString, path);

    const QImage expected(path);
    QVERIFY(!expected.isNull());
    const QIcon icon = host->ui.Run->icon();
    const auto iconMode = QIcon::Mode(mode);
    const auto iconState = QIcon::State(state);
    // One entry per mode and state, at the image's own size.
    QCOMPARE(icon.availableSizes(iconMode, iconState), QList<QSize> { expected.size() });
    const QImage drawn = icon.pixmap(expected.size(), iconMode, iconState).toImage();
    QCOMPARE(drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QCOMPARE(host->ui.Run->iconSize(), QSize(48, 48));
}

void TestMainWindowForm::runIconFollowsEnabledState()
{
    QPushButton *run = host->ui.Run;
    QVERIFY(!run->isCheckable());
    run->click();
    QVERIFY(!run->isChecked());

    // What the button draws: the icon at its icon size, in the mode of its state.
    const QImage start = QImage(":/res/start.png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage disabled =
            QImage(":/res/start-disable.png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto drawn = [run] {
        const QIcon::Mode mode = run->isEnabled() ? QIcon::Normal : QIcon::Disabled;
        const QIcon::State state = run->isChecked() ? QIcon::On : QIcon::Off;
        return run->icon()
                .pixmap(run->iconSize(), mode, state)
                .toImage()
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    QCOMPARE(drawn(), start);
    run->setEnabled(false);
    QCOMPARE(drawn(), disabled);
    run->setEnabled(true);
    QCOMPARE(drawn(), start);
}

void TestMainWindowForm::menus()
{
    const Ui::MainWindow &ui = host->ui;
    QCOMPARE(host->menuBar(), ui.menuBar);
    QCOMPARE(ui.menuBar->geometry(), QRect(0, 0, 838, 22));
    QCOMPARE(ui.menuBar->actions(),
             QList<QAction *>({ ui.menu->menuAction(), ui.menu_2->menuAction() }));

    const QList<QAction *> help = ui.menu->actions();
    QCOMPARE(help.size(), 3);
    QCOMPARE(help.at(0), ui.action);
    QCOMPARE(help.at(1), ui.action_2);
    QVERIFY(help.at(2)->isSeparator());
    QCOMPARE(ui.menu_2->actions(), QList<QAction *> { ui.actionQTDIR });

    for (const QAction *action : { ui.action, ui.action_2, ui.actionQTDIR }) {
        QVERIFY(action->shortcut().isEmpty());
        QVERIFY(action->statusTip().isEmpty());
    }
    QVERIFY(host->findChildren<QToolBar *>().isEmpty());
    QVERIFY(host->findChildren<QStatusBar *>().isEmpty());
}

void TestMainWindowForm::initialStates()
{
    const Ui::MainWindow &ui = host->ui;
    QCOMPARE(host->size(), QSize(838, 659));
    QCOMPARE(host->centralWidget(), ui.centralWidget);
    for (const QCheckBox *box : { ui.CB_QML, ui.CB_WebKit, ui.CB_Runtime, ui.CB_Release, ui.CB_3D })
        QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
    QVERIFY(ui.AppPath->isReadOnly());
    QVERIFY(!ui.qmldir->isReadOnly());
    for (const QWidget *widget :
         ui.centralWidget->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(widget->isEnabled(), qPrintable(widget->objectName()));
}

void TestMainWindowForm::noSlotRunsDuringSetup()
{
    QVERIFY2(host->calls.isEmpty(), qPrintable(host->calls.join(", ")));
    QVERIFY2(capturedWarnings.isEmpty(), qPrintable(capturedWarnings.join("\n")));
}

void TestMainWindowForm::signalsReachTheirSlots_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("toolButton") << "toolButton"
                                << "click" << QStringList { "toolButton" };
    QTest::newRow("Run") << "Run"
                         << "click" << QStringList { "Run" };
    QTest::newRow("qmldir") << "qmldir"
                            << "type" << QStringList { "qmldir:a", "qmldir:ab" };
    QTest::newRow("TB_qmldir") << "TB_qmldir"
                               << "click" << QStringList { "TB_qmldir" };
    QTest::newRow("CB_QML") << "CB_QML"
                            << "click" << QStringList { "CB_QML:off" };
    QTest::newRow("OpenDir") << "OpenDir"
                             << "click" << QStringList { "OpenDir" };
    QTest::newRow("Btn_clear") << "Btn_clear"
                               << "click" << QStringList { "Btn_clear" };
    QTest::newRow("action") << "action"
                            << "trigger" << QStringList { "action" };
    QTest::newRow("AppPath") << "AppPath"
                             << "setText" << QStringList { "AppPath:C:/app" };
    QTest::newRow("actionQTDIR") << "actionQTDIR"
                                 << "trigger" << QStringList { "actionQTDIR" };
}

void TestMainWindowForm::signalsReachTheirSlots()
{
    QFETCH(QString, name);
    QFETCH(QString, gesture);
    QFETCH(QStringList, calls);

    showHost();
    QObject *object = host->findChild<QObject *>(name);
    QVERIFY(object);
    if (gesture == QLatin1String("click")) {
        QTest::mouseClick(qobject_cast<QWidget *>(object), Qt::LeftButton);
    } else if (gesture == QLatin1String("type")) {
        QTest::keyClicks(qobject_cast<QWidget *>(object), QStringLiteral("ab"));
    } else if (gesture == QLatin1String("trigger")) {
        qobject_cast<QAction *>(object)->trigger();
    } else {
        qobject_cast<QLineEdit *>(object)->setText(QStringLiteral("C:/app"));
    }
    // Exactly once per signal: a slot connected twice would record twice.
    QCOMPARE(host->calls, calls);
}

void TestMainWindowForm::unconnectedObjectsCallNothing()
{
    showHost();
    const Ui::MainWindow &ui = host->ui;
    QSignalSpy clicks(ui.pushButton_3, &QPushButton::clicked);
    QSignalSpy otherClicks(ui.reserve_temp, &QPushButton::clicked);
    QTest::mouseClick(ui.pushButton_3, Qt::LeftButton);
    QTest::mouseClick(ui.reserve_temp, Qt::LeftButton);
    for (QCheckBox *box : { ui.CB_WebKit, ui.CB_Runtime, ui.CB_Release, ui.CB_3D }) {
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    }
    ui.action_2->trigger();
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(otherClicks.count(), 1);
    QVERIFY2(host->calls.isEmpty(), qPrintable(host->calls.join(", ")));
}

void TestMainWindowForm::readOnlyPathIgnoresTyping()
{
    showHost();
    QLineEdit *appPath = host->ui.AppPath;
    QTest::keyClicks(appPath, QStringLiteral("typed"));
    QCOMPARE(appPath->text(), QString());
    QVERIFY2(host->calls.isEmpty(), qPrintable(host->calls.join(", ")));
}

QTEST_MAIN(TestMainWindowForm)

#include "tst_mainwindowform.moc"
