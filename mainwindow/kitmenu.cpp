#include "kitmenu.h"

#include "kit/kitchoice.h"
#include "kit/kitpaths.h"
#include "kit/kitstore.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

namespace {

// Where the kit folder dialog opens: the deepest folder of the configured
// kit's path that exists, or C:\Qt where none does. Given a folder that does
// not exist, the dialog would put its name in its name field.
QString dialogStart(const QString &configured)
{
    QFileInfo folder(QDir::cleanPath(configured));
    while (!configured.isEmpty() && !folder.isDir()) {
        const QFileInfo parent(folder.path());
        if (parent.filePath() == folder.filePath())
            break;
        folder = parent;
    }
    if (!configured.isEmpty() && folder.isDir())
        return folder.filePath();
    const QString qt = QDir::rootPath() + QStringLiteral("Qt");
    return QFileInfo(qt).isDir() ? qt : QString();
}

} // namespace

KitMenu::KitMenu(QMenu *menu, QAction *chooseAction, QWidget *window)
    : QObject(window),
      menu(menu),
      window(window),
      entries(new QActionGroup(this)),
      places(systemKitPlaces())
{
    menu->addSeparator();
    end = menu->addSeparator();
    connect(menu, &QMenu::aboutToShow, this, &KitMenu::listKits);
    connect(chooseAction, &QAction::triggered, this, &KitMenu::askForFolder);
}

void KitMenu::setPlaces(const KitPlaces &kitPlaces)
{
    places = kitPlaces;
}

void KitMenu::setStore(KitStore *kitStore)
{
    store = kitStore;
}

void KitMenu::setConfigured(const QString &kitDir)
{
    configured = kitDir;
}

void KitMenu::setProgram(const QString &path)
{
    program = path;
}

FoundKits KitMenu::kitsFound() const
{
    KitPlaces kitPlaces = places;
    kitPlaces.kitFolders << configured;
    return FoundKits(kitPlaces);
}

void KitMenu::choose(const QString &folder)
{
    QString dir = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    const QString title = tr("选择 Qt 目录");
    if (!holdsDeployTool(dir)) {
        const QStringList kits = kitsBelow(dir);
        if (!kits.isEmpty())
            dir = pickKitBelow(dir, kits);
        if (dir.isEmpty())
            return;
    }
    if (!holdsDeployTool(dir)) {
        QMessageBox::warning(
                window, title,
                tr("There is no %1, so this folder is not a Qt kit.\n\nChoose the "
                   "kit's own folder, the one that holds %2.")
                        .arg(QDir::toNativeSeparators(deployToolIn(dir)),
                             QDir::toNativeSeparators(QStringLiteral("bin/windeployqt.exe"))));
        return;
    }
    emit chosen(dir);
    if (store && !store->save(dir)) {
        QMessageBox::warning(window, title,
                             tr("Trevalo uses the Qt kit %1 until it is closed, but could not save "
                                "it in %2.")
                                     .arg(QDir::toNativeSeparators(dir),
                                          QDir::toNativeSeparators(store->location())));
    }
}

void KitMenu::listKits()
{
    qDeleteAll(entries->actions());
    const QStringList kits = kitsFound().list();
    // The kit a run would use now: the configured one, or one that fits the
    // chosen program in its place.
    const QString inUse = chooseKit(configured, kits, program).dir;
    for (const QString &kit : kits) {
        // A single & would mark a shortcut key instead of showing.
        QString text = QDir::toNativeSeparators(kit);
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        auto *entry = new QAction(text, menu);
        menu->insertAction(end, entry);
        entry->setCheckable(true);
        entry->setChecked(QFileInfo(kit) == QFileInfo(inUse));
        entries->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, kit]() { choose(kit); });
    }
}

void KitMenu::askForFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
            window, tr("选择 Qt 目录"), dialogStart(configured), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        choose(folder);
}

// A folder above kits, such as a version folder or C:\Qt itself: the one kit
// in it is taken, of several the user picks one; empty when cancelled.
QString KitMenu::pickKitBelow(const QString &folder, const QStringList &kits)
{
    const QString title = tr("选择 Qt 目录");
    const QString above = QDir::toNativeSeparators(folder);
    if (kits.size() == 1) {
        QMessageBox::information(window, title,
                                 tr("%1 is not a Qt kit, but holds one: Trevalo uses the kit %2.")
                                         .arg(above, QDir::toNativeSeparators(kits.first())));
        return kits.first();
    }
    QStringList items;
    for (const QString &kit : kits)
        items << QDir::toNativeSeparators(kit);
    bool ok = false;
    const QString item = QInputDialog::getItem(
            window, title, tr("%1 is not a Qt kit, but holds these. Choose one:").arg(above), items,
            0, false, &ok);
    return ok ? kits.value(items.indexOf(item)) : QString();
}
