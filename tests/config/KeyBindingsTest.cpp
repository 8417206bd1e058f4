#include "ConfigFixture.h"

namespace {

using KeyBindings = ConfigFixture;

TEST_F(KeyBindings, NoLinesLeaveEveryBindingEmpty)
{
    ASSERT_TRUE(readText("volume = 50\n"));
    for (int i = 0; i < KeyBindingCount; ++i) {
        EXPECT_EQ(config.bindings().binding(i).count, 0);
        EXPECT_EQ(config.firstKeycode(i), 0);
    }
    EXPECT_FALSE(config.isBound(0, false));
    EXPECT_TRUE(config.text().contains("\n#keyMute =\n"));
}

TEST_F(KeyBindings, AFourthKeyIsDroppedSilently)
{
    ASSERT_TRUE(readText("keyMute = 1\nkeyMute = 2\nkeyMute = 3\nkeyMute = 4\n"));
    const KeyBinding &b = config.bindings().binding(keyMute);
    ASSERT_EQ(b.count, 3);
    EXPECT_EQ(b.entries[0].keycode, 1);
    EXPECT_EQ(b.entries[2].keycode, 3);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_FALSE(config.isBound(4, false));
}

TEST_F(KeyBindings, ModifiedAndPlainEntriesMatchOnlyInTheirState)
{
    ASSERT_TRUE(readText("keyPause = ^4100\nkeyPause = 4100\nkeyMute = 4101\n"));
    EXPECT_TRUE(config.matches(keyPause, 4100, true));
    EXPECT_TRUE(config.matches(keyPause, 4100, false));
    EXPECT_TRUE(config.matches(keyMute, 4101, false));
    EXPECT_FALSE(config.matches(keyMute, 4101, true));
    EXPECT_FALSE(config.isBound(4101, true));
    EXPECT_TRUE(config.isBound(4101, false));
    EXPECT_TRUE(config.text().contains("\nkeyPause = ^4100\nkeyPause = 4100\n"));
    EXPECT_EQ(config.firstKeycode(keyPause), 4100);
}

TEST_F(KeyBindings, KeycodesAreBaseTenLeadingDigits)
{
    ASSERT_TRUE(readText("keyUp = 0x1004\nkeyDown = 12abc\nkeySelect = abc\nkeyLeft = -3\n"
                         "keyRight = 99999999999\n"));
    EXPECT_EQ(config.firstKeycode(keyUp), 0);
    EXPECT_EQ(config.firstKeycode(keyDown), 12);
    EXPECT_EQ(config.firstKeycode(keySelect), 0);
    EXPECT_EQ(config.firstKeycode(keyLeft), -3);
    EXPECT_EQ(config.firstKeycode(keyRight), INT32_MAX);
}

TEST_F(KeyBindings, NamesIgnoreCaseAndKeepTheirOrder)
{
    ASSERT_TRUE(readText("KEYMUTE = 5\nkeyaddfavorite = 6\nKeyVolumeUp = 7\n"));
    EXPECT_EQ(config.firstKeycode(keyMute), 5);
    EXPECT_EQ(config.firstKeycode(keyAddFavorite), 6);
    EXPECT_EQ(config.firstKeycode(keyVolumeUp), 7);
    EXPECT_EQ(KeyBindingTable::indexOf("keyaddFAVORITE"), int(keyAddFavorite));
    EXPECT_EQ(KeyBindingTable::indexOf("keyNothing"), -1);
    EXPECT_STREQ(KeyBindingTable::name(keyPlayListPrevJump), "keyPlayListPrevJump");
}

TEST_F(KeyBindings, ThreeKeysReadBackInTheSameOrder)
{
    ASSERT_TRUE(readText("keyQuit = ^9\nkeyQuit = 8\nkeyQuit = ^7\n"));
    ASSERT_TRUE(config.write(configPath()));
    WavelarkSettings s2;
    RadioStream st2(nullptr, nullptr, 0);
    QStringList q2;
    WavelarkConfig c2(s2, st2, q2);
    ASSERT_TRUE(c2.read(configPath()));
    const KeyBinding &b = c2.bindings().binding(keyQuit);
    ASSERT_EQ(b.count, 3);
    EXPECT_TRUE(b.entries[0].modifier);
    EXPECT_EQ(b.entries[0].keycode, 9);
    EXPECT_FALSE(b.entries[1].modifier);
    EXPECT_EQ(b.entries[2].keycode, 7);
}

} // namespace
