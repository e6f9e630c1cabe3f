// The removal worker: looks the entry up, hands it to the removal engine and reports.
#include "removal_worker.h"

#include "inventory.h"
#include "removal_engine.h"
#include "remove_progress_dlg.h"
#include "zelsata_app.h"

#include <zel/platform/holders.h>
#include <zel/text.h>

#include <cstring>
#include <string>

namespace zel::app {
namespace {

// The engine answers 0 when it could not list the present devices: for the window that
// would mean "still running" for ever, so it counts as a failure.
std::int32_t outcome(int answer) { return answer == kRemovalDone ? kRemovalDone : kRemovalFailed; }

std::int32_t removeDevice(const InventoryEntry& entry, RemovalFailure& failure) {
    // Own copies: the identifiers must hold even should the entry change meanwhile.
    char hardwareId[128] = {};
    char pdoName[128] = {};
    std::strncpy(hardwareId, entry.hardwareId, sizeof hardwareId - 1);
    std::strncpy(pdoName, entry.pdoName, sizeof pdoName - 1);
    const char letter = entry.driveLetters[0];
    const std::string letters(fieldText(entry.driveLetters));
    const std::int32_t result = outcome(RemoveDeviceNode(kKindDevice, hardwareId, letter, pdoName, &failure.restartNeeded));
    // Which programs keep the drive in use, asked only once the removal has failed: the
    // search duplicates every handle of the system and takes its time.
    if (result == kRemovalFailed && !letters.empty()) {
        failure.holdersAsked = true;
        failure.holders = platform::findFileHolders(letters);
    }
    return result;
}

// A host adapter is gone when its node was removed and a second walk finds no node of
// it left to remove.
std::int32_t removeHostAdapter(const InventoryEntry& entry) {
    if (outcome(RemoveDeviceNode(kKindHost, entry.hardwareId, 0, entry.pdoName)) != kRemovalDone)
        return kRemovalFailed;
    const int again = RemoveDeviceNode(kKindHost, entry.hardwareId, 0, entry.pdoName);
    return again == kRemovalFailed ? kRemovalDone : kRemovalFailed;
}

std::int32_t removeEntry(std::uint8_t index, RemovalFailure& failure) {
    const CZelSATAApp* app = currentApp();
    if (app == nullptr || index >= kInventorySize) return kRemovalFailed;
    const InventoryEntry& entry = app->inventory().entries[index];
    switch (entry.kind) {
    case kKindDevice:
        return removeDevice(entry, failure);
    case kKindHost:
        return removeHostAdapter(entry);
    default:
        return kRemovalFailed; // nothing that could be removed: the window must still close
    }
}

} // namespace

std::uint32_t RemovalWorker(void* progressWindow) {
    auto& window = *static_cast<CRemoveProgressDlg*>(progressWindow);
    window.Result().store(kRemovalRunning);
    window.Failure() = RemovalFailure{};
    window.Result().store(removeEntry(window.EntryIndex(), window.Failure()));
    return 0;
}

} // namespace zel::app
