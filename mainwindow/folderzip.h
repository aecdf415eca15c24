#ifndef FOLDERZIP_H
#define FOLDERZIP_H

#include "package/zipcontents.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QProgressDialog;
class QUrl;
class QWidget;
class ReportPane;
class ZipJob;
class ZipTrial;

// The zip to ship a deployed folder in, for the window: made on the user's
// word (a link in the report or an entry of the menu it is given), with a
// Save dialog and a progress dialog, then tried from a temporary folder as
// a clean machine would start it. It writes what comes of it into the report.
class FolderZip : public QObject
{
    Q_OBJECT

public:
    FolderZip(ReportPane *report, QMenu *menu, QWidget *window, QObject *parent);

    // A new run: no zip to make or try.
    void clear();
    // A successful run deployed `programPath`; the check found `missing`
    // missing; a trial looks for what it lacks in `places` and the kit at `kitDir`.
    void offer(const QString &programPath, const QStringList &missing, const QStringList &places,
               const QString &kitDir);
    void appendLinks();
    // False when the link is not one of the zip's.
    bool followLink(const QUrl &link);
    // Zipping or trying the zip.
    bool isBusy() const;

signals:
    void busyStarted();
    void busyEnded();
    void reported();

private:
    void makeZip();
    void showZipProgress(int files, qint64 bytes);
    void zipEnded();
    void tryZip();
    void showTrialEnd(bool started, const QStringList &lines);

    ReportPane *report;
    QWidget *window;
    QAction *zipAction;
    QAction *tryAction;
    ZipJob *job = nullptr;
    QProgressDialog *progress = nullptr;
    ZipTrial *trial;
    ZipContents contents;
    QString program;
    QStringList missing;
    QStringList places;
    QString kit;
    QString zipPath; // the last one written
    QString topFolder;
};

#endif // FOLDERZIP_H
