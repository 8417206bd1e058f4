// The window's preference pages: opened from the menu and the keys, built on
// their first opening, covering the window while shown.
#include "Wavelark.h"

#include "AdvancedPrefsPage.h"
#include "InterfacePrefsPage.h"
#include "NetworkPrefsPage.h"
#include "ShoutCastPrefsPage.h"
#include "SoundsPrefsPage.h"
#include "WavelarkConfig.h"

#include <QBoxLayout>
#include <QResizeEvent>

#include <cstring>

namespace {

PrefsPage *makePrefsPage(int kind, Wavelark &window)
{
    switch (kind) {
    case Wavelark::InterfacePrefs: return new InterfacePrefsPage(window);
    case Wavelark::NetworkPrefs: return new NetworkPrefsPage(window);
    case Wavelark::SoundsPrefs: return new SoundsPrefsPage(window);
    case Wavelark::AdvancedPrefs: return new AdvancedPrefsPage(window);
    default: return new ShoutCastPrefsPage(window);
    }
}

} // namespace

bool Wavelark::writeConfig()
{
    if (config_->write(configPath_))
        return true;
    // Standard error is not where a person at the window looks.
    showErrorDialog(configPath_ + QStringLiteral(": ") +
                        QString::fromLocal8Bit(std::strerror(config_->writeError())),
                    tr("Preferences"));
    return false;
}

void Wavelark::openPrefsPage(int kind)
{
    PrefsPage *&page = prefsPages_[size_t(kind)];
    if (!page)
        page = makePrefsPage(kind, *this);
    page->open();
}

void Wavelark::slotPrefsInterface()
{
    openPrefsPage(InterfacePrefs);
}

void Wavelark::slotPrefsNetwork()
{
    openPrefsPage(NetworkPrefs);
}

void Wavelark::slotPrefsSound()
{
    openPrefsPage(SoundsPrefs);
}

void Wavelark::slotPrefsAdvanced()
{
    openPrefsPage(AdvancedPrefs);
}

void Wavelark::slotPrefsShoutCast()
{
    openPrefsPage(ShoutCastPrefs);
}

void Wavelark::slotPrefsShoutCastFinalize()
{
    if (PrefsPage *page = prefsPages_[ShoutCastPrefs])
        page->finish(true);
}

void Wavelark::resizeEvent(QResizeEvent *event)
{
    MainWidget::resizeEvent(event);
    if (contentRow_)
        contentRow_->setDirection(width() < kListBesideWidth ? QBoxLayout::TopToBottom
                                                             : QBoxLayout::LeftToRight);
    for (PrefsPage *page : prefsPages_)
        if (page && page->isShown())
            page->place();
}

bool Wavelark::prefsPageShown() const
{
    for (const PrefsPage *page : prefsPages_)
        if (page && page->isShown())
            return true;
    return false;
}
