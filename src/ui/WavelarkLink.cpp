// The data link, the call state and whether anyone can see the window.
#include "Wavelark.h"

#include "LinkManager.h"
#include "PhoneState.h"
#include "stream.h"

#include <cstdio>

bool Wavelark::openLink(bool forceChoice)
{
    suppressAutoStart = false;
    linkRequested = true;
    if (linkId != -1)
        return false;
    selectedProfile = settings_.networkProfile;
    if (selectedProfile.isNull() || forceChoice) {
        if (getProfileNamebySelect(selectedProfile, this) != 0) {
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

void Wavelark::slotLinkConnected(int id, LinkInfo &)
{
    std::fprintf(stderr, "Wavelark(1136): slotLinkConnected\n");
    if (!stream)
        return;
    linkId = id;
    if (!selectedProfile.isNull())
        settings_.networkProfile = selectedProfile;
    updateNetworkStatus();
    if (suppressAutoStart || !linkRequested)
        return;
    if (pendingDirectoryAction != -1)
        pendingDirectoryAction = -1; // directory actions arrive with the directory menus
    else if (!selectedProfile.isNull() || settings_.autoPlay)
        startPlayback();
    if (!stream->isLocal(Selection::Playing))
        postSelf(StreamConnectingEvent);
}

void Wavelark::slotLinkOpenFailed(int, unsigned short, unsigned short)
{
    std::fprintf(stderr, "Wavelark(1157): slotLinkOpenFailed\n");
    pendingDirectoryAction = -1;
    linkId = -1;
    postSelf(StreamStoppedEvent);
}

void Wavelark::slotLinkBroken(int, LinkInfo &)
{
    std::fprintf(stderr, "Wavelark(1169): slotLinkBroken\n");
    if (!stream)
        return;
    if (!stream->isLocal(Selection::Playing) && stream->isPlaying()) {
        stream->playSound(settings_.streamErrorSound, false, false, 0);
        stream->stop();
    }
    linkId = -1;
    updateNetworkStatus();
}

void Wavelark::slotCallHandler()
{
    if (!stream)
        return;
    if (framebufferFd == -1) {
        displayHidden = !isActiveWindow();
    } else {
        const int on = PhoneState::displayState(framebufferFd);
        if (!displayHidden && on == 0) {
            displayHidden = true;
            setMarqueeMode(0);
        } else if (displayHidden && on == 1 && isActiveWindow()) {
            displayHidden = false;
            if (settings_.enableMarquee)
                setMarqueeMode(2);
            if (lastEventType == StreamProgressEvent)
                postSelf(StreamProgressEvent);
        } else if (!displayHidden) {
            displayHidden = !isActiveWindow();
        }
    }
    if (PhoneState::incomingCallStatus() || PhoneState::phoneInCall()) {
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
