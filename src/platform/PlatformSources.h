#pragma once

#include <functional>
#include <memory>

class CallState;
class DisplayState;
class LinkManager;
class QObject;

// The three things the phone told the program about the world outside it:
// the data link, the call state and the display state.
struct PlatformSources
{
    LinkManager *link = nullptr; // a child of the parent given below
    std::unique_ptr<CallState> call;
    std::unique_ptr<DisplayState> display;
};

// The sources a new main window uses: the desktop's, unless a test put a
// maker of its own in place.
PlatformSources makePlatformSources(QObject *parent);

using PlatformSourcesMaker = std::function<PlatformSources(QObject *parent)>;
// An empty maker brings back the desktop's sources.
void setPlatformSourcesMaker(PlatformSourcesMaker maker);
