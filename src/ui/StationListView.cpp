#include "StationListView.h"

#include "StationListModel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

// The list's keys: moving, Return and Delete, and typing into the filter;
// anything else is left for the window.
class StationListView::Rows : public QListView
{
public:
    Rows(StationListView *owner, QWidget *parent) : QListView(parent), owner_(owner) {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End: QListView::keyPressEvent(event); return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (currentIndex().isValid())
                emit owner_->activated(owner_->playlistIndex(currentIndex()));
            return;
        case Qt::Key_Delete:
            if (currentIndex().isValid())
                emit owner_->removeRequested(owner_->playlistIndex(currentIndex()));
            return;
        default: break;
        }
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).isPrint() && event->modifiers() == Qt::NoModifier) {
            owner_->filter_->setFocus();
            owner_->filter_->insert(text);
            return;
        }
        event->ignore();
    }

private:
    StationListView *owner_;
};

StationListView::StationListView(StationListModel *model, QWidget *parent)
    : QWidget(parent), proxy_(new QSortFilterProxyModel(this)), filter_(new QLineEdit(this)),
      list_(new Rows(this, this))
{
    setObjectName(QStringLiteral("stationList"));
    proxy_->setSourceModel(model);
    proxy_->setFilterRole(StationListModel::NameRole);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    filter_->setObjectName(QStringLiteral("stationFilter"));
    filter_->setPlaceholderText(tr("Filter stations"));
    // Readable on the window's dark background.
    QPalette palette = filter_->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0xa0, 0xa6));
    filter_->setPalette(palette);
    // Clicks give focus, Tab does not: the window's keys stay the window's.
    filter_->setFocusPolicy(Qt::ClickFocus);
    list_->setFocusPolicy(Qt::ClickFocus);
    list_->setModel(proxy_);
    list_->setUniformItemSizes(true);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(filter_);
    layout->addWidget(list_, 1);
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!following_ && current.isValid())
                    emit browsed(playlistIndex(current));
            });
    connect(list_, &QListView::doubleClicked, this,
            [this](const QModelIndex &row) { emit activated(playlistIndex(row)); });
}

QListView *StationListView::list() const
{
    return list_;
}

int StationListView::playlistIndex(const QModelIndex &row) const
{
    return proxy_->mapToSource(row).row();
}

void StationListView::showRow(int playlistIndex)
{
    const QModelIndex row = proxy_->mapFromSource(proxy_->sourceModel()->index(playlistIndex, 0));
    following_ = true;
    if (row.isValid()) {
        list_->setCurrentIndex(row);
        list_->scrollTo(row);
    } else {
        list_->clearSelection();
    }
    following_ = false;
}

void StationListView::showEvent(QShowEvent *event)
{
    // Set when first shown: the button's picture is read through Qt's image
    // reader, which loads every image-format plugin to find the one it
    // needs, and most runs never show the list.
    if (!filter_->isClearButtonEnabled())
        filter_->setClearButtonEnabled(true);
    QWidget::showEvent(event);
}
