// The Sounds preference page: the eight event sounds, their loops and
// their volume.
#include "Wavelark.h"

#include "PrefsPage.h"
#include "stream.h"

#include <QLineEdit>
#include <QSpinBox>

namespace {

// The fields in the page's order, each with its setting.
struct SoundRow
{
    const char *label;
    QString WavelarkSettings::*setting;
};

constexpr SoundRow kSoundRows[] = {
    {QT_TRANSLATE_NOOP("Wavelark", "Error sound:"), &WavelarkSettings::streamErrorSound},
    {QT_TRANSLATE_NOOP("Wavelark", "Scan sound:"), &WavelarkSettings::scanSound},
    {QT_TRANSLATE_NOOP("Wavelark", "Empty sound file:"), &WavelarkSettings::bufferEmptySound},
    {QT_TRANSLATE_NOOP("Wavelark", "Repeat:"), &WavelarkSettings::repeatSound},
    {QT_TRANSLATE_NOOP("Wavelark", "Repeat all:"), &WavelarkSettings::repeatAllSound},
    {QT_TRANSLATE_NOOP("Wavelark", "EOF:"), &WavelarkSettings::eofSound},
    {QT_TRANSLATE_NOOP("Wavelark", "Connecting:"), &WavelarkSettings::connectingSound},
    {QT_TRANSLATE_NOOP("Wavelark", "Retry:"), &WavelarkSettings::retrySound},
};
static_assert(std::size(kSoundRows) == 8);

} // namespace

void Wavelark::slotPrefsSound()
{
    if (!soundPage_)
        buildSoundPage();
    soundPage_->show();
}

void Wavelark::addSoundRow(PrefsPage &page, int index)
{
    const SoundRow &row = kSoundRows[index];
    soundFields_[size_t(index)] = page.addTextWithChooser(
        tr(row.label), settings_.*row.setting, QStringLiteral("FMMS_Personal_File_S"),
        [this, index] { selectSoundFile(index); });
}

void Wavelark::buildSoundPage()
{
    auto *page = new PrefsPage(this);
    WavelarkSettings &s = settings_;
    for (int i : {0, 1, 2})
        addSoundRow(*page, i);
    page->addCheck(tr("Loop:"), s.bufferEmptySoundLoop,
                   [this](bool on) { settings_.bufferEmptySoundLoop = on; });
    page->addSpin(tr("Loop interval:"), 0, 999, tr("s"), s.bufferEmptySoundInterval,
                  [this](int n) { settings_.bufferEmptySoundInterval = n; });
    for (int i : {3, 4, 5, 6})
        addSoundRow(*page, i);
    page->addCheck(tr("Loop:"), s.connectingSoundLoop,
                   [this](bool on) { settings_.connectingSoundLoop = on; });
    page->addSpin(tr("Loop interval:"), 0, 999, tr("s"), s.connectingSoundInterval,
                  [this](int n) { settings_.connectingSoundInterval = n; });
    page->addSpin(tr("Volume:"), 0, 100, QString(), s.soundsVolume, [this](int v) {
        settings_.soundsVolume = v;
        changeSetting(*stream, &StreamSettings::soundsVolume, v);
    });
    addSoundRow(*page, 7);
    connect(page, &PrefsPage::accepted, this, &Wavelark::slotPrefsSoundFinalize);
    connect(page, &PrefsPage::rejected, this, &Wavelark::slotPrefsSoundCancel);
    soundPage_ = page;
}

void Wavelark::selectSoundFile(int index)
{
    QLineEdit *field = soundFields_[size_t(index)];
    const QString text = field->text();
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString start = slash < 0 ? QString() : text.left(slash);
    const FileChoice choice = fileDialog(tr("Open filename:"), QStringLiteral("*"), 0, start);
    if (!choice.cancelled)
        field->setText(choice.path);
}

void Wavelark::slotPrefsSoundFinalize()
{
    soundPage_->hide();
    for (size_t i = 0; i < std::size(kSoundRows); ++i)
        settings_.*kSoundRows[i].setting = soundFields_[i]->text();
    writeConfig();
}

void Wavelark::slotPrefsSoundCancel()
{
    soundPage_->hide();
    for (size_t i = 0; i < std::size(kSoundRows); ++i)
        soundFields_[i]->setText(settings_.*kSoundRows[i].setting);
}
