// Version, user locale, string resources and Sleep answered from the simulated system.
#include "guard.h"
#include "module.h"
#include "state.h"

#include <cstring>
#include <string>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;

// A lead byte of a two-byte character in code page 932.
bool leadByte932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// How many bytes of `text` fit into `room` without splitting a two-byte character, as
// Windows converts a string resource into a short ANSI buffer.
std::size_t fitting(const char* text, std::size_t room, bool japanese) {
    std::size_t at = 0;
    while (text[at] != '\0') {
        const std::size_t width =
            japanese && leadByte932(static_cast<unsigned char>(text[at])) && text[at + 1] != '\0' ? 2 : 1;
        if (at + width > room) break;
        at += width;
    }
    return at;
}

const char* stringOf(const sim::detail::Module& module, std::uint32_t id) {
#if defined(ZELSIM_HAVE_RES_STRINGS)
    // String resources are numbered with 16 bits; LoadStringA ignores the rest.
    return res::uiString(module.language, id & 0xFFFF);
#else
    static_cast<void>(module);
    static_cast<void>(id);
    return nullptr;
#endif
}

} // namespace

bool getOsVersion(OsVersion& version) {
    return guarded(false, [&] {
        Call call(Op::getVersion);
        if (call.fails("")) return false;
        version = call.machine().system.version;
        return true;
    });
}

// GetUserDefaultLCID cannot fail on Windows; an injected fault answers 0 (the neutral
// language), which no language test takes for Japanese.
std::uint32_t getUserDefaultLcid() {
    return guarded(std::uint32_t{0}, [&] {
        Call call(Op::getUserDefaultLcid);
        if (call.fails("")) return std::uint32_t{0};
        return call.machine().system.lcid;
    });
}

bool isAdministrator() {
    return guarded(true, [&] {
        Call call(Op::checkTokenMembership);
        if (call.fails("")) return true;
        return call.machine().system.administrator;
    });
}

int loadString(const Library& module, std::uint32_t id, char* buffer, int size) {
    return guarded(0, [&] {
        Call call(Op::loadString);
        const auto* m = static_cast<const sim::detail::Module*>(module.native());
        const bool failed = call.fails((m != nullptr ? m->file : std::string()) + "|" + std::to_string(id));
        if (buffer == nullptr || size <= 0) return 0;
        const char* text = failed || m == nullptr || !m->resource ? nullptr : stringOf(*m, id);
        const bool japanese = m != nullptr && m->language == res::Language::japanese;
        const std::size_t length = text == nullptr ? 0 : fitting(text, static_cast<std::size_t>(size) - 1, japanese);
        if (length > 0) std::memcpy(buffer, text, length);
        buffer[length] = '\0';
        return static_cast<int>(length);
    });
}

// Returns at once: the wait is only recorded on the virtual clock, so tests never sleep.
void sleepMilliseconds(std::uint32_t milliseconds) {
    guarded(false, [&] {
        Call call(Op::sleep);
        call.state().slept += milliseconds;
        return true;
    });
}

} // namespace zel::platform
