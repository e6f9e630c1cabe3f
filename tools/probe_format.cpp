#include "probe_format.h"

#include <zel/text.h>

#include <cstring>
#include <string>

namespace zel::probe {
namespace {

// A text field: up to its terminator, never past its width.
template <std::size_t N>
std::string field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

const char* driveTypeName(std::uint8_t type) {
    switch (type) {
    case 3: return "fixed";
    case 5: return "CD-ROM";
    case 0: return "no letter";
    default: return "other";
    }
}

} // namespace

void printText(std::FILE* out, const SearchResult& r) {
    std::fprintf(out, "Search with selector 0x%02X: %d device(s), %zu host(s)\n", r.selector,
                 r.deviceCount, r.hosts.size());
    for (std::size_t i = 0; i < r.devices.size(); ++i) {
        const DeviceRecord& d = r.devices[i];
        std::fprintf(out, "\nDevice %zu\n", i);
        std::fprintf(out, "  device number            %u\n", d.deviceNumber);
        std::fprintf(out, "  drive type               %u (%s)\n", d.driveType, driveTypeName(d.driveType));
        std::fprintf(out, "  device path              %s\n", field(d.devicePath).c_str());
        std::fprintf(out, "  drive letters            %s\n", field(d.driveLetters).c_str());
        std::fprintf(out, "  friendly name            %s\n", field(d.friendlyName).c_str());
        std::fprintf(out, "  host description         %s\n", field(d.hostDescription).c_str());
        std::fprintf(out, "  parent hardware ID       %s\n", field(d.parentHardwareId).c_str());
        std::fprintf(out, "  grandparent hardware ID  %s\n", field(d.grandparentHardwareId).c_str());
        std::fprintf(out, "  device description       %s\n", field(d.deviceDescription).c_str());
        std::fprintf(out, "  hardware ID              %s\n", field(d.hardwareId).c_str());
        std::fprintf(out, "  instance suffix          %s\n", field(d.instanceSuffix).c_str());
        std::fprintf(out, "  physical device object   %s\n", field(d.pdoName).c_str());
    }
    for (std::size_t i = 0; i < r.hosts.size(); ++i) {
        const HostRecord& h = r.hosts[i];
        std::fprintf(out, "\nHost %zu\n", i);
        std::fprintf(out, "  hardware ID              %s\n", field(h.hardwareId).c_str());
        std::fprintf(out, "  description              %s\n", field(h.description).c_str());
        std::fprintf(out, "  physical device object   %s\n", field(h.pdoName).c_str());
    }
}

void printJson(std::FILE* out, const SearchResult& r) {
    std::fprintf(out, "{\n  \"selector\": %u,\n  \"deviceCount\": %d,\n  \"devices\": [", r.selector, r.deviceCount);
    for (std::size_t i = 0; i < r.devices.size(); ++i) {
        const DeviceRecord& d = r.devices[i];
        std::fprintf(out, "%s\n    {\"deviceNumber\": %u, \"driveType\": %u, \"devicePath\": %s, "
                          "\"driveLetters\": %s, \"friendlyName\": %s, \"hostDescription\": %s, "
                          "\"parentHardwareId\": %s, \"grandparentHardwareId\": %s, "
                          "\"deviceDescription\": %s, \"hardwareId\": %s, \"instanceSuffix\": %s, "
                          "\"pdoName\": %s}",
                     i == 0 ? "" : ",", d.deviceNumber, d.driveType, jsonQuoted(field(d.devicePath)).c_str(),
                     jsonQuoted(field(d.driveLetters)).c_str(), jsonQuoted(field(d.friendlyName)).c_str(),
                     jsonQuoted(field(d.hostDescription)).c_str(), jsonQuoted(field(d.parentHardwareId)).c_str(),
                     jsonQuoted(field(d.grandparentHardwareId)).c_str(), jsonQuoted(field(d.deviceDescription)).c_str(),
                     jsonQuoted(field(d.hardwareId)).c_str(), jsonQuoted(field(d.instanceSuffix)).c_str(),
                     jsonQuoted(field(d.pdoName)).c_str());
    }
    std::fprintf(out, "%s],\n  \"hosts\": [", r.devices.empty() ? "" : "\n  ");
    for (std::size_t i = 0; i < r.hosts.size(); ++i) {
        const HostRecord& h = r.hosts[i];
        std::fprintf(out, "%s\n    {\"hardwareId\": %s, \"description\": %s, \"pdoName\": %s}", i == 0 ? "" : ",",
                     jsonQuoted(field(h.hardwareId)).c_str(), jsonQuoted(field(h.description)).c_str(),
                     jsonQuoted(field(h.pdoName)).c_str());
    }
    std::fprintf(out, "%s]\n}\n", r.hosts.empty() ? "" : "\n  ");
}

} // namespace zel::probe
