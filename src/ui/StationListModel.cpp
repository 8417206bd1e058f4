#include "StationListModel.h"

#include "PlayListItem.h"
#include "RadioPlayList.h"
#include "stream.h"

#include <QFont>

namespace {

// The entry's name as the directory or a playlist file gave it, else the
// station's own (icy-name, which is the stream title too); empty when it
// has none yet. While an entry streams, its title is the stream's song, not
// a name; an entry without a title is "Unknown Track".
QString givenName(const PlayListItem &item, bool streaming)
{
    const QString station = item.streamTitle.trimmed();
    if (!station.isEmpty() || streaming)
        return station;
    const QString title = item.title.trimmed();
    return title == RadioPlayList::tr("Unknown Track") ? QString() : title;
}

} // namespace

StationListModel::StationListModel(RadioStream &stream, QObject *parent)
    : QAbstractListModel(parent), stream_(stream)
{}

int StationListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant StationListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    const Row &row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole: {
        QString text = row.playing ? QStringLiteral("\u25b6 ") + row.name : row.name;
        return row.detail.isEmpty() ? text : text + QStringLiteral("  \u00b7  ") + row.detail;
    }
    case Qt::ToolTipRole: return row.name;
    case Qt::FontRole: {
        QFont font;
        font.setBold(row.playing);
        return font;
    }
    case IdRole: return row.id;
    case NameRole: return row.name;
    default: return {};
    }
}

void StationListModel::refresh()
{
    std::vector<Row> fresh;
    const PlayListItem *playing = stream_.currentItem(Selection::Playing);
    const bool streaming = stream_.isPlaying();
    stream_.inspectList([&](const RadioPlayList &list) {
        fresh.reserve(size_t(list.count()));
        for (int i = 0; i < list.count(); ++i) {
            const PlayListItem *item = list.at(i);
            Row row;
            row.id = item->id;
            row.playing = item == playing;
            // When the list first sees an entry, its stream title is the
            // directory's name for it and its title the playlist file's; a
            // station's songs replace the title later, so the first is kept.
            if (!givenNames_.contains(item->id)) {
                const QString given = givenName(*item, streaming && item == playing);
                if (!given.isEmpty())
                    givenNames_.insert(item->id, given);
            }
            row.name = givenNames_.value(item->id, item->url);
            // A directory station's bitrate and codec, as the list gave them.
            QStringList detail;
            if (item->bitrate > 0 && !item->streamTitle.isEmpty())
                detail << tr("%1 kbit/s").arg(item->bitrate);
            if (!item->codec.isEmpty())
                detail << item->codec;
            row.detail = detail.join(QLatin1Char(' '));
            fresh.push_back(row);
        }
    });
    const bool sameRows = fresh.size() == rows_.size() &&
                          std::equal(fresh.begin(), fresh.end(), rows_.begin(),
                                     [](const Row &a, const Row &b) { return a.id == b.id; });
    if (!sameRows) {
        beginResetModel();
        rows_ = std::move(fresh);
        endResetModel();
        return;
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row &now = fresh[i];
        Row &was = rows_[i];
        if (now.name == was.name && now.detail == was.detail && now.playing == was.playing)
            continue;
        was = now;
        const QModelIndex changed = index(int(i));
        emit dataChanged(changed, changed);
    }
}
