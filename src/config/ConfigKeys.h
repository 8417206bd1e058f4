#pragma once

#include "WavelarkSettings.h"

#include <array>

// How a value is read from and written to the file.
enum class ValueType { Bool, Int, Long, KbSize, String, ProxyType, PortList, SearchList };

// Settings held by the stream engine, reached through its setters.
enum class StreamSetting {
    None,
    ConnectTimeout,
    InBufSize,
    OutBufSize,
    RecordBufSize,
    Proxy,
    AllowedProxyPorts,
    ProxyUsername,
    ProxyPassword,
    ProxyType,
    ReadInterval,
    DecodeInterval,
    FillOnEmpty,
    DecodeWait,
    SkipBadFiles,
    SoundsVolume
};

// One line of the settings table. Exactly one holder is set, except for
// soundsVolume, which both the main widget and the stream hold.
struct SettingKey
{
    const char *name;
    ValueType type;
    const char *comment;           // one or more lines, each ending in '\n'
    const char *example = nullptr; // written instead of an empty value
    int WavelarkSettings::*intField = nullptr;
    bool WavelarkSettings::*boolField = nullptr;
    QString WavelarkSettings::*stringField = nullptr;
    StreamSetting stream = StreamSetting::None;
};

inline constexpr int kSettingKeyCount = 54;
// In the order the file holds them.
extern const std::array<SettingKey, kSettingKeyCount> kSettingKeys;
