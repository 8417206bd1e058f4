#pragma once

#include "CustomEvents.h"
#include "PlayListItem.h"
#include "shoutCast.h"

#include <QEvent>

#include <memory>
#include <vector>

struct DirectoryFetchRecord;

// Items made from a piece of a station list on the read thread, for the
// GUI thread to add to the genre's playlist. `begin`: the first piece of a
// fetch, which starts a new playlist.
struct StationListPiece
{
    bool begin = false;
    std::vector<std::unique_ptr<PlayListItem>> items;
};

// StationListEvent: a genre's station list is ready to be shown (StateBegin:
// a list just fetched, carrying its first piece; StateDone: a kept list shown
// again), or a further piece arrived (StateData). The record belongs to the directory
// panel and outlives every event that names it.
class StationListEventData : public QEvent
{
public:
    StationListEventData(DirectoryFetchRecord *record, ShoutCast::ShoutCastState state,
                         std::unique_ptr<StationListPiece> piece = nullptr)
        : QEvent(QEvent::Type(StationListEvent)), record_(record), state_(state),
          piece_(std::move(piece))
    {}
    DirectoryFetchRecord *record() const { return record_; }
    ShoutCast::ShoutCastState state() const { return state_; }
    // Null for a kept list shown again.
    StationListPiece *piece() const { return piece_.get(); }

private:
    DirectoryFetchRecord *record_;
    ShoutCast::ShoutCastState state_;
    std::unique_ptr<StationListPiece> piece_;
};
