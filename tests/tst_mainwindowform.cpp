// The main window form: objects, layouts, looks, texts, menus, initial states
// and the connections made by name.

#include "testkit.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

#include <optional>

namespace {

// What the form sets on one of its objects. Fields that a row leaves out mean
// that the form sets none: an empty text or style sheet, a font with no
// attribute set, no size policy, a label's default alignment.
struct FormObject
{
    QString name;
    QString className;
    QString parent = {}; // empty: the window itself
    QString text = {};
    QString styleSheet = {};
    QFont font = {};
    std::optional<QSizePolicy> sizePolicy = {};
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // of labels
};

// The form's objects in its own order, which is also the order in which their
// texts go through the translation function.
const QVector<FormObject> &formObjects()
{
    // Built on first use: fonts need the application.
    static const QVector<FormObject> objects = [] {
        const QString window = QStringLiteral("MainWindow");
        const QString central = QStringLiteral("centralWidget");
        const auto font = [](int pointSize, const QString &family = QString(), int weight = -1) {
            QFont result;
            result.setPointSize(pointSize);
            if (!family.isEmpty())
                result.setFamily(family);
            // Qt 6's uic drops a weight on Qt 5's 0-99 scale and keeps <bold>false</bold>.
            if (weight >= 0)
                result.setWeight(QT_VERSION < QT_VERSION_CHECK(6, 0, 0) ? QFont::Weight(weight)
                                                                        : QFont::Normal);
            return result;
        };
        const QFont f14 = font(14);
        const QFont appNameFont = font(29, "SF Compact Display", 9);
        using P = QSizePolicy;
        const P minimumWidth(P::Minimum, P::Preferred);
        const P expandingWidth(P::Expanding, P::Preferred);
        const P preferred(P::Preferred, P::Preferred);
        // The style sheets, in the form's words.
        const QString paneSheet = QStringLiteral(
                "font: 14pt \"Arial\";\ncolor: rgb(0, 255, 0);\nbackground-color: rgb(0, 0, 0);");
        const QString titleSheet =
                QStringLiteral("background-color: rgb(25, 85, 255);\ncolor: rgb(255, 255, 255);\n"
                               "font: 87 34pt \"Arial\";");
        const QString pathSheet =
                QStringLiteral("background-color: rgb(203, 209, 205);\ncolor: rgb(0, 0, 0);");
        const QString captionSheet =
                QStringLiteral("color: rgb(255, 255, 255);\nbackground-color: rgb(0, 0, 0);");
        const QString appNameSheet =
                QStringLiteral("font: 75 29pt \"SF Compact Display\";\n"
                               "background-color: rgb(0, 0, 0);\ncolor: rgb(0, 255, 0);");
        const QString optionSheet =
                QStringLiteral("background-color: rgb(0, 0, 0);\ncolor: rgb(255, 255, 255);");
        const QString runSheet = QStringLiteral("font: 87 24pt \"Arial\";");
        return QVector<FormObject> {
            // name, class, parent, text, style sheet, font, size policy, label alignment
            { "MainWindow", "QMainWindow", {}, "MainWindow" },
            { "action", "QAction", window, QStringLiteral("关于") },
            { "action_2", "QAction", window, QStringLiteral("使用说明") },
            { "actionQTDIR", "QAction", window, "QTDIR" },
            { "actionChooseQtDir", "QAction", window, QStringLiteral("选择 Qt 目录…") },
            { "centralWidget", "QWidget", window },
            { "textBrowser", "QTextBrowser", central, {}, paneSheet },
            { "Btn_clear", "QPushButton", central, QStringLiteral("清空"), {}, font(19), minimumWidth },
            { "label_3", "QLabel", central, "Halvex", titleSheet, font(34, "Arial", 10), {}, Qt::AlignCenter },
            { "label_2", "QLabel", central, "AppPath:", {}, font(12) },
            { "label", "QLabel", central, "qmldir:", {}, font(12) },
            { "AppPath", "QLineEdit", central, {}, pathSheet, f14, expandingWidth },
            { "qmldir", "QLineEdit", central, {}, {}, f14, expandingWidth },
            { "toolButton", "QToolButton", central, "...", {}, {}, preferred },
            { "TB_qmldir", "QToolButton", central, "...", {}, {}, preferred },
            { "label_4", "QLabel", central, "AppName", captionSheet, font(18), {}, Qt::AlignCenter },
            { "appName", "QLabel", central, "Not Select App", appNameSheet, appNameFont, {}, Qt::AlignCenter },
            { "CB_QML", "QCheckBox", central, "QML-Dir", optionSheet, f14, minimumWidth },
            { "CB_WebKit", "QCheckBox", central, "NO-WebKit", optionSheet, f14, minimumWidth },
            { "CB_Runtime", "QCheckBox", central, "NO-Runtime", optionSheet, f14, preferred },
            { "CB_Release", "QCheckBox", central, "Release", optionSheet, f14, expandingWidth },
            { "CB_3D", "QCheckBox", central, "NO-3D", optionSheet, f14, expandingWidth },
            { "Run", "QPushButton", central, "Run", runSheet, {}, P(P::Minimum, P::Expanding) },
            { "OpenDir", "QPushButton", central, QStringLiteral("打开生成"), {}, f14, minimumWidth },
            { "pushButton_3", "QPushButton", central, "Reserve", {}, f14, minimumWidth },
            { "reserve_temp", "QPushButton", central, "Reserve", {}, f14, minimumWidth },
            { "menuBar", "QMenuBar", window },
            { "menu", "QMenu", "menuBar", QStringLiteral("帮助") },
            { "menu_2", "QMenu", "menuBar", QStringLiteral("设置") },
        };
    }();
    return objects;
}

// The property that the form's text sets on each kind of object.
const char *textProperty(const QObject *object)
{
    if (qobject_cast<const QMainWindow *>(object))
        return "windowTitle";
    if (qobject_cast<const QMenu *>(object))
        return "title";
    if (qobject_cast<const QTextEdit *>(object))
        return "plainText";
    return "text";
}

} // namespace

