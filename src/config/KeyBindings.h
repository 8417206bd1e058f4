#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// Index of each named binding; the order is also the order in the file.
enum KeyBindingIndex {
    keyVolumeUp,
    keyVolumeDown,
    keyMute,
    keyPlayListNext,
    keyPlayListPrev,
    keySavePlayList,
    keyDeletePlayListItem,
    keyRemovePlayListItem,
    keyAddPlayListItem,
    keyPlayListTag,
    keyPlayStop,
    keyBrowse,
    keyPause,
    keyRecall,
    keySort,
    keySortReverse,
    keyCopyTag,
    keyShuffle,
    keyRepeat,
    keyScan,
    keyRecord,
    keyQuit,
    keyScanNext,
    keyOpenFolder,
    keyOpenFile,
    keyPrefsInterface,
    keyPrefsNetwork,
    keyLeft,
    keyRight,
    keyUp,
    keyDown,
    keySelect,
    keyModifier,
    keyPlayListNextJump,
    keyPlayListPrevJump,
    keyOpenFavorites,
    keyAddFavorite,
    KeyBindingCount
};

struct KeyBinding
{
    struct Entry
    {
        int32_t keycode = 0;
        bool modifier = false; // matches only while the modifier state is on
    };
    std::array<Entry, 3> entries{};
    int count = 0;
};

// The 37 bindings. There are no defaults: all start empty.
class KeyBindingTable
{
public:
    static const char *name(int index);
    // Index of a binding name compared ignoring case, or -1.
    static int indexOf(const QString &name);

    // Stores one keycode from a value such as "4100" or "^4100"; a fourth
    // entry for the same binding is dropped silently.
    void add(int index, const QString &value);
    bool matches(int index, int keycode, bool modifierArmed) const;
    bool isBound(int keycode, bool modifierArmed) const;
    int firstKeycode(int index) const;
    const KeyBinding &binding(int index) const { return table_[size_t(index)]; }

    // Appends the lines for one binding: "#name =" when empty, else one line
    // per entry.
    void writeBinding(QByteArray &out, int index, const QString &name) const;
    // The comment block and all 37 bindings, as the configuration file holds them.
    void writeAll(QByteArray &out) const;

private:
    std::array<KeyBinding, KeyBindingCount> table_{};
};
