#pragma once
// The settings store: values under one registry key of the local machine, read by exact
// (case-sensitive) name and written with an explicit kind.

#include <zel/platform/system.h>

#include <cstdint>

namespace zel::app {

inline constexpr const char* kSettingsKey = "Software\\Ondel\\ZelSATA\\Common";
inline constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run";
inline constexpr const char* kRunValueName = "ZelSATA";

// Value names under the settings key.
inline constexpr const char* kAutoRun = "AutoRun";
inline constexpr const char* kAutoUpDate = "AutoUpDate";
inline constexpr const char* kSearchCode = "SearchCode";
inline constexpr const char* kVersion = "Version";
inline constexpr const char* kHome = "Home";
inline constexpr const char* kDate = "Date";

// Kinds of WriteSetting.
enum SettingKind : int {
    SETTING_STRING = 1, // REG_SZ of `size` bytes
    SETTING_BYTE = 3,   // REG_BINARY of one byte
    SETTING_DWORD = 4,  // REG_DWORD of the first byte, zero-extended
};

// Copies `length` bytes of the value named exactly `name` into `destination`: its data,
// zero-padded. The destination is left untouched when the key cannot be opened, no
// value has that name with that case, or the value's data is longer than `length`.
void ReadSetting(platform::RegistryHive hive, const char* subKey, const char* name, void* destination,
                 std::uint32_t length);

// Creates or opens the key and writes one value of the kind (any kind other than
// SETTING_STRING and SETTING_DWORD writes as SETTING_BYTE). Failures are silent.
void WriteSetting(platform::RegistryHive hive, int kind, const char* subKey, const char* name, const void* data,
                  std::uint32_t size);

} // namespace zel::app
