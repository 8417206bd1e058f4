#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

class RadioStream;

// The playlist as rows for the station list beside the sections: each
// entry's name, the playing one marked. The engine's list is read under its
// lock and copied; refresh() brings the copy up to date (GUI thread).
class StationListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The row's entry id (PlayListItem::id), and its bare name.
    static constexpr int IdRole = Qt::UserRole + 1;
    static constexpr int NameRole = Qt::UserRole + 2;

    explicit StationListModel(RadioStream &stream, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    void refresh();

private:
    struct Row
    {
        uint32_t id = 0;
        QString name;
        QString detail; // a directory station's bitrate and codec
        bool playing = false;
    };

    RadioStream &stream_;
    std::vector<Row> rows_;
    // The name a playlist file or the directory gave an entry, kept from
    // when the list first saw it: playing replaces its title with songs.
    QHash<uint32_t, QString> givenNames_;
};
