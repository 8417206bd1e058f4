// The example configuration that the run command installs for a new user.
#include "ConfigFixture.h"

#include <map>
#include <utility>

namespace {

using ExampleConfig = ConfigFixture;

QByteArray exampleText()
{
    return readAllBytes(QStringLiteral(WAVELARK_EXAMPLE_CONFIG));
}

// The settings part of a file, up to the key-binding block.
QString settingsPart(const QString &text)
{
    return text.left(text.indexOf(QLatin1String("# Key bindings.")));
}

TEST_F(ExampleConfig, ReadsWithoutMessagesAndKeepsEverySettingAtItsDefault)
{
    const QByteArray example = exampleText();
    ASSERT_FALSE(example.isEmpty());
    // recordDirectory stays unset, so the window's default (the user's music
    // folder) holds on every machine.
    settings.recordDirectory = QStringLiteral("/home/someone/Music");
    ASSERT_TRUE(readText(example));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(settings.recordDirectory, QStringLiteral("/home/someone/Music"));
    settings.recordDirectory = WavelarkSettings{}.recordDirectory;

    const QString defaults = QString::fromUtf8(readAllBytes(WAVELARK_GOLDEN_DIR "/default.config"));
    ASSERT_FALSE(defaults.isEmpty());
    EXPECT_EQ(settingsPart(config.text()).toStdString(), settingsPart(defaults).toStdString());
}

TEST_F(ExampleConfig, EveryBindingLineNamesABinding)
{
    int bindingLines = 0;
    for (const QByteArray &raw : exampleText().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString key = line.section('=', 0, 0).trimmed();
        if (!key.startsWith(QLatin1String("key"), Qt::CaseInsensitive))
            continue;
        ++bindingLines;
        EXPECT_GE(KeyBindingTable::indexOf(key), 0) << raw.toStdString();
    }
    EXPECT_GT(bindingLines, 0);
}

TEST_F(ExampleConfig, NoTwoCommandsShareAKey)
{
    ASSERT_TRUE(readText(exampleText()));
    // keyUp and keyDown only move in lists, which never see the volume keys.
    auto sharesOnPurpose = [](int a, int b) {
        return (a == keyVolumeUp && b == keyUp) || (a == keyVolumeDown && b == keyDown);
    };
    std::map<std::pair<int, bool>, int> owner;
    for (int i = 0; i < KeyBindingCount; ++i) {
        const KeyBinding &b = config.bindings().binding(i);
        for (int e = 0; e < b.count; ++e) {
            const auto key =
                std::make_pair(int(b.entries[size_t(e)].keycode), b.entries[size_t(e)].modifier);
            const auto [it, added] = owner.emplace(key, i);
            EXPECT_TRUE(added || sharesOnPurpose(it->second, i))
                << KeyBindingTable::name(it->second) << " and " << KeyBindingTable::name(i)
                << " share key " << key.first << (key.second ? " (modified)" : "");
        }
    }
    // The modifier needs a key of its own, plain or modified.
    const int modifierKey = config.firstKeycode(keyModifier);
    ASSERT_NE(modifierKey, 0);
    int uses = 0;
    for (const auto &entry : owner)
        uses += entry.first.first == modifierKey ? 1 : 0;
    EXPECT_EQ(uses, 1);
}

} // namespace