Q_DECLARE_METATYPE(FormObject)

// Stands in for the window class: the same eleven slots, each recording its call,
// so that the form can be checked without the window's own behaviour.
class FormHost : public QMainWindow
{
    Q_OBJECT

public:
    FormHost() { ui.setupUi(this); }

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
    void on_actionChooseQtDir_triggered() { calls.append(QStringLiteral("actionChooseQtDir")); }
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
    // A slot that the form connects by name but that finds no signal warns
    // during setup, and the warning fails the test.
    void initTestCase() { catchWarnings(); }
    void init() { host = new FormHost; }
    void cleanup();

    void objects_data();
    void objects();
    void textsUseTheFormsContext();
    void layouts_data();
    void layouts();
    void runIcon_data();
    void runIcon();
    void menus();
    void initialStates();
    void gestures_data();
    void gestures();
    void tabKey_followsTheForm();

private:
    FormHost *host = nullptr;
};

void TestMainWindowForm::cleanup()
{
    delete host;
    host = nullptr;
    verifyNoWarnings();
}

void TestMainWindowForm::objects_data()
{
    QTest::addColumn<FormObject>("expected");
    for (const FormObject &object : formObjects())
        QTest::newRow(qPrintable(object.name)) << object;
}

void TestMainWindowForm::objects()
{
    QFETCH(FormObject, expected);

    QObject *object = host;
    // FormHost stands in for the form's own class.
    const QMetaObject *meta = host->metaObject()->superClass();
    if (!expected.parent.isEmpty()) {
        const QList<QObject *> found = host->findChildren<QObject *>(expected.name);
        QCOMPARE(found.size(), 1);
        object = found.first();
        meta = object->metaObject();
        QCOMPARE(object->parent()->objectName(), expected.parent);
    }
    QCOMPARE(object->objectName(), expected.name);
    QCOMPARE(QString::fromLatin1(meta->className()), expected.className);
    QCOMPARE(object->property(textProperty(object)).toString(), expected.text);

    const auto *widget = qobject_cast<const QWidget *>(object);
    if (!widget)
        return; // an action: the form sets its text only
    QCOMPARE(widget->styleSheet(), expected.styleSheet);
    // Attributes the form does not set come from the widget class's default font.
    const QFont font = expected.font.resolve(QApplication::font(widget));
    QVERIFY2(widget->font() == font, qPrintable(widget->font().toString()));
    if (expected.sizePolicy)
        QCOMPARE(widget->sizePolicy(), *expected.sizePolicy);
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        QCOMPARE(label->alignment(), expected.alignment);
    if (const auto *box = qobject_cast<const QCheckBox *>(widget))
        QVERIFY(box->isChecked()); // every option starts ticked
    QCOMPARE(widget->layoutDirection(), Qt::LeftToRight);
    QVERIFY(widget->isEnabled());
}

