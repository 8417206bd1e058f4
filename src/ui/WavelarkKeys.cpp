// Key presses: the configuration's bindings run the transport commands.
#include "Wavelark.h"

#include "KeyBindings.h"
#include "WavelarkConfig.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSlider>

#include <cstdio>

void Wavelark::keyPressEvent(QKeyEvent *event)
{
    const int code = event->key();
    // How a user finds the numbers to put in the configuration file.
    std::fprintf(stderr, "keyPressEvent: %d 0x%x\n", code, unsigned(code));
    // A preferences page covers the window: its keys are the page's.
    if (!stream || !config || prefsPageShown()) {
        event->ignore();
        return;
    }
    if (config->matches(keyModifier, code, keyModifierArmed)) {
        modifierIndicator->setBlinking(true);
        keyModifierArmed = !keyModifierArmed;
        keyModTimer.start(3000);
        event->accept();
        return;
    }
    const bool handled = dispatchKey(code);
    // The modifier applies to one key, whatever that key did.
    keyModifierArmed = false;
    modifierIndicator->setBlinking(false);
    keyModTimer.stop();
    event->setAccepted(handled);
}

bool Wavelark::keyMatches(int binding, int code) const
{
    return config->matches(binding, code, keyModifierArmed);
}

bool Wavelark::dispatchKey(int code)
{
    if (stream->isPlaying() && scanIndicator->isBlinking() && !transport_->browseMode() &&
        config->isBound(code, keyModifierArmed) && !leavesScanOn(code)) {
        // Any other command ends scan mode instead of running.
        scanIndicator->setBlinking(false);
        return true;
    }
    if (keyMatches(keyBrowse, code)) {
        toggleBrowseMode();
        return true;
    }
    if (transport_->browseMode() && runFirstMatch(browseOnlyCommands(), code))
        return true;
    return runFirstMatch(commonCommands(), code);
}

bool Wavelark::leavesScanOn(int code) const
{
    for (int binding :
         {keyPause, keyScanNext, keyBrowse, keyVolumeUp, keyVolumeDown, keyAddFavorite, keyMute})
        if (keyMatches(binding, code))
            return true;
    return false;
}

bool Wavelark::runFirstMatch(const KeyCommands &commands, int code)
{
    for (const auto &[binding, command] : commands) {
        if (!keyMatches(binding, code))
            continue;
        command();
        return true;
    }
    return false;
}

// The commands that only make sense on the browsed item, in the order they
// are tried.
Wavelark::KeyCommands Wavelark::browseOnlyCommands()
{
    return {
        {keySavePlayList, [this] { slotSavePlayList(); }},
        {keyDeletePlayListItem, [this] { slotDeletePlayListFile(); }},
        {keyRemovePlayListItem, [this] { slotRemovePlayListItem(); }},
        {keyAddPlayListItem, [this] { slotAppendToPlayList(); }},
        {keyOpenFile, [this] { slotOpenFile(); }},
        {keyOpenFolder, [this] { slotOpenFolder(); }},
        {keyPlayListTag, [this] { showNextTag(); }},
        {keyOpenFavorites, [this] { slotOpenFavorites(); }},
        {keyAddFavorite, [this] { slotAppendToFavorites(); }},
    };
}

Wavelark::KeyCommands Wavelark::commonCommands()
{
    return {
        {keyMute, [this] { volumeIndicator->setMuted(!volumeIndicator->isMuted()); }},
        {keyOpenFavorites, [this] { slotOpenFavorites(); }},
        {keyAddFavorite, [this] { slotAppendToFavorites(); }},
        {keyVolumeUp, [this] { volumeSlider->triggerAction(QSlider::SliderPageStepAdd); }},
        {keySort, [this] { showSort(false); }},
        {keySortReverse, [this] { showSort(true); }},
        {keyVolumeDown, [this] { volumeSlider->triggerAction(QSlider::SliderPageStepSub); }},
        {keyPlayListNext,
         [this] {
             transport_->nextItem(false, false);
             transport_->resetRetries();
         }},
        {keyPlayListNextJump, [this] { transport_->jump(true); }},
        {keyPlayListPrev,
         [this] {
             transport_->previousItem(false);
             transport_->resetRetries();
         }},
        {keyPlayListPrevJump, [this] { transport_->jump(false); }},
        {keyRecall, [this] { transport_->recall(); }},
        {keyPlayStop, [this] { playOrStop(); }},
        {keyPause, [this] { pauseOrResume(); }},
        {keyPrefsInterface, [this] { slotPrefsInterface(); }},
        {keyPrefsNetwork, [this] { slotPrefsNetwork(); }},
        {keyShuffle, [this] { shuffleIndicator->setOn(!shuffleIndicator->isOn()); }},
        {keyRepeat, [this] { repeatIndicator->setMode((repeatIndicator->mode() + 1) % 3); }},
        {keyScan, [this] { scanIndicator->setBlinking(!scanIndicator->isBlinking()); }},
        {keyScanNext, [this] { scanToNext(); }},
        {keyRecord, [this] { recordIndicator->setBlinking(!recordIndicator->isBlinking()); }},
        {keyQuit, [this] { slotQuit(); }},
        {keyPlayListTag, [this] { showNextTag(); }},
        {keyCopyTag, [this] { copyShownTag(); }},
    };
}

void Wavelark::toggleBrowseMode()
{
    transport_->setBrowseMode(!transport_->browseMode());
    postSelf(StreamTagsEvent);
    postSelf(StreamFormatEvent);
    postSelf(StreamProgressEvent);
    const Selection active = transport_->selection();
    stream->startProbe(stream->currentItem(active), active);
}

void Wavelark::showNextTag()
{
    tagMarquee->nextPage();
    sortTagTimer.start(2000);
    postSelf(TagShownEvent);
}

void Wavelark::showSort(bool reverse)
{
    if (reverse)
        transport_->reverseSort();
    else
        transport_->sortByNextTag();
    sortTagTimer.start(2000);
    postSelf(SortShownEvent);
}

void Wavelark::playOrStop()
{
    if (!stream->currentItem(Selection::Playing))
        return;
    if (!transport_->browseMode()) {
        slotStartStopStream(true);
        return;
    }
    scanIndicator->setBlinking(false);
    transport_->playBrowsed();
    slotStartStopStream(false);
    // The next stream event redraws the header.
    transport_->setBrowseMode(false);
}

void Wavelark::pauseOrResume()
{
    if (stream->isPlaying() || stream->soundPlaying() != 0) {
        stream->setPaused(!stream->isPaused());
        return;
    }
    // A pause that a call made is the call's to end.
    if (stream->isPaused() && !inCall)
        stream->setPaused(false);
    slotStartStopStream(!transport_->browseMode());
}

void Wavelark::scanToNext()
{
    if (!stream->isPlaying()) {
        if (!stream->isLocal(Selection::Playing) && linkId == -1) {
            if (openLink(false))
                scanIndicator->setBlinking(true);
            return;
        }
        if (!startPlayback())
            return;
    }
    scanIndicator->setBlinking(true);
    postSelf(StreamScanNextEvent);
}

void Wavelark::copyShownTag()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(tagMarquee->text());
    if (clipboard->supportsSelection())
        clipboard->setText(tagMarquee->text(), QClipboard::Selection);
}
