#pragma once

class Wavelark;

// Where a command shows in the left soft key's menu, in the menu's order.
// Search is a submenu of Playlist.
enum class MenuPlace {
    None,
    File,
    Favorites,
    Playlist,
    PlaylistSearch,
    Preferences,
    Network,
    ShoutCast,
    // Beyond the phone's menu: what a desktop window shows besides.
    View,
};

// A command's key rank: 0 when its binding does not run it in that group;
// kFirstKey when it is tried before every other command.
inline constexpr int kFirstKey = -1;

// One command of the window: its name (what the desktop controls ask for),
// its key binding and where the binding runs it, its menu entries, and what
// it does. Wavelark::commands() is the table of them all; the key dispatch,
// the menu and the desktop controls are built from it.
struct WindowCommand
{
    const char *name = nullptr;
    // A KeyBindingIndex, or -1 for none.
    int binding = -1;
    // Keys are tried in browse mode among the browse-only commands first,
    // then among the common ones, each group in rank order; the first whose
    // binding matches runs.
    int browseRank = 0;
    int commonRank = 0;
    // The key leaves scan mode on (any other bound key ends it instead).
    bool keepsScan = false;
    MenuPlace menu = MenuPlace::None;
    const char *label = nullptr;
    // A second entry, after the entries of that menu's own commands.
    MenuPlace alsoIn = MenuPlace::None;
    const char *alsoLabel = nullptr;
    // A fixed key of the desktop window, beside the configurable bindings
    // (a QKeySequence text such as "Ctrl+L"); it works while the menu is shut.
    const char *shortcut = nullptr;
    void (*run)(Wavelark &window) = nullptr;
    // An entry that turns something on and off shows whether it is on.
    bool (*checked)(const Wavelark &window) = nullptr;
};