void TestMainWindowForm::textsUseTheFormsContext()
{
    RecordingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    // Installing asks the translator about the application's own texts.
    translator.requests.clear();
    FormHost other;
    QCoreApplication::removeTranslator(&translator);

    QStringList sources;
    for (const RecordingTranslator::Request &request : qAsConst(translator.requests)) {
        QCOMPARE(request.context, QStringLiteral("MainWindow"));
        QVERIFY(!request.disambiguated);
        QCOMPARE(request.n, -1);
        sources.append(request.source);
    }
    QStringList expected;
    for (const FormObject &object : formObjects()) {
        if (!object.text.isEmpty())
            expected.append(object.text);
    }
    QCOMPARE(sources, expected);
}

void TestMainWindowForm::layouts_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QList<int>>("stretches");
    QTest::addColumn<int>("spacing");

    // Each layout but the top one is an item of another row.
    const QString h = QStringLiteral("QHBoxLayout");
    const QString v = QStringLiteral("QVBoxLayout");
    QTest::newRow("verticalLayout_9")
            << v << QStringList { "horizontalLayout_5" } << QList<int> { 0 } << 6;
    QTest::newRow("horizontalLayout_5") << h << QStringList { "verticalLayout_7", "verticalLayout_8" }
                                        << QList<int> { 3, 5 } << 6;
    QTest::newRow("verticalLayout_7")
            << v << QStringList { "textBrowser", "Btn_clear" } << QList<int> { 8, 1 } << 6;
    QTest::newRow("verticalLayout_8") << v << QStringList { "verticalLayout_6", "horizontalLayout_4" }
                                      << QList<int> { 7, 1 } << 6;
    QTest::newRow("verticalLayout_6")
            << v << QStringList { "label_3", "horizontalLayout_2", "horizontalLayout_3", "Run" }
            << QList<int> { 2, 3, 9, 3 } << 6;
    QTest::newRow("horizontalLayout_2") << h << QStringList { "horizontalLayout", "verticalLayout_4" }
                                        << QList<int> { 0, 0 } << 6;
    QTest::newRow("horizontalLayout") << h << QStringList { "verticalLayout_2", "verticalLayout_3" }
                                      << QList<int> { 0, 0 } << 6;
    QTest::newRow("verticalLayout_2")
            << v << QStringList { "label_2", "label" } << QList<int> { 0, 0 } << 6;
    QTest::newRow("verticalLayout_3")
            << v << QStringList { "AppPath", "qmldir" } << QList<int> { 0, 0 } << 6;
    QTest::newRow("verticalLayout_4")
            << v << QStringList { "toolButton", "TB_qmldir" } << QList<int> { 0, 0 } << 6;
    QTest::newRow("horizontalLayout_3") << h << QStringList { "verticalLayout_5", "verticalLayout" }
                                        << QList<int> { 1, 0 } << 0;
    QTest::newRow("verticalLayout_5")
            << v << QStringList { "label_4", "appName" } << QList<int> { 0, 10 } << 0;
    QTest::newRow("verticalLayout")
            << v << QStringList { "CB_QML", "CB_WebKit", "CB_Runtime", "CB_Release", "CB_3D" }
            << QList<int> { 0, 0, 0, 0, 0 } << 0;
    QTest::newRow("horizontalLayout_4")
            << h << QStringList { "OpenDir", "pushButton_3", "reserve_temp" }
            << QList<int> { 1, 1, 1 } << 6;
}

