#pragma once

#include <QListView>
#include <QWidget>

class QLineEdit;
class QSortFilterProxyModel;
class StationListModel;

// The station list beside the sections: the playlist's names, a filter
// that typing fills, and the playlist's own keys. Moving in the list moves
// the browse selection; a double click or Return plays a row; Delete
// removes it. Keys the list does not use go on to the window's bindings.
class StationListView : public QWidget
{
    Q_OBJECT

public:
    StationListView(StationListModel *model, QWidget *parent);
    // Follows the browse selection without reporting it back.
    void showRow(int playlistIndex);
    QListView *list() const;
    QLineEdit *filter() const { return filter_; }

signals:
    // A playlist index: the row moved to, the row to play, the row to remove.
    void browsed(int playlistIndex);
    void activated(int playlistIndex);
    void removeRequested(int playlistIndex);

protected:
    void showEvent(QShowEvent *event) override;

private:
    class Rows;
    int playlistIndex(const QModelIndex &row) const;

    QSortFilterProxyModel *proxy_;
    QLineEdit *filter_;
    Rows *list_;
    bool following_ = false;
};
