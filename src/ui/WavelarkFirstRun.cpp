// Whether a first run asks the directory for its top stations
// (DirectoryPanel::showTopStations).
#include "WavelarkFirstRun.h"

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
