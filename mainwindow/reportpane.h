#ifndef REPORTPANE_H
#define REPORTPANE_H

#include "deploycheck/deploycheck.h"

#include <QColor>
#include <QString>
#include <QVector>

class QTextBrowser;

// Writes a run's report into the console pane: the tool's output as plain
// text, never as markup; lines that warn or fail in colours that read on
// black; links to the window's actions, which never replace the pane's text.
class ReportPane
{
public:
    explicit ReportPane(QTextBrowser *pane);

    // The closing line of a failed run, in a red that stands out on black.
    static QColor failureColor();
    // Lines that warn: amber, not the failure red.
    static QColor warningColor();

    // Replaces the pane's text with the notes, then the tool's output.
    void showOutput(const QVector<CheckLine> &notes, const QString &output);
    void appendParagraph(const QString &text, const QColor &color = QColor());
    void appendLines(const QVector<CheckLine> &lines);
    // A paragraph that is a link; clicking it reports `href` through the
    // pane's anchorClicked().
    void appendLink(const QString &text, const QString &href);

private:
    QTextBrowser *pane;
};

#endif // REPORTPANE_H
