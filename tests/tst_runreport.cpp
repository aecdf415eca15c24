#include "mainwindow/runreport.h"

#include <QtTest>

class TestRunReport : public QObject
{
    Q_OBJECT

private slots:
    void shownPart_data();
    void shownPart();
    void failureLine_data();
    void failureLine();
};

void TestRunReport::shownPart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const QString note =
            QStringLiteral("[... the first %1 characters of this output are not shown ...]\n");
    const QString full(longestShownLine, QLatin1Char('a'));
    QTest::newRow("an empty text") << QString() << QString();
    QTest::newRow("short lines stay as they are")
            << QStringLiteral("one\r\ntwo\n\nthree") << QStringLiteral("one\r\ntwo\n\nthree");
    QTest::newRow("a line of the longest length stays whole") << full + "\nb" << full + "\nb";
    QTest::newRow("one character more breaks it") << full + "ab\n" << full + "\nab\n";
    QTest::newRow("a line three pieces long, at the end")
            << full + full + "c" << full + QLatin1Char('\n') + full + QStringLiteral("\nc");

    // Lines of 16 characters, 15 and a line break.
    QString lines;
    for (int i = 0; lines.size() < shownTextLimit + 40; ++i)
        lines += QString::number(i).rightJustified(15, QLatin1Char('0')) + QLatin1Char('\n');
    const int over = lines.size() - shownTextLimit;
    const int cut = (over + 15) / 16 * 16; // the next line's start
    QTest::newRow("a longer text from the first whole line within the limit")
            << lines << note.arg(cut) + lines.mid(cut);
    QTest::newRow("a text of the limit exactly is shown whole")
            << lines.right(shownTextLimit) << lines.right(shownTextLimit);
    const QString unbroken = QString(shownTextLimit + 5, QLatin1Char('x')) + QLatin1Char('\n');
    QString tail;
    for (int i = 0; i < shownTextLimit - 1; i += longestShownLine)
        tail += QString(qMin(longestShownLine, shownTextLimit - 1 - i), QLatin1Char('x'))
                + QLatin1Char('\n');
    QTest::newRow("no line break within the limit: cut inside the line")
            << unbroken << note.arg(6) + tail;
}

void TestRunReport::shownPart()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    // Not QCOMPARE: a failure would print megabytes.
    const QString result = ::shownPart(text);
    QVERIFY2(result == shown,
             qPrintable(QStringLiteral("%1 characters, expected %2; they differ from %3 on")
                                .arg(result.size())
                                .arg(shown.size())
                                .arg(std::mismatch(result.begin(), result.end(), shown.begin(), shown.end())
                                             .first
                                     - result.begin())));
}

void TestRunReport::failureLine_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("line");

    const QString tool = QDir::toNativeSeparators(QStringLiteral("/q/bin/windeployqt.exe"));
    QTest::newRow("not started: the tool and where to choose a kit")
            << false << false << false << 0 << 30000
            << QStringLiteral("Failed! Cannot start %1: No such file (choose the Qt kit in 设置 → "
                              "选择 Qt 目录…)")
                       .arg(tool);
    QTest::newRow("over the usual limit")
            << true << true << false << 0 << 30000
            << "Failed! The deployment tool did not finish within 30 seconds and was stopped.";
    QTest::newRow("over a limit of its own")
            << true << true << false << 0 << 2500
            << "Failed! The deployment tool did not finish within 2.5 seconds and was stopped.";
    QTest::newRow("crashed") << true << false << true << 3 << 30000
                             << "Failed! The deployment tool crashed.";
    QTest::newRow("exited with a code") << true << false << false << -2 << 30000
                                        << "Failed! The deployment tool exited with code -2.";
}

void TestRunReport::failureLine()
{
    QFETCH(bool, started);
    QFETCH(bool, timedOut);
    QFETCH(bool, crashed);
    QFETCH(int, exitCode);
    QFETCH(int, limit);
    QFETCH(QString, line);
    RunOutcome outcome;
    outcome.started = started;
    outcome.timedOut = timedOut;
    outcome.exitStatus = crashed ? QProcess::CrashExit : QProcess::NormalExit;
    outcome.exitCode = exitCode;
    outcome.errorString = QStringLiteral("No such file");
    QCOMPARE(::failureLine(outcome, QStringLiteral("/q/bin/windeployqt.exe"), limit), line);
}

QTEST_GUILESS_MAIN(TestRunReport)
#include "tst_runreport.moc"
