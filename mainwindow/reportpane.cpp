#include "reportpane.h"

#include "runreport.h"

#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

ReportPane::ReportPane(QTextBrowser *pane) : pane(pane)
{
    // A click on a link is the window's to handle: the pane keeps its text.
    pane->setOpenLinks(false);
    // Tab leaves the pane rather than walking its links; the menu has the
    // same actions for the keyboard.
    pane->setTextInteractionFlags(pane->textInteractionFlags() & ~Qt::LinksAccessibleByKeyboard);
}

QColor ReportPane::failureColor()
{
    return QColor(255, 80, 80);
}

QColor ReportPane::warningColor()
{
    return QColor(255, 176, 0);
}

void ReportPane::showOutput(const QVector<CheckLine> &notes, const QString &output)
{
    // The pane writes new text in the format at its cursor, which may sit
    // on the red line of an earlier failure.
    pane->setCurrentCharFormat(QTextCharFormat());
    pane->setPlainText(shownPart(output));
    QTextCursor cursor(pane->document());
    cursor.beginEditBlock();
    for (const CheckLine &note : notes) {
        QTextCharFormat format;
        if (note.warning)
            format.setForeground(warningColor());
        cursor.insertText(note.text, format);
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    }
    cursor.endEditBlock();
}

// Like QTextEdit::append(), but never takes the text for markup.
void ReportPane::appendParagraph(const QString &text, const QColor &color)
{
    QTextDocument *document = pane->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock();
    // A fresh format each time: the red of a failure line must not carry
    // over to the lines after it.
    QTextCharFormat format;
    if (color.isValid())
        format.setForeground(color);
    cursor.insertText(text, format);
}

void ReportPane::appendLines(const QVector<CheckLine> &lines)
{
    for (const CheckLine &line : lines)
        appendParagraph(line.text, line.warning ? warningColor() : QColor());
}

void ReportPane::appendLink(const QString &text, const QString &href)
{
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    if (!pane->document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(href);
    format.setForeground(QColor(80, 200, 255));
    format.setFontUnderline(true);
    cursor.insertText(text, format);
}
