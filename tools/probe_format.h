#pragma once
// Printing search results, as readable text or as JSON.

#include "zelsearch.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace zel::probe {

struct SearchResult {
    std::uint32_t selector = 0;
    std::int32_t deviceCount = 0;
    std::vector<DeviceRecord> devices; // those whose valid field is 1
    std::vector<HostRecord> hosts;
};

void printText(std::FILE* out, const SearchResult& result);
void printJson(std::FILE* out, const SearchResult& result);

} // namespace zel::probe
