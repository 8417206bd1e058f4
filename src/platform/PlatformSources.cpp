#include "PlatformSources.h"

#include "CallState.h"
#include "DesktopLinkManager.h"
#include "ScreenSaverDisplay.h"

namespace {

PlatformSourcesMaker &installedMaker()
{
    static PlatformSourcesMaker maker;
    return maker;
}

} // namespace

PlatformSources makePlatformSources(QObject *parent)
{
    if (installedMaker())
        return installedMaker()(parent);
    PlatformSources sources;
    sources.link = new DesktopLinkManager(parent);
    sources.call = std::make_unique<NoCallState>();
    sources.display = std::make_unique<ScreenSaverDisplay>();
    return sources;
}

void setPlatformSourcesMaker(PlatformSourcesMaker maker)
{
    installedMaker() = std::move(maker);
}
