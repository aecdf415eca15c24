#ifndef KITMENU_H
#define KITMENU_H

#include "kit/kitlist.h"

#include <QObject>
#include <QString>
#include <QStringList>

class KitStore;
class QAction;
class QActionGroup;
class QMenu;
class QWidget;

// The kits of the Settings menu: below its own entries, the kits found on
// this machine, looked for afresh each time the menu opens, with the kit a
// run would use checked; and the choice of a kit folder, through an entry or
// the folder dialog of `chooseAction`. A chosen kit is used from the next run
// on and saved in the kit store, if there is one.
class KitMenu : public QObject
{
    Q_OBJECT

public:
    KitMenu(QMenu *menu, QAction *chooseAction, QWidget *window);

    // Where kits are looked for; tests lay their own out.
    void setPlaces(const KitPlaces &places);
    // Where a chosen kit is saved; the menu does not own it.
    void setStore(KitStore *store);
    // The configured kit and the chosen program, which decide the kit in use.
    void setConfigured(const QString &kitDir);
    void setProgram(const QString &path);

    // The kits in the places, and the configured one wherever it lies,
    // looked for when first asked for.
    FoundKits kitsFound() const;
    // Uses the Qt kit in a folder; a folder above kits offers them, a folder
    // without the deployment tool is refused.
    void choose(const QString &folder);

signals:
    void chosen(const QString &kitDir);

private:
    void listKits();
    void askForFolder();
    QString pickKitBelow(const QString &folder, const QStringList &kits);

    QMenu *menu;
    QWidget *window;
    QActionGroup *entries;
    QAction *end; // the separator below the kits
    KitPlaces places;
    KitStore *store = nullptr;
    QString configured;
    QString program;
};

#endif // KITMENU_H
