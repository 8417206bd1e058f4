#include "AdvancedPrefsPage.h"

#include "Wavelark.h"
#include "stream.h"

AdvancedPrefsPage::AdvancedPrefsPage(Wavelark &window) : PrefsPage(&window), window_(window)
{
    RadioStream &stream = *window.radioStream();
    const StreamSettings &s = stream.settings();
    // The size in use while a stream runs, else the one asked for.
    addSpin(tr("Inbuf:"), 1, 9999, tr("k"), int(stream.inBufSize() / 1024), [&stream](int k) {
        changeSetting(stream, &StreamSettings::inBufSize, unsigned(k) * 1024);
    });
    addSpin(tr("Outbuf:"), 1, 9999, tr("k"), int(s.outBufSize / 1024), [&stream](int k) {
        changeSetting(stream, &StreamSettings::outBufSize, unsigned(k) * 1024);
    });
    addSpin(tr("read interval:"), 50, 5000, tr("ms"), s.readInterval,
            [&stream](int ms) { changeSetting(stream, &StreamSettings::readInterval, ms); });
    addSpin(tr("decode interval:"), 0, 1000, tr("ms"), s.decodeInterval,
            [&stream](int ms) { changeSetting(stream, &StreamSettings::decodeInterval, ms); });
}

void AdvancedPrefsPage::onOk()
{
    window_.writeConfig();
}
