#include "own_version.h"

#include <zel/platform/version_info.h>

#include <string>

namespace zel::update {

bool ReadOwnVersionText(const char* name, char* buffer, std::size_t capacity) {
    const std::string query = std::string("\\StringFileInfo\\041104b0\\") + name;
    return platform::readVersionText(kOwnProgramFile, query.c_str(), buffer, capacity);
}

} // namespace zel::update
