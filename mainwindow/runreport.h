#ifndef RUNREPORT_H
#define RUNREPORT_H

#include "worker/runoutcome.h"

#include <QString>

// The pane lays out all the text above the end it scrolls to, which takes
// minutes once a tool prints tens of megabytes; the end of a long report is
// what tells how the run went. Of a longer text only this many characters are
// shown.
const int shownTextLimit = 1024 * 1024;

// A line is laid out in a time that grows with the square of its length when
// it has nowhere to wrap (binary junk, say): a megabyte in one line would
// freeze the window for many minutes. Longer lines are shown in pieces.
const int longestShownLine = 4096;

// The text as the pane shows it: of a text longer than shownTextLimit only
// its end, from a line break on, below a note of what was left out; lines
// longer than longestShownLine broken in pieces.
QString shownPart(const QString &text);

// The closing line of a run that did not start or did not succeed; the time
// limit is the one the run had.
QString failureLine(const RunOutcome &outcome, const QString &toolPath, int timeLimitMsecs);
// The closing line of a run refused before the tool started.
QString refusalLine(const QString &problem);

#endif // RUNREPORT_H
