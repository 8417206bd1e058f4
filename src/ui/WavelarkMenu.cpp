// The left soft key's popup menu: every command a person with a mouse
// needs, built from the command table (WindowCommands.cpp).
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "SoftKeyBar.h"

#include <QMenu>

#include <array>

namespace {

constexpr int kMenuPlaces = int(MenuPlace::View) + 1;

// The menus' titles, by MenuPlace.
constexpr std::array<const char *, kMenuPlaces> kMenuTitles = {
    nullptr,
    QT_TRANSLATE_NOOP("Wavelark", "File"),
    QT_TRANSLATE_NOOP("Wavelark", "Favorites"),
    QT_TRANSLATE_NOOP("Wavelark", "Playlist"),
    QT_TRANSLATE_NOOP("Wavelark", "Search"),
    QT_TRANSLATE_NOOP("Wavelark", "Preferences"),
    QT_TRANSLATE_NOOP("Wavelark", "Network"),
    QT_TRANSLATE_NOOP("Wavelark", "SHOUTcast"),
    QT_TRANSLATE_NOOP("Wavelark", "View"),
};

} // namespace

QMenu *Wavelark::popupMenu() const
{
    return softKeyBar() ? softKeyBar()->menu() : nullptr;
}

void Wavelark::buildMenu(QMenu *menu)
{
    std::array<QMenu *, kMenuPlaces> menus{};
    for (int place = 1; place < kMenuPlaces; ++place) {
        QMenu *parent = MenuPlace(place) == MenuPlace::PlaylistSearch
                            ? menus[size_t(MenuPlace::Playlist)]
                            : menu;
        QMenu *sub = menus[size_t(place)] = parent->addMenu(tr(kMenuTitles[size_t(place)]));
        for (const WindowCommand &command : commands()) {
            if (command.menu != MenuPlace(place))
                continue;
            QAction *action =
                sub->addAction(tr(command.label), this, [this, &command] { command.run(*this); });
            if (command.checked) {
                action->setCheckable(true);
                connect(sub, &QMenu::aboutToShow, action,
                        [this, action, &command] { action->setChecked(command.checked(*this)); });
            }
            if (command.shortcut) {
                action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
                addAction(action);
            }
        }
        for (const WindowCommand &command : commands())
            if (command.alsoIn == MenuPlace(place))
                sub->addAction(tr(command.alsoLabel), this,
                               [this, &command] { command.run(*this); });
    }
    directory_->addRecentSearches(menus[size_t(MenuPlace::ShoutCast)]);
}
