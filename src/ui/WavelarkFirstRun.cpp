// The first run's playlist: the directory's top stations, shown as the
// search results are.
#include "Wavelark.h"

#include "DirectoryFetchRecord.h"
#include "WavelarkFirstRun.h"

#include <QTimer>

#include <atomic>

namespace {

std::atomic<bool> asksDirectory{true};

} // namespace

void setFirstRunAsksDirectory(bool on)
{
    asksDirectory = on;
}

bool firstRunAsksDirectory()
{
    return asksDirectory;
}

void Wavelark::showTopStations()
{
    if (!firstRunAsksDirectory())
        return;
    saveDirectoryPosition();
    currentGenre = shoutCast->searchGenre();
    if (!currentGenre)
        return;
    DirectoryFetchRecord *record = fetchRecordFor(currentGenre);
    {
        auto lock = shoutCast->lock();
        record->retries = 0;
        record->itemLimit = settings_.shoutCastMaxItems;
        record->savedIndex = 0;
    }
    // From the event loop: start-up keeps a link that comes up from acting
    // until it has finished (suppressAutoStart).
    QTimer::singleShot(0, this, [this] {
        if (linkId != -1)
            runDirectoryAction(3);
        else if (openLink(false))
            pendingDirectoryAction = 3;
    });
}

QString Wavelark::directoryErrorText(ShoutCastGenre *genre, const QString &error) const
{
    if (!genre || genre != shoutCast->searchGenre() || !shoutCast->holdsTopStations())
        return tr("SHOUTcast: ") + error;
    return tr("The station directory could not be reached, so there are no stations to "
              "play yet (%1). Open a station's address with File → Open URL, or a file with "
              "File → Open File.")
        .arg(error);
}
