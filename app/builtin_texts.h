#pragma once
// The two start-up messages the program carries itself, because they are shown before
// any resource library is loaded.

#include <cstdint>

namespace zel::app {

struct BuiltinTexts {
    const char* alreadyRunning;
    const char* missingLibrary;
};

// The user's language is Japanese when the primary language of the default locale is.
inline bool isJapaneseLocale(std::uint32_t lcid) { return (lcid & 0x3FF) == 0x11; }

// English, or Japanese in code page 932.
const BuiltinTexts& builtinTexts(bool japanese);

} // namespace zel::app
