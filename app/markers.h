#pragma once
// Named markers: named mutexes created only to test for existence. Whoever holds the
// handle holds the marker; nobody waits on one or owns it.

#include <zel/platform/system.h>

namespace zel::app {

inline constexpr const char* kInstanceMarker = "ZelSATA";
inline constexpr const char* kRemoveMarker = "ZelDeviceRemove";
inline constexpr const char* kChangeMarker = "ZelDeviceChange";

// The marker's handle, or an empty handle when it already exists or cannot be created.
// On Windows XP (5.1) the name lives in the "Global\" namespace shared by all users.
// `heldElsewhere`, when given, tells the two empty answers apart: true when the marker
// already exists (another program holds it), false when it could not be created.
platform::MutexHandle AcquireMarker(const char* name, bool* heldElsewhere = nullptr);

// Gives the marker back (the release the system refuses, since nobody owns it, is
// harmless) and closes the handle.
void ReleaseMarker(platform::MutexHandle& marker);

} // namespace zel::app
