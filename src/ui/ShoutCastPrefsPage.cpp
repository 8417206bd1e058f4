#include "ShoutCastPrefsPage.h"

#include "DirectoryPanel.h"
#include "Wavelark.h"

ShoutCastPrefsPage::ShoutCastPrefsPage(Wavelark &window) : PrefsPage(&window), window_(window)
{
    WavelarkSettings &s = window.settings();
    addSpin(tr("Retries:"), 0, 999, QString(), s.shoutCastRetries,
            [&s](int n) { s.shoutCastRetries = n; });
    addSpin(tr("Max items:"), 0, 99999, QString(), s.shoutCastMaxItems,
            [&s](int n) { s.shoutCastMaxItems = n; });
    addButton(tr("Reset searches:"), tr("Reset"),
              [this] { window_.directoryPanel().clearSearches(); });
}

void ShoutCastPrefsPage::onOk()
{
    window_.directoryPanel().applyMaxItems();
    window_.writeConfig();
}
