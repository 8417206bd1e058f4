// The station list beside the sections: the playlist's rows, following the
// browse selection and moving it, playing and removing rows.
#include "Wavelark.h"

#include "PlaylistFiles.h"
#include "StationListModel.h"
#include "StationListView.h"
#include "stream.h"

#include <QBoxLayout>
#include <QScrollArea>

namespace {

// Showing the list in a window too narrow to have it beside the sections
// widens the window by this much.
constexpr int kListWidth = 280;

} // namespace

void Wavelark::buildStationList(bool shown)
{
    stationModel_ = new StationListModel(*stream_, this);
    stationList_ = new StationListView(stationModel_, this);
    auto *column = static_cast<QBoxLayout *>(layout());
    column->removeWidget(scrollView());
    contentRow_ = new QBoxLayout(QBoxLayout::LeftToRight);
    contentRow_->setSpacing(0);
    contentRow_->addWidget(scrollView(), 1);
    contentRow_->addWidget(stationList_, 1);
    column->insertLayout(0, contentRow_, 1);
    stationList_->setVisible(shown);
    // A row moved to is the browsed entry, as the browse keys make it.
    connect(stationList_, &StationListView::browsed, this, [this](int index) {
        if (!transport_->browseMode())
            toggleBrowseMode();
        if (stream_->selectIndex(index, Selection::Browse)) {
            postSelf(StreamTagsEvent);
            stream_->startProbe(stream_->currentItem(Selection::Browse), Selection::Browse);
        }
    });
    connect(stationList_, &StationListView::activated, this, [this](int index) {
        if (!transport_->browseMode())
            toggleBrowseMode();
        if (stream_->selectIndex(index, Selection::Browse))
            playOrStop();
    });
    connect(stationList_, &StationListView::removeRequested, this, [this](int index) {
        if (!transport_->browseMode())
            toggleBrowseMode();
        if (stream_->selectIndex(index, Selection::Browse)) {
            files_->removeCurrent();
            postSelf(StreamTagsEvent);
        }
    });
}

void Wavelark::setStationListShown(bool shown)
{
    if (shown == !stationList_->isHidden())
        return;
    stationList_->setVisible(shown);
    if (shown) {
        postSelf(StreamTagsEvent);
        widenedBy_ = width() < kListBesideWidth ? kListWidth : 0;
    }
    if (widenedBy_ != 0)
        resize(width() + (shown ? widenedBy_ : -widenedBy_), height());
    if (!shown)
        widenedBy_ = 0;
}
