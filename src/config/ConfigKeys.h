#pragma once

#include "StreamSettings.h"
#include "WavelarkSettings.h"

#include <array>

// How a value is read from and written to the file.
enum class ValueType { Bool, Int, Long, KbSize, String, ProxyType, PortList, SearchList };

// One line of the settings table. Exactly one holder is set, except for
// soundsVolume, which both the main widget and the stream engine hold.
struct SettingKey
{
    const char *name;
    ValueType type;
    const char *comment;           // one or more lines, each ending in '\n'
    const char *example = nullptr; // written instead of an empty value
    int WavelarkSettings::*intField = nullptr;
    bool WavelarkSettings::*boolField = nullptr;
    QString WavelarkSettings::*stringField = nullptr;
    // The engine's settings (RadioStream::settings()).
    int StreamSettings::*streamInt = nullptr; // Int, ProxyType
    long StreamSettings::*streamLong = nullptr;
    unsigned StreamSettings::*streamSize = nullptr; // KbSize
    bool StreamSettings::*streamBool = nullptr;
    QString StreamSettings::*streamString = nullptr;
    QStringList StreamSettings::*streamList = nullptr; // PortList

    bool isStream() const
    {
        return streamInt || streamLong || streamSize || streamBool || streamString || streamList;
    }
};

inline constexpr int kSettingKeyCount = 56;
// In the order the file holds them.
extern const std::array<SettingKey, kSettingKeyCount> kSettingKeys;
