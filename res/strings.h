#pragma once
// The string tables of the two resource libraries, compiled from their .rc sources for
// builds that have no Windows resources (the simulated system reads them from here).
// Japanese strings are in code page 932, as LoadStringA returns them on Windows.

#include <cstdint>

namespace zel::res {

enum class Language { english, japanese };

// The text of string `id` of a library, or null when the library has no such string.
const char* uiString(Language language, std::uint32_t id);

} // namespace zel::res
