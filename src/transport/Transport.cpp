#include "Transport.h"

#include "PlayListItem.h"
#include "WavelarkSettings.h"
#include "stream.h"

Transport::Transport(RadioStream &stream, const WavelarkSettings &settings, FILE *log,
                     QObject *parent)
    : QObject(parent), stream_(stream), settings_(settings), log_(log)
{}

// Event sounds of the transport play to their end, once.
void Transport::play(const QString &file)
{
    stream_.playSound(file, false, false, 0);
}

bool Transport::activeIsPlaying()
{
    return !browseMode_ ||
           stream_.currentItem(Selection::Browse) == stream_.currentItem(Selection::Playing);
}

bool Transport::startPlayback()
{
    stream_.clearPlayed();
    resetRetries();
    return stream_.start();
}

void Transport::resetRetries()
{
    if (!activeIsPlaying())
        return;
    // The counter lives on the item and only the GUI thread touches it.
    if (PlayListItem *item = stream_.currentItem(Selection::Playing); item && item->retryCounter)
        item->retryCounter = 0;
}

void Transport::nextItem(bool automatic, bool scan)
{
    const bool byProgram = automatic || scan;
    const bool skipBad = stream_.settings().skipBadFiles;
    if (byProgram && repeatMode_ == RepeatEntry) {
        if (stream_.isBad(Selection::Playing)) {
            play(settings_.eofSound);
            stream_.stop();
        } else {
            play(settings_.repeatSound);
            stream_.restart();
        }
        return;
    }
    if (shuffle_ && (!browseMode_ || scan)) {
        shuffleNext(scan);
        return;
    }
    const Selection which = !byProgram && browseMode_ ? Selection::Browse : Selection::Playing;
    bool stepped = stream_.step(true, which);
    while (stepped && !browseMode_ && skipBad && stream_.isBad(Selection::Playing))
        stepped = stream_.step(true, which);

    if (byProgram) {
        bool wrapped = false;
        bool reached = stepped;
        if (!stepped) {
            const bool running = stream_.isPlaying();
            if ((repeatMode_ == RepeatAll && running) || (!running && settings_.cyclicPlayList)) {
                if (stream_.selectIndex(0, Selection::Playing) && skipBad &&
                    stream_.isBad(Selection::Playing))
                    stream_.step(true, Selection::Playing);
                if (stream_.currentItem(Selection::Playing)) {
                    play(settings_.repeatAllSound);
                    wrapped = reached = true;
                }
            } else {
                stream_.stop();
            }
        } else if (skipBad && stream_.isBad(Selection::Playing)) {
            stream_.step(true, Selection::Playing);
        }
        if (!reached)
            play(settings_.eofSound);
        else if (scan && !wrapped)
            play(settings_.scanSound);
    } else if (!stepped && !browseMode_) {
        if (!settings_.cyclicPlayList) {
            stream_.stop();
        } else if (stream_.selectIndex(0, Selection::Playing) && skipBad &&
                   stream_.isBad(Selection::Playing)) {
            stream_.step(true, Selection::Playing);
        }
    }
    lastShownItem_ = stream_.currentItem(which);
}

void Transport::itemEnded()
{
    nextItem(true, false);
    resetRetries();
}

void Transport::shuffleNext(bool scan)
{
    bool newCycle = false;
    const int index = stream_.shufflePick(newCycle);
    const bool running = stream_.isPlaying();
    if (newCycle && repeatMode_ != RepeatAll && running) {
        play(settings_.eofSound);
        stream_.stop();
        return;
    }
    if (running) {
        if (newCycle)
            play(settings_.repeatAllSound);
        if (scan)
            play(settings_.scanSound);
    }
    recallIndex_ = stream_.currentIndex(Selection::Playing);
    stream_.selectIndex(index, Selection::Playing);
    lastShownItem_ = stream_.currentItem(Selection::Playing);
}

Transport::ErrorOutcome Transport::streamError()
{
    PlayListItem *item = stream_.currentItem(Selection::Playing);
    if (!item || !stream_.isBad(Selection::Playing))
        return ErrorOutcome::NotFailed;
    if (!item->retryCounter)
        item->retryCounter = 0;
    if (!stream_.isLocal(Selection::Playing)) {
        const int n = ++*item->retryCounter;
        std::fprintf(log_, "RETRY %d/%d\n", n, settings_.streamRetries);
        std::fflush(log_);
        if (n < settings_.streamRetries) {
            play(settings_.retrySound);
            stream_.restart();
            return ErrorOutcome::Retrying;
        }
    }
    if (activeIsPlaying())
        item->retryCounter = 0;
    const bool running = stream_.isPlaying();
    if (running)
        play(settings_.streamErrorSound);
    if (running && stream_.settings().skipBadFiles) {
        nextItem(true, stream_.isScanning());
        resetRetries();
        return ErrorOutcome::Skipped;
    }
    stream_.stop();
    return ErrorOutcome::GaveUp;
}

QString Transport::activeError()
{
    QString text;
    stream_.inspectItem(browseMode_ ? Selection::Browse : Selection::Playing,
                        [&text](const PlayListItem *item) {
                            if (item)
                                text = item->error;
                        });
    return text;
}
