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
        return command->binding >= 0 && config->matches(command->binding, code, keyModifierArmed);
    };
    const auto &order = transport_->browseMode() ? browseOrder : commonOrder;
    if (stream->isPlaying() && scanIndicator->isBlinking() && !transport_->browseMode() &&
        config->isBound(code, keyModifierArmed) &&
        std::none_of(order.begin(), order.end(), [&matches](const WindowCommand *command) {
            return command->keepsScan && matches(command);
        })) {
        // Any other command ends scan mode instead of running.
        scanIndicator->setBlinking(false);
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
