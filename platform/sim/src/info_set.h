#pragma once
// What a DeviceInfoSet points to in the simulated machine: a snapshot of the elements
// (and, for an interface class, the interfaces) taken when the set was built, as Windows
// takes one. Shared by the interface calls and the device-installer calls.

#include <zel/platform/machine.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zel::sim::detail {

// The fault subject of the set of every present node.
inline constexpr const char* kAllClassesSubject = "all";

struct InfoSet {
    std::uint64_t serial;
    platform::Guid guid; // zero for the set of every present node
    std::string subject; // the class name fault rules match
    struct Entry {
        std::string path;
        platform::DevInst owner;
    };
    std::vector<Entry> interfaces;
    std::vector<platform::DevInst> elements;
};

inline const InfoSet* setOf(const platform::DeviceInfoSet& set) {
    return static_cast<const InfoSet*>(set.native());
}

inline std::string subjectOf(const platform::DeviceInfoSet& set) {
    return set ? setOf(set)->subject : std::string();
}

} // namespace zel::sim::detail