void TestMainWindowForm::layouts()
{
    QFETCH(QString, className);
    QFETCH(QStringList, items);
    QFETCH(QList<int>, stretches);
    QFETCH(int, spacing);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QBoxLayout *> found = host->findChildren<QBoxLayout *>(name);
    QCOMPARE(found.size(), 1);
    QBoxLayout *layout = found.first();
    QCOMPARE(QString::fromLatin1(layout->metaObject()->className()), className);

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

    const bool topLevel = host->ui.centralWidget->layout() == layout;
    QCOMPARE(topLevel, name == QLatin1String("verticalLayout_9"));
    QCOMPARE(layout->contentsMargins(), topLevel ? QMargins(11, 11, 11, 11) : QMargins());
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

void TestMainWindowForm::menus()
{
    const Ui::MainWindow &ui = host->ui;
    QCOMPARE(host->menuBar(), ui.menuBar);
    QCOMPARE(ui.menuBar->geometry(), QRect(0, 0, 838, 22));
    QCOMPARE(ui.menuBar->actions(),
             QList<QAction *>({ ui.menu->menuAction(), ui.menu_2->menuAction() }));

    const QList<QAction *> help = ui.menu->actions();
    QCOMPARE(help.size(), 3);
    QCOMPARE(help.mid(0, 2), QList<QAction *>({ ui.action, ui.action_2 }));
    QVERIFY(help.at(2)->isSeparator());
    QCOMPARE(ui.menu_2->actions(), QList<QAction *>({ ui.actionQTDIR, ui.actionChooseQtDir }));

    for (const QAction *action : { ui.action, ui.action_2, ui.actionQTDIR, ui.actionChooseQtDir }) {
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
    QVERIFY(ui.AppPath->isReadOnly());
    QVERIFY(!ui.qmldir->isReadOnly());
    // A checkable Run would show its pause icon once clicked.
    QVERIFY(!ui.Run->isCheckable());
    // No slot runs while the form is set up.
    QVERIFY2(host->calls.isEmpty(), qPrintable(host->calls.join(", ")));
}

void TestMainWindowForm::gestures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QStringList>("calls");

    const auto row = [](const char *name, const char *gesture, const QStringList &calls) {
        QTest::addRow("%s %s", name, gesture) << name << gesture << calls;
    };
    row("toolButton", "click", { "toolButton" });
    row("Run", "click", { "Run" });
    row("qmldir", "type", { "qmldir:a", "qmldir:ab" });
    row("TB_qmldir", "click", { "TB_qmldir" });
    row("CB_QML", "click", { "CB_QML:off" });
    row("OpenDir", "click", { "OpenDir" });
    row("Btn_clear", "click", { "Btn_clear" });
    row("action", "trigger", { "action" });
    row("AppPath", "setText", { "AppPath:C:/app" });
    row("actionQTDIR", "trigger", { "actionQTDIR" });
    row("actionChooseQtDir", "trigger", { "actionChooseQtDir" });
    // Objects the window does not connect, and the read-only field.
    row("pushButton_3", "click", {});
    row("reserve_temp", "click", {});
    row("CB_WebKit", "click", {});
    row("CB_Runtime", "click", {});
    row("CB_Release", "click", {});
    row("CB_3D", "click", {});
    row("action_2", "trigger", {});
    row("AppPath", "type", {});
}

void TestMainWindowForm::gestures()
{
    QFETCH(QString, name);
    QFETCH(QString, gesture);

    // Clicks need the real geometry of a laid-out window.
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));
    QObject *object = host->findChild<QObject *>(name);
    QVERIFY(object);
    if (gesture == QLatin1String("click")) {
        auto *button = qobject_cast<QAbstractButton *>(object);
        QVERIFY(button);
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        QTest::mouseClick(button, Qt::LeftButton);
        // The click landed, whether or not a slot is connected.
        QCOMPARE(clicks.count(), 1);
    } else if (gesture == QLatin1String("type")) {
        QTest::keyClicks(qobject_cast<QWidget *>(object), QStringLiteral("ab"));
    } else if (gesture == QLatin1String("trigger")) {
        qobject_cast<QAction *>(object)->trigger();
    } else {
        qobject_cast<QLineEdit *>(object)->setText(QStringLiteral("C:/app"));
    }
    // Exactly once per signal: a slot connected twice would record twice.
    QTEST(host->calls, "calls");
}

// From the start, Tab goes through the form as it reads: the program first,
// then the options and Run, the report Run writes, and the buttons below.
void TestMainWindowForm::tabKey_followsTheForm()
{
    host->show();
    QApplication::setActiveWindow(host);
    QVERIFY(QTest::qWaitForWindowActive(host));
    QStringList reached;
    for (int press = 0; press <= 15 && QApplication::focusWidget(); ++press) {
        reached << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(reached,
             QStringList({ "AppPath", "toolButton", "qmldir", "TB_qmldir", "CB_QML", "CB_WebKit",
                           "CB_Runtime", "CB_Release", "CB_3D", "Run", "textBrowser", "Btn_clear",
                           "OpenDir", "pushButton_3", "reserve_temp", "AppPath" }));
}

QTEST_MAIN(TestMainWindowForm)

#include "tst_mainwindowform.moc"
