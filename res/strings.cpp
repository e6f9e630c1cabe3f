// The string tables of the two user-interface libraries, for builds without Windows
// resources. The table is generated at build time from the libraries' .rc sources.
#include "res/strings.h"

#include <ui_string_table.h>

#include <algorithm>
#include <iterator>

namespace zel::res {

const char* uiString(Language language, std::uint32_t id) {
    const auto* begin = std::begin(table::uiStrings);
    const auto* end = std::end(table::uiStrings);
    const auto* entry = std::lower_bound(begin, end, id, [](const table::UiStringEntry& e, std::uint32_t wanted) {
        return e.id < wanted;
    });
    if (entry == end || entry->id != id) {
        return nullptr;
    }
    return language == Language::japanese ? entry->japanese : entry->english;
}

} // namespace zel::res
