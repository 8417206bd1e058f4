// The Interface, Advanced and SHOUTcast preference pages, and what every
// page shares: writing the configuration on OK and following the window.
#include "Wavelark.h"

#include "DirectoryFetchRecord.h"
#include "PrefsPage.h"
#include "WavelarkConfig.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "shoutCast.h"
#include "stream.h"

#include <QCheckBox>
#include <QResizeEvent>
#include <QSpinBox>

#include <cstring>

bool Wavelark::writeConfig()
{
    if (config->write(configPath))
        return true;
    // Standard error is not where a person at the window looks.
    showErrorDialog(configPath + QStringLiteral(": ") +
                        QString::fromLocal8Bit(std::strerror(config->writeError())),
                    tr("Preferences"));
    return false;
}

void Wavelark::resizeEvent(QResizeEvent *event)
{
    MainWidget::resizeEvent(event);
    for (PrefsPage *page :
         {interfacePage_, networkPage_, soundPage_, advancedPage_, shoutCastPage_})
        if (page && page->isShown())
            page->place();
}

void Wavelark::slotPrefsInterface()
{
    if (!interfacePage_)
        buildInterfacePage();
    interfacePage_->show();
}

void Wavelark::buildInterfacePage()
{
    auto *page = new PrefsPage(this);
    WavelarkSettings &s = settings_;
    page->addCheck(tr("Cycle playlist:"), s.cyclicPlayList,
                   [this](bool on) { settings_.cyclicPlayList = on; });
    page->addCheck(tr("Autoplay:"), s.autoPlay, [this](bool on) { settings_.autoPlay = on; });
    page->addCheck(tr("Marquee:"), s.enableMarquee, [this](bool on) {
        settings_.enableMarquee = on;
        setMarqueeMode(on ? 2 : 0);
    });
    page->addCheck(tr("Skip bad:"), stream->settings().skipBadFiles,
                   [this](bool on) { changeSetting(*stream, &StreamSettings::skipBadFiles, on); });
    // The volume heard at the next start; the one playing now stays.
    page->addSpin(tr("Volume:"), 0, 100, QString(), s.volume,
                  [this](int v) { settings_.volume = v; });
    page->addSpin(tr("Scan interval:"), 1, 999, QString(), s.scanInterval, [this](int v) {
        settings_.scanInterval = v;
        stream->setScan(stream->isScanning(), v);
    });
    auto retime = [this] { setMarqueeMode(tagMarquee->interval() != 0 ? 2 : 0); };
    page->addSpin(tr("Marquee interval:"), 1, 9999, tr("ms"), s.marqueeInterval,
                  [this, retime](int v) {
                      settings_.marqueeInterval = v;
                      retime();
                  });
    page->addSpin(tr("Marquee sleep interval:"), 1, 9999, tr("ms"), s.marqueeSleepInterval,
                  [this, retime](int v) {
                      settings_.marqueeSleepInterval = v;
                      retime();
                  });
    page->addSpin(tr("Playlist jump:"), 1, 9999, QString(), s.playListJump,
                  [this](int v) { settings_.playListJump = v; });
    page->addCheck(tr("Single pls:"), s.playListSingle,
                   [this](bool on) { settings_.playListSingle = on; });
    page->addCheck(tr("Favorites:"), s.loadFavorites,
                   [this](bool on) { settings_.loadFavorites = on; });
    connect(page, &PrefsPage::accepted, this, &Wavelark::slotPrefsInterfaceFinalize);
    connect(page, &PrefsPage::rejected, this, &Wavelark::slotPrefsInterfaceCancel);
    interfacePage_ = page;
}

void Wavelark::slotPrefsInterfaceFinalize()
{
    interfacePage_->hide();
    setMarqueeMode(settings_.enableMarquee ? 2 : 0);
    writeConfig();
}

void Wavelark::slotPrefsInterfaceCancel()
{
    interfacePage_->hide();
}

void Wavelark::slotPrefsAdvanced()
{
    if (!advancedPage_) {
        auto *page = new PrefsPage(this);
        // The size in use while a stream runs, else the one asked for.
        page->addSpin(tr("Inbuf:"), 1, 9999, tr("k"), int(stream->inBufSize() / 1024),
                      [this](int k) {
                          changeSetting(*stream, &StreamSettings::inBufSize, unsigned(k) * 1024);
                      });
        page->addSpin(tr("Outbuf:"), 1, 9999, tr("k"), int(stream->settings().outBufSize / 1024),
                      [this](int k) {
                          changeSetting(*stream, &StreamSettings::outBufSize, unsigned(k) * 1024);
                      });
        page->addSpin(
            tr("read interval:"), 50, 5000, tr("ms"), stream->settings().readInterval,
            [this](int ms) { changeSetting(*stream, &StreamSettings::readInterval, ms); });
        page->addSpin(
            tr("decode interval:"), 0, 1000, tr("ms"), stream->settings().decodeInterval,
            [this](int ms) { changeSetting(*stream, &StreamSettings::decodeInterval, ms); });
        connect(page, &PrefsPage::accepted, this, &Wavelark::slotPrefsAdvancedFinalize);
        connect(page, &PrefsPage::rejected, this, &Wavelark::slotPrefsAdvancedCancel);
        advancedPage_ = page;
    }
    advancedPage_->show();
}

void Wavelark::slotPrefsAdvancedFinalize()
{
    advancedPage_->hide();
    writeConfig();
}

void Wavelark::slotPrefsAdvancedCancel()
{
    advancedPage_->hide();
}

void Wavelark::slotPrefsShoutCast()
{
    if (!shoutCastPage_) {
        auto *page = new PrefsPage(this);
        page->addSpin(tr("Retries:"), 0, 999, QString(), settings_.shoutCastRetries,
                      [this](int n) { settings_.shoutCastRetries = n; });
        page->addSpin(tr("Max items:"), 0, 99999, QString(), settings_.shoutCastMaxItems,
                      [this](int n) { settings_.shoutCastMaxItems = n; });
        page->addButton(tr("Reset searches:"), tr("Reset"),
                        [this] { slotClearShoutCastSearches(); });
        connect(page, &PrefsPage::accepted, this, &Wavelark::slotPrefsShoutCastFinalize);
        connect(page, &PrefsPage::rejected, this, &Wavelark::slotPrefsShoutCastCancel);
        shoutCastPage_ = page;
    }
    shoutCastPage_->show();
}

void Wavelark::slotClearShoutCastSearches()
{
    recentSearches_.clear();
    recentSearchesList->clear();
    recentSearchesList->addItem(tr("Recent searches"));
    writeConfig();
}

// Also the fetches already running stop at the new limit.
void Wavelark::applyMaxItemsToGenres()
{
    shoutCast->setStationLimit(settings_.shoutCastMaxItems);
    auto lock = shoutCast->lock();
    for (int i = 0; i < shoutCast->genreCount(); ++i) {
        ShoutCastGenre *genre = shoutCast->genreAt(i);
        if (genre && genre->fetchRecord)
            genre->fetchRecord->itemLimit = settings_.shoutCastMaxItems;
    }
}

void Wavelark::slotPrefsShoutCastFinalize()
{
    shoutCastPage_->hide();
    applyMaxItemsToGenres();
    writeConfig();
}

void Wavelark::slotPrefsShoutCastCancel()
{
    shoutCastPage_->hide();
}

bool Wavelark::prefsPageShown() const
{
    for (const PrefsPage *page :
         {interfacePage_, networkPage_, soundPage_, advancedPage_, shoutCastPage_})
        if (page && page->isShown())
            return true;
    return false;
}
