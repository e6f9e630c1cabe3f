#include "disk_guard.h"

#include <zel/platform/machine.h>

#include <cstring>
#include <vector>

namespace zel::app {

using namespace zel::platform;

namespace {

// The first call of each query pair only learns how many bytes the answer takes.
constexpr std::uint32_t kProbeBufferSize = 10240;

// Asks a layout query twice: for its size, then into a buffer of exactly that size.
// True with the answer's bytes (only those the call returned) when the second succeeds.
bool queryLayout(const DeviceHandle& disk, std::uint32_t code, std::vector<unsigned char>& answer) {
    std::vector<unsigned char> probe(kProbeBufferSize);
    std::uint32_t size = 0;
    deviceIoControl(disk, code, probe.data(), kProbeBufferSize, size);
    if (size > kProbeBufferSize) size = kProbeBufferSize;
    answer.assign(size, 0);
    std::uint32_t returned = 0;
    // An empty answer is no layout, whatever the call says.
    if (!deviceIoControl(disk, code, answer.data(), size, returned) || returned == 0) return false;
    if (returned < answer.size()) answer.resize(returned);
    return true;
}

std::uint32_t readU32(const std::vector<unsigned char>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// An MBR-style answer: offered unless the first slot is a dynamic-disk partition. An
// answer too short to hold a first entry has none, which is no dynamic partition.
int judgeMbr(const std::vector<unsigned char>& layout) {
    constexpr std::size_t typeAt = kLayoutFirstEntryOffset + kPartitionInfoTypeOffset;
    if (layout.size() <= typeAt) return 1;
    return layout[typeAt] == kPartitionLdm ? 0 : 1;
}

// An extended answer: MBR is offered; GPT only with the Microsoft reserved partition
// first (a GPT answer without a whole first entry is not); anything else is not.
int judgeExtended(const std::vector<unsigned char>& layout) {
    if (layout.size() < kLayoutExStyleOffset + 4) return 0;
    const std::uint32_t style = readU32(layout, kLayoutExStyleOffset);
    if (style == kPartitionStyleMbr) return 1;
    if (style != kPartitionStyleGpt) return 0;
    constexpr std::size_t typeAt = kLayoutExFirstEntryOffset + kPartitionInfoExGptTypeOffset;
    if (layout.size() < typeAt + sizeof(Guid)) return 0;
    return std::memcmp(layout.data() + typeAt, &kPartitionMsftReservedGuid, sizeof(Guid)) == 0 ? 1 : 0;
}

} // namespace

int IsBasicDiskLayout(const char* devicePath) {
    const QuietDriveProbes quiet;
    const DeviceHandle disk = openForRead(devicePath);
    if (!disk) return 0;
    std::vector<unsigned char> layout;
    if (queryLayout(disk, kIoctlDiskGetDriveLayout, layout)) return judgeMbr(layout);
    if (queryLayout(disk, kIoctlDiskGetDriveLayoutEx, layout)) return judgeExtended(layout);
    return 0;
}

int HasSystemFiles(char driveLetter) {
    static constexpr const char* kSystemFiles[] = {"c:\\boot.ini", "c:\\msdos.sys", "c:\\io.sys", "c:\\pagefile.sys"};
    const QuietDriveProbes quiet; // a card reader without media answers "not found"
    for (const char* file : kSystemFiles) {
        char path[32];
        std::strcpy(path, file);
        path[0] = driveLetter;
        if (fileExists(path)) return 1;
    }
    return 0;
}

} // namespace zel::app
