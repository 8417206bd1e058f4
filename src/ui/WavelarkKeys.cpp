// Key presses: the configuration's bindings run the window's commands
// (WindowCommands.cpp).
#include "Wavelark.h"

#include "KeyBindings.h"
#include "WavelarkConfig.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QKeyEvent>

#include <algorithm>

#include <cstdio>

void Wavelark::keyPressEvent(QKeyEvent *event)
{
    const int code = event->key();
    // How a user finds the numbers to put in the configuration file.
    std::fprintf(stderr, "keyPressEvent: %d 0x%x\n", code, unsigned(code));
    // A preferences page covers the window: its keys are the page's.
    if (!stream_ || !config_ || prefsPageShown()) {
        event->ignore();
        return;
    }
    if (config_->matches(keyModifier, code, keyModifierArmed_)) {
        modifierIndicator_->setBlinking(true);
        keyModifierArmed_ = !keyModifierArmed_;
        keyModTimer_.start(3000);
        event->accept();
        return;
    }
    const bool handled = dispatchKey(code);
    // The modifier applies to one key, whatever that key did.
    keyModifierArmed_ = false;
    modifierIndicator_->setBlinking(false);
    keyModTimer_.stop();
    event->setAccepted(handled);
}

namespace {

// The commands whose binding runs them, in the order the keys try them.
std::vector<const WindowCommand *> keyOrder(std::span<const WindowCommand> commands, bool browse)
{
    const auto group = [&commands](int WindowCommand::*rank) {
        std::vector<const WindowCommand *> ranked;
        for (const WindowCommand &command : commands)
            if (command.*rank != 0)
                ranked.push_back(&command);
        std::stable_sort(ranked.begin(), ranked.end(),
                         [rank](auto *a, auto *b) { return a->*rank < b->*rank; });
        return ranked;
    };
    std::vector<const WindowCommand *> order;
    if (browse)
        order = group(&WindowCommand::browseRank);
    for (const WindowCommand *command : group(&WindowCommand::commonRank))
        order.push_back(command);
    return order;
}

} // namespace

bool Wavelark::dispatchKey(int code)
{
    static const std::vector<const WindowCommand *> browseOrder = keyOrder(commands(), true);
    static const std::vector<const WindowCommand *> commonOrder = keyOrder(commands(), false);
    const auto matches = [this, code](const WindowCommand *command) {
        return command->binding >= 0 && config_->matches(command->binding, code, keyModifierArmed_);
    };
    const auto &order = transport_->browseMode() ? browseOrder : commonOrder;
    if (stream_->isPlaying() && scanIndicator_->isBlinking() && !transport_->browseMode() &&
        config_->isBound(code, keyModifierArmed_) &&
        std::none_of(order.begin(), order.end(), [&matches](const WindowCommand *command) {
            return command->keepsScan && matches(command);
        })) {
        // Any other command ends scan mode instead of running.
        scanIndicator_->setBlinking(false);
        return true;
    }
    for (const WindowCommand *command : order) {
        if (matches(command)) {
            command->run(*this);
            return true;
        }
    }
    return false;
}

void Wavelark::toggleBrowseMode()
{
    transport_->setBrowseMode(!transport_->browseMode());
    postSelf(StreamTagsEvent);
    postSelf(StreamFormatEvent);
    postSelf(StreamProgressEvent);
    const Selection active = transport_->selection();
    stream_->startProbe(stream_->currentItem(active), active);
}

void Wavelark::showNextTag()
{
    tagMarquee_->nextPage();
    sortTagTimer_.start(2000);
    postSelf(TagShownEvent);
}

void Wavelark::showSort(bool reverse)
{
    if (reverse)
        transport_->reverseSort();
    else
        transport_->sortByNextTag();
    sortTagTimer_.start(2000);
    postSelf(SortShownEvent);
}

void Wavelark::playOrStop()
{
    if (!stream_->currentItem(Selection::Playing))
        return;
    if (!transport_->browseMode()) {
        slotStartStopStream(true);
        return;
    }
    scanIndicator_->setBlinking(false);
    transport_->playBrowsed();
    slotStartStopStream(false);
    // The next stream event redraws the header.
    transport_->setBrowseMode(false);
}

void Wavelark::pauseOrResume()
{
    if (stream_->isPlaying() || stream_->soundPlaying() != 0) {
        stream_->setPaused(!stream_->isPaused());
        return;
    }
    // A pause that a call made is the call's to end.
    if (stream_->isPaused() && !inCall_)
        stream_->setPaused(false);
    slotStartStopStream(!transport_->browseMode());
}

void Wavelark::scanToNext()
{
    if (!stream_->isPlaying()) {
        if (!stream_->isLocal(Selection::Playing) && linkId_ == -1) {
            if (openLink(false))
                scanIndicator_->setBlinking(true);
            return;
        }
        if (!startPlayback())
            return;
    }
    scanIndicator_->setBlinking(true);
    postSelf(StreamScanNextEvent);
}
