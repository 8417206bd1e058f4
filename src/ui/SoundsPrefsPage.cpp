#include "SoundsPrefsPage.h"

#include "Wavelark.h"
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
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Error sound:"), &WavelarkSettings::streamErrorSound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Scan sound:"), &WavelarkSettings::scanSound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Empty sound file:"),
     &WavelarkSettings::bufferEmptySound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Repeat:"), &WavelarkSettings::repeatSound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Repeat all:"), &WavelarkSettings::repeatAllSound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "EOF:"), &WavelarkSettings::eofSound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Connecting:"), &WavelarkSettings::connectingSound},
    {QT_TRANSLATE_NOOP("SoundsPrefsPage", "Retry:"), &WavelarkSettings::retrySound},
};
static_assert(std::size(kSoundRows) == 8);

} // namespace

SoundsPrefsPage::SoundsPrefsPage(Wavelark &window) : PrefsPage(&window), window_(window)
{
    WavelarkSettings &s = window.settings();
    RadioStream &stream = *window.radioStream();
    for (int i : {0, 1, 2})
        addSoundRow(i);
    addCheck(tr("Loop:"), s.bufferEmptySoundLoop, [&s](bool on) { s.bufferEmptySoundLoop = on; });
    addSpin(tr("Loop interval:"), 0, 999, tr("s"), s.bufferEmptySoundInterval,
            [&s](int n) { s.bufferEmptySoundInterval = n; });
    for (int i : {3, 4, 5, 6})
        addSoundRow(i);
    addCheck(tr("Loop:"), s.connectingSoundLoop, [&s](bool on) { s.connectingSoundLoop = on; });
    addSpin(tr("Loop interval:"), 0, 999, tr("s"), s.connectingSoundInterval,
            [&s](int n) { s.connectingSoundInterval = n; });
    addSpin(tr("Volume:"), 0, 100, QString(), s.soundsVolume, [&s, &stream](int v) {
        s.soundsVolume = v;
        changeSetting(stream, &StreamSettings::soundsVolume, v);
    });
    addSoundRow(7);
}

void SoundsPrefsPage::addSoundRow(int index)
{
    const SoundRow &row = kSoundRows[index];
    fields_[size_t(index)] = addTextWithChooser(tr(row.label), window_.settings().*row.setting,
                                                QStringLiteral("FMMS_Personal_File_S"),
                                                [this, index] { selectSoundFile(index); });
}

void SoundsPrefsPage::selectSoundFile(int index)
{
    QLineEdit *field = fields_[size_t(index)];
    const QString text = field->text();
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString start = slash < 0 ? QString() : text.left(slash);
    const Wavelark::FileChoice choice =
        window_.fileDialog(tr("Open filename:"), QStringLiteral("*"), ChooseFile, start);
    if (!choice.cancelled)
        field->setText(choice.path);
}

void SoundsPrefsPage::onOk()
{
    for (size_t i = 0; i < std::size(kSoundRows); ++i)
        window_.settings().*kSoundRows[i].setting = fields_[i]->text();
    window_.writeConfig();
}

void SoundsPrefsPage::onCancel()
{
    for (size_t i = 0; i < std::size(kSoundRows); ++i)
        fields_[i]->setText(window_.settings().*kSoundRows[i].setting);
}
