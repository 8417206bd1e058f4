#pragma once

#include "PlayListFormat.h"
#include "PlayListItem.h"

#include <QByteArrayView>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QIODevice;
struct PlayListLoad;

// An ordered list of entries that owns them, with a cursor, a sort order and
// the rule that no two entries share a `url` (exact, case-sensitive).
//
// No lock of its own: the active playlist is used only under the engine's
// playListMutex, any other list by one thread at a time.
class RadioPlayList : public QObject
{
    Q_OBJECT

public:
    enum class SortTag { Id = 0, Title = 1, StreamTitle = 2, Bitrate = 3, Genre = 4, Url = 5 };
    enum class SearchField { Id = 0, Title = 1, Artist = 2, Album = 3, Url = 4, StreamTitle = 5 };
    using Items = std::vector<std::unique_ptr<PlayListItem>>;

    RadioPlayList() = default;
    ~RadioPlayList() override = default;
    RadioPlayList(const RadioPlayList &) = delete;
    RadioPlayList &operator=(const RadioPlayList &) = delete;

    // --- Entries -----------------------------------------------------------

    // Appends a new entry unless one with this url exists. A null title becomes
    // "Unknown Track"; an empty one stays empty.
    void add(const QString &url, const QString &title);
    // Takes the entry unless one with its url exists; a refused entry is handed
    // back (drop the result to discard it). Null is ignored.
    std::unique_ptr<PlayListItem> appendItem(std::unique_ptr<PlayListItem> item);
    // Changes an entry's url. False, and nothing changes, when another entry
    // already has that url or the entry is not in this list.
    bool setItemUrl(PlayListItem *item, const QString &url);
    // The entry with this url, or null. O(1) on average.
    PlayListItem *findUrl(const QString &url) const;
    bool contains(const QString &url) const { return findUrl(url) != nullptr; }

    // Room for `more` entries beyond those present, for loading many at once.
    void reserve(int more);
    int count() const { return static_cast<int>(items_.size()); }
    bool isEmpty() const { return items_.empty(); }
    PlayListItem *at(int index) const;
    // Position of the entry (by identity), or -1. Linear.
    int indexOf(const PlayListItem *item) const;
    const Items &items() const { return items_; }

    // Destroys every entry; no cursor afterwards.
    void clear();
    // Destroys the entry at the index; see removeCurrent for the cursor.
    bool removeAt(int index);
    // Hands the entry at the index to the caller, or null; cursor as removeAt.
    std::unique_ptr<PlayListItem> takeAt(int index);

    // --- Cursor ------------------------------------------------------------
    // The cursor is an index or none (-1). Moving it off either end leaves
    // none and returns null.

    int cursor() const { return cursor_; }
    PlayListItem *current() const { return at(cursor_); }
    // Puts the cursor on the index (none when out of range); the entry or null.
    PlayListItem *setCursor(int index);
    PlayListItem *first() { return setCursor(0); }
    PlayListItem *last() { return setCursor(count() - 1); }
    PlayListItem *next();
    PlayListItem *prev();
    // Destroys the entry at the cursor; the following entry, or the new last
    // one, becomes the cursor. False without a cursor.
    bool removeCurrent() { return removeAt(cursor_); }
    std::unique_ptr<PlayListItem> takeCurrent() { return takeAt(cursor_); }

    // --- Sorting -----------------------------------------------------------

    // Tags 0 to 5 are stored with the flag and true returned; any other tag
    // returns false and changes nothing. Does not reorder.
    bool setSort(int tag, bool reverse);
    SortTag sortTag() const { return sortTag_; }
    bool sortReverse() const { return sortReverse_; }
    // <0, 0 or >0 by the sort state; Id never gives 0; reverse negates.
    int compare(const PlayListItem &a, const PlayListItem &b) const;
    // Reorders by compare (stable). The cursor stays on the same entry.
    void sort();

    // --- Searching ---------------------------------------------------------

    // Index of the first entry after `from` that matches, going on from index 0
    // once the end is reached, never testing `from` itself; -1 if none.
    // The match is case-sensitive when the text has an upper-case letter. Id:
    // the decimal id equals the text; other fields: contains the text.
    int find(const QString &text, SearchField field, int from) const;

    // --- Playlist files ----------------------------------------------------
    // Messages go to standard error. Called by one thread at a time.

    // Adds a URL, a local file or the entries of a .pls/.m3u file.
    bool addLocation(const QString &location, bool clearFirst);
    // Adds each location; a folder adds its files in name order (hidden ones
    // left out), and with `recursive` the files of its sub-folders too.
    void addLocations(const QStringList &locations, bool recursive);
    // Reads a playlist file ("file://" prefix allowed); false if unreadable.
    bool openFile(const QString &path, PlayListFormat format, bool clearFirst);
    // Reads a body held in memory (not copied), clearing first if it yields
    // entries; false for an unusable buffer.
    bool openBuffer(const char *data, qsizetype length, PlayListFormat format);
    // Adds the entries of a playlist text. With clearFirst the list is
    // cleared just before the first entry this call adds.
    void parse(QByteArrayView text, PlayListFormat format, bool clearFirst);
    void parse(QIODevice &device, PlayListFormat format, bool clearFirst);
    // Writes the list as PLS by replacing the file whole. 0 on success, 22 for
    // an empty path, else the system error number. An empty list deletes it.
    int save(const QString &path) const;

private:
    void addEntry(PlayListLoad &load, const QString &url, const QString &title);
    bool addLocationIn(PlayListLoad &load, const QString &location, const QString &baseDir);
    bool openFileIn(PlayListLoad &load, const QString &path, PlayListFormat format,
                    const QString &baseDir);
    void parseIn(PlayListLoad &load, QByteArrayView text, PlayListFormat format,
                 const QString &baseDir);
    void append(std::unique_ptr<PlayListItem> item);
    void rebuildIndex() const;

    Items items_;
    // url -> entry; checked against the entry's url on every hit.
    mutable QHash<QString, PlayListItem *> byUrl_;
    int cursor_ = -1;
    SortTag sortTag_ = SortTag::Id;
    bool sortReverse_ = false;
};
