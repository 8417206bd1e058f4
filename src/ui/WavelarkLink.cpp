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
    sessionManager = sources.link;
    callState_ = std::move(sources.call);
    displayState_ = std::move(sources.display);
    connect(sessionManager, &LinkManager::connected, this, &Wavelark::slotLinkConnected);
    connect(sessionManager, &LinkManager::openFailed, this, &Wavelark::slotLinkOpenFailed);
    connect(sessionManager, &LinkManager::broken, this, &Wavelark::slotLinkBroken);
    // A link already up (the system's own connection) is reported once the loop runs.
    sessionManager->init(true);
}

bool Wavelark::openLink(bool forceChoice)
{
    suppressAutoStart = false;
    linkRequested = true;
    if (linkId != -1)
        return false;
    selectedProfile = settings_.networkProfile;
    if (selectedProfile.isNull() || forceChoice) {
        if (getProfileNamebySelect(selectedProfile, sessionManager->profileNames(), this) != 0) {
            selectedProfile = QString();
            return false;
        }
    }
    const int id = sessionManager->openLink(selectedProfile);
    if (id < 0)
        return false;
    linkId = id;
    postSelf(LinkWaitingEvent);
    return true;
}

void Wavelark::slotLinkConnect()
{
    if (linkId == -1)
        openLink(true);
}

void Wavelark::slotLinkDisconnect()
{
    if (linkId == -1 || !stream)
        return;
    if (stream->isPlaying() && !stream->isLocal(Selection::Playing)) {
        stream->playSound(settings_.streamErrorSound, false, false, 0);
        stream->stop();
    }
    sessionManager->closeLink(linkId);
    linkId = -1;
    updateNetworkStatus();
}

void Wavelark::slotLinkConnected(int id, LinkInfo &)
{
    std::fprintf(stderr, "Wavelark(1136): slotLinkConnected\n");
    if (!stream)
        return;
    linkId = id;
    // The chosen profile is used without asking next time (not saved here).
    if (!selectedProfile.isNull())
        settings_.networkProfile = selectedProfile;
    updateNetworkStatus();
    if (suppressAutoStart || !linkRequested)
        return;
    if (directory_->pendingAction() != PendingDirectoryAction) {
        runDirectoryAction(PendingDirectoryAction);
        return;
    }
    // Only a stream that was started is connecting.
    if ((!selectedProfile.isNull() || settings_.autoPlay) && startPlayback() &&
        !stream->isLocal(Selection::Playing))
        postSelf(StreamConnectingEvent);
}

// A report about a link we no longer hold (closed, or replaced by a newer
// one) must not touch the stream that runs on the current link.
void Wavelark::slotLinkOpenFailed(int id, unsigned short, unsigned short)
{
    std::fprintf(stderr, "Wavelark(1157): slotLinkOpenFailed\n");
    if (id != linkId)
        return;
    directory_->setPendingAction(PendingDirectoryAction);
    linkId = -1;
    postSelf(StreamStoppedEvent);
}

void Wavelark::slotLinkBroken(int id, LinkInfo &)
{
    std::fprintf(stderr, "Wavelark(1169): slotLinkBroken\n");
    if (!stream || id != linkId)
        return;
    if (!stream->isLocal(Selection::Playing) && stream->isPlaying()) {
        stream->playSound(settings_.streamErrorSound, false, false, 0);
        stream->stop();
    }
    linkId = -1;
    updateNetworkStatus();
}

void Wavelark::slotOpenDoc(const QString &path)
{
    if (stream && openLocation(QStringLiteral("file://") + path, false))
        startPlayback();
}

// Every 200 ms: first whether anyone can see the window, then the call.
void Wavelark::slotCallHandler()
{
    if (!stream)
        return;
    const bool seen = windowSeen(*this, *displayState_);
    if (!displayHidden && !seen) {
        displayHidden = true;
        setMarqueeMode(0);
    } else if (displayHidden && seen) {
        displayHidden = false;
        if (settings_.enableMarquee)
            setMarqueeMode(2);
        if (lastEventType == StreamProgressEvent)
            postSelf(StreamProgressEvent);
    }
    if (callState_->incomingCallStatus() || callState_->phoneInCall()) {
        if (!inCall) {
            inCall = true;
            pausedBeforeCall = stream->isPaused();
            stream->setPaused(true);
        }
    } else if (inCall) {
        inCall = false;
        stream->setPaused(pausedBeforeCall);
    }
}
