#include "InterfacePrefsPage.h"

#include "Wavelark.h"
#include "WavelarkMarquee.h"
#include "stream.h"

InterfacePrefsPage::InterfacePrefsPage(Wavelark &window) : PrefsPage(&window), window_(window)
{
    WavelarkSettings &s = window.settings();
    RadioStream &stream = *window.radioStream();
    addCheck(tr("Cycle playlist:"), s.cyclicPlayList, [&s](bool on) { s.cyclicPlayList = on; });
    addCheck(tr("Autoplay:"), s.autoPlay, [&s](bool on) { s.autoPlay = on; });
    addCheck(tr("Marquee:"), s.enableMarquee, [this, &s](bool on) {
        s.enableMarquee = on;
        window_.setMarqueeMode(on ? Wavelark::MarqueeScrolling : Wavelark::MarqueeStill);
    });
    addCheck(tr("Skip bad:"), stream.settings().skipBadFiles,
             [&stream](bool on) { changeSetting(stream, &StreamSettings::skipBadFiles, on); });
    // The volume heard at the next start; the one playing now stays.
    addSpin(tr("Volume:"), 0, 100, QString(), s.volume, [&s](int v) { s.volume = v; });
    addSpin(tr("Scan interval:"), 1, 999, QString(), s.scanInterval, [&s, &stream](int v) {
        s.scanInterval = v;
        stream.setScan(stream.isScanning(), v);
    });
    auto retime = [this] {
        window_.setMarqueeMode(window_.tagMarqueeWidget()->interval() != 0
                                   ? Wavelark::MarqueeScrolling
                                   : Wavelark::MarqueeStill);
    };
    addSpin(tr("Marquee interval:"), 1, 9999, tr("ms"), s.marqueeInterval, [&s, retime](int v) {
        s.marqueeInterval = v;
        retime();
    });
    addSpin(tr("Marquee sleep interval:"), 1, 9999, tr("ms"), s.marqueeSleepInterval,
            [&s, retime](int v) {
                s.marqueeSleepInterval = v;
                retime();
            });
    addSpin(tr("Playlist jump:"), 1, 9999, QString(), s.playListJump,
            [&s](int v) { s.playListJump = v; });
    addCheck(tr("Single pls:"), s.playListSingle, [&s](bool on) { s.playListSingle = on; });
    addCheck(tr("Favorites:"), s.loadFavorites, [&s](bool on) { s.loadFavorites = on; });
}

void InterfacePrefsPage::onOk()
{
    window_.setMarqueeMode(window_.settings().enableMarquee ? Wavelark::MarqueeScrolling
                                                            : Wavelark::MarqueeStill);
    window_.writeConfig();
}
