#include "device_tree.h"

#include <cstring>
#include <string_view>

namespace zel::search {

using namespace zel::platform;

std::string readProperty(DevInst node, std::uint32_t property) {
    std::uint32_t size = 0;
    cmGetDevNodeRegistryProperty(node, property, nullptr, size);
    if (size == 0) return {};
    std::string bytes(static_cast<std::size_t>(size) + 2, '\0');
    std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    if (cmGetDevNodeRegistryProperty(node, property, bytes.data(), length) != kCrSuccess) return {};
    return bytes;
}

std::string readText(DevInst node, std::uint32_t property) {
    const std::string bytes = readProperty(node, property);
    return std::string(bytes.c_str()); // up to the first zero
}

std::vector<std::string> readList(DevInst node, std::uint32_t property) {
    const std::string bytes = readProperty(node, property);
    std::vector<std::string> list;
    for (std::size_t at = 0; at < bytes.size() && bytes[at] != '\0';) {
        const std::size_t length = std::strlen(bytes.c_str() + at); // ends inside: two zeros follow
        list.emplace_back(bytes, at, length);
        at += length + 1;
    }
    return list;
}

std::string readInstanceSuffix(DevInst node) {
    char id[kDeviceIdBufferLength] = {};
    if (cmGetDeviceId(node, id, sizeof id) != kCrSuccess) return {};
    // An ID that fills the buffer exactly comes without a terminator: its last character counts.
    const std::string_view text(id, strnlen(id, sizeof id));
    const std::size_t slash = text.rfind('\\');
    return std::string(slash != std::string_view::npos ? text.substr(slash + 1) : text);
}

} // namespace zel::search
