// The data link, the call state and whether anyone can see the window.
#include "Wavelark.h"

#include "CallState.h"
#include "DirectoryPanel.h"
#include "DisplayState.h"
#include "LinkManager.h"
#include "PlatformSources.h"
#include "ProfileChooser.h"
#include "RadioPlayList.h"
#include "stream.h"

#include <QWindow>

#include <cstdio>

namespace {

// Whether anyone can see the window: neither minimized nor covered, and the
// session's screen saver (where it is known) not active. On a desktop the
// focus does not decide it: a listener watches the window while typing in
// another.
bool windowSeen(const QWidget &widget, const DisplayState &display)
{
    const QWindow *window = widget.windowHandle();
    if (!widget.isVisible() || widget.isMinimized() || !window || !window->isExposed())
        return false;
    return !display.isKnown() || display.displayOn() == 1;
}

} // namespace

void Wavelark::setUpPlatformSources()
{
    PlatformSources sources = makePlatformSources(this);
    sessionManager_ = sources.link;
    callState_ = std::move(sources.call);
    displayState_ = std::move(sources.display);
    connect(sessionManager_, &LinkManager::connected, this, &Wavelark::slotLinkConnected);
    connect(sessionManager_, &LinkManager::openFailed, this, &Wavelark::slotLinkOpenFailed);
    connect(sessionManager_, &LinkManager::broken, this, &Wavelark::slotLinkBroken);
    // A link already up (the system's own connection) is reported once the loop runs.
    sessionManager_->init(true);
}

bool Wavelark::openLink(bool forceChoice)
{
    suppressAutoStart_ = false;
    linkRequested_ = true;
    if (linkId_ != -1)
        return false;
    selectedProfile_ = settings_.networkProfile;
    if (selectedProfile_.isNull() || forceChoice) {
        if (getProfileNamebySelect(selectedProfile_, sessionManager_->profileNames(), this) != 0) {
            selectedProfile_ = QString();
            return false;
        }
    }
    const int id = sessionManager_->openLink(selectedProfile_);
    if (id < 0)
        return false;
    linkId_ = id;
    postSelf(LinkWaitingEvent);
    return true;
}

void Wavelark::slotLinkConnect()
{
    if (linkId_ == -1)
        openLink(true);
}

void Wavelark::slotLinkDisconnect()
{
    if (linkId_ == -1 || !stream_)
        return;
    if (stream_->isPlaying() && !stream_->isLocal(Selection::Playing)) {
        stream_->playSound(settings_.streamErrorSound, false, false, 0);
        stream_->stop();
    }
    sessionManager_->closeLink(linkId_);
    linkId_ = -1;
    updateNetworkStatus();
}

void Wavelark::slotLinkConnected(int id, LinkInfo &)
{
    std::fprintf(stderr, "Wavelark(1136): slotLinkConnected\n");
    if (!stream_)
        return;
    linkId_ = id;
    // The chosen profile is used without asking next time (not saved here).
    if (!selectedProfile_.isNull())
        settings_.networkProfile = selectedProfile_;
    updateNetworkStatus();
    if (suppressAutoStart_ || !linkRequested_)
        return;
    if (directory_->pendingAction() != PendingDirectoryAction) {
        runDirectoryAction(PendingDirectoryAction);
        return;
    }
    // Only a stream that was started is connecting.
    if ((!selectedProfile_.isNull() || settings_.autoPlay) && startPlayback() &&
        !stream_->isLocal(Selection::Playing))
        postSelf(StreamConnectingEvent);
}

// A report about a link we no longer hold (closed, or replaced by a newer
// one) must not touch the stream that runs on the current link.
void Wavelark::slotLinkOpenFailed(int id, unsigned short, unsigned short)
{
    std::fprintf(stderr, "Wavelark(1157): slotLinkOpenFailed\n");
    if (id != linkId_)
        return;
    directory_->setPendingAction(PendingDirectoryAction);
    linkId_ = -1;
    postSelf(StreamStoppedEvent);
}

void Wavelark::slotLinkBroken(int id, LinkInfo &)
{
    std::fprintf(stderr, "Wavelark(1169): slotLinkBroken\n");
    if (!stream_ || id != linkId_)
        return;
    if (!stream_->isLocal(Selection::Playing) && stream_->isPlaying()) {
        stream_->playSound(settings_.streamErrorSound, false, false, 0);
        stream_->stop();
    }
    linkId_ = -1;
    updateNetworkStatus();
}

// Every 200 ms: first whether anyone can see the window, then the call.
void Wavelark::slotCallHandler()
{
    if (!stream_)
        return;
    const bool seen = windowSeen(*this, *displayState_);
    if (!displayHidden_ && !seen) {
        displayHidden_ = true;
        setMarqueeMode(MarqueeStill);
    } else if (displayHidden_ && seen) {
        displayHidden_ = false;
        if (settings_.enableMarquee)
            setMarqueeMode(MarqueeScrolling);
        if (lastEventType_ == StreamProgressEvent)
            postSelf(StreamProgressEvent);
    }
    if (callState_->incomingCallStatus() || callState_->phoneInCall()) {
        if (!inCall_) {
            inCall_ = true;
            pausedBeforeCall_ = stream_->isPaused();
            stream_->setPaused(true);
        }
    } else if (inCall_) {
        inCall_ = false;
        stream_->setPaused(pausedBeforeCall_);
    }
}
