#include "KeyBindings.h"

#include <cstdlib>

namespace {

const char *const kNames[KeyBindingCount] = {
    "keyVolumeUp",
    "keyVolumeDown",
    "keyMute",
    "keyPlayListNext",
    "keyPlayListPrev",
    "keySavePlayList",
    "keyDeletePlayListItem",
    "keyRemovePlayListItem",
    "keyAddPlayListItem",
    "keyPlayListTag",
    "keyPlayStop",
    "keyBrowse",
    "keyPause",
    "keyRecall",
    "keySort",
    "keySortReverse",
    "keyCopyTag",
    "keyShuffle",
    "keyRepeat",
    "keyScan",
    "keyRecord",
    "keyQuit",
    "keyScanNext",
    "keyOpenFolder",
    "keyOpenFile",
    "keyPrefsInterface",
    "keyPrefsNetwork",
    "keyLeft",
    "keyRight",
    "keyUp",
    "keyDown",
    "keySelect",
    "keyModifier",
    "keyPlayListNextJump",
    "keyPlayListPrevJump",
    "keyOpenFavorites",
    "keyAddFavorite",
};

const char kCommentBlock[] =
    "# Key bindings. Some bindings are only available in browse mode. They are:\n"
    "# keySavePlayList, keyDeletePlayListItem, keyRemovePlayListItem,\n"
    "# keyAddPlayListItem, keyOpenFile and keyOpenFolder.\n"
    "#\n"
    "# A keyModifier keycode begins with the ^ character. This allows for twice as\n"
    "# many bindings as there are physical keys. There are no default bindings.\n";

// Base 10, leading digits only, no digits gives 0. Out-of-range values are
// clamped rather than wrapped into some other key's code.
int32_t parseKeycode(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    long v = std::strtol(bytes.constData(), nullptr, 10);
    if (v > INT32_MAX)
        v = INT32_MAX;
    if (v < INT32_MIN)
        v = INT32_MIN;
    return int32_t(v);
}

} // namespace

const char *KeyBindingTable::name(int index)
{
    return index >= 0 && index < KeyBindingCount ? kNames[index] : nullptr;
}

int KeyBindingTable::indexOf(const QString &name)
{
    for (int i = 0; i < KeyBindingCount; ++i)
        if (name.compare(QLatin1String(kNames[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void KeyBindingTable::add(int index, const QString &value)
{
    KeyBinding &b = table_[size_t(index)];
    if (b.count >= 3)
        return;
    const bool modifier = value.startsWith(QLatin1Char('^'));
    b.entries[size_t(b.count)] = {parseKeycode(modifier ? value.mid(1) : value), modifier};
    ++b.count;
}

bool KeyBindingTable::matches(int index, int keycode, bool modifierArmed) const
{
    const KeyBinding &b = table_[size_t(index)];
    for (int i = 0; i < b.count; ++i)
        if (b.entries[size_t(i)].keycode == keycode &&
            b.entries[size_t(i)].modifier == modifierArmed)
            return true;
    return false;
}

bool KeyBindingTable::isBound(int keycode, bool modifierArmed) const
{
    for (int i = 0; i < KeyBindingCount; ++i)
        if (matches(i, keycode, modifierArmed))
            return true;
    return false;
}

int KeyBindingTable::firstKeycode(int index) const
{
    const KeyBinding &b = table_[size_t(index)];
    return b.count > 0 ? b.entries[0].keycode : 0;
}

void KeyBindingTable::writeBinding(QByteArray &out, int index, const QString &name) const
{
    const KeyBinding &b = table_[size_t(index)];
    if (b.count == 0) {
        out += '#' + name.toUtf8() + " =\n";
        return;
    }
    for (int i = 0; i < b.count; ++i) {
        const KeyBinding::Entry &e = b.entries[size_t(i)];
        out += name.toUtf8() + (e.modifier ? " = ^" : " = ") + QByteArray::number(e.keycode) + '\n';
    }
}

void KeyBindingTable::writeAll(QByteArray &out) const
{
    out += kCommentBlock;
    for (int i = 0; i < KeyBindingCount; ++i)
        writeBinding(out, i, QLatin1String(kNames[i]));
}
