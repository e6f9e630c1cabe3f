#include "markers.h"

#include <string>

namespace zel::app {

using namespace zel::platform;

MutexHandle AcquireMarker(const char* name, bool* heldElsewhere) {
    OsVersion version;
    const bool windowsXp = getOsVersion(version) && version.major == 5 && version.minor == 1;
    const std::string objectName = windowsXp ? std::string("Global\\") + name : std::string(name);
    std::int32_t lastError = 0;
    MutexHandle marker = MutexHandle::create(objectName.c_str(), lastError);
    if (marker && lastError == kErrorAlreadyExists) marker.reset(); // someone else holds it
    if (heldElsewhere != nullptr) *heldElsewhere = !marker && lastError == kErrorAlreadyExists;
    return marker;
}

void ReleaseMarker(MutexHandle& marker) {
    if (!marker) return;
    marker.release();
    marker.reset();
}

} // namespace zel::app
