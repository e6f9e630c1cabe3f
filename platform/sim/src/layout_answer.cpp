// Drive layouts as a disk of the time reports them: partitions of 8 GiB one after the
// other, the first MBR partition 63 sectors in, GPT partitions from the first usable
// sector. Only types, counts and styles matter to the program; the rest is filled in so
// that the answers read like real ones.
#include "layout_answer.h"

#include <zel/platform/disk_layout.h>

#include <algorithm>

namespace zel::sim::detail {
namespace {

namespace lay = platform::layout;

constexpr std::uint64_t kMbrFirstOffset = 63 * 512;
constexpr std::uint64_t kGptFirstOffset = 34 * 512;
constexpr std::uint64_t kPartitionLength = std::uint64_t{8} << 30;
constexpr std::uint32_t kSignature = 0x5A454C53;
constexpr std::uint32_t kGptMaxPartitions = 128;
constexpr platform::Guid kDiskId{0x5A454C53, 0x4449, 0x534B, {0x80, 0, 0, 0, 0, 0, 0, 1}};

void put(std::string& b, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putGuid(std::string& b, std::size_t at, const platform::Guid& g) {
    put(b, at, g.data1, 4);
    put(b, at + 4, g.data2, 2);
    put(b, at + 6, g.data3, 2);
    for (int i = 0; i < 8; ++i) b[at + 8 + i] = static_cast<char>(g.data4[i]);
}

// Extended-partition containers get no partition number and do not count as recognised.
bool container(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

// Windows reports every slot of the partition tables it read: four per table.
std::size_t mbrSlots(const Layout& l) { return std::max<std::size_t>(4, (l.mbrTypes.size() + 3) / 4 * 4); }

std::string driveLayout(const Layout& l) {
    const std::size_t count = mbrSlots(l);
    std::string b(platform::kLayoutFirstEntryOffset + count * platform::kPartitionInfoSize, '\0');
    put(b, lay::kCount, count, 4);
    put(b, lay::kSignature, kSignature, 4);
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < l.mbrTypes.size(); ++i) {
        const std::uint8_t type = l.mbrTypes[i];
        if (type == 0) continue;
        const std::size_t e = platform::kLayoutFirstEntryOffset + i * platform::kPartitionInfoSize;
        put(b, e + lay::kStartingOffset, kMbrFirstOffset + i * kPartitionLength, 8);
        put(b, e + lay::kLength, kPartitionLength - kMbrFirstOffset, 8);
        put(b, e + lay::kHiddenSectors, 63, 4);
        put(b, e + lay::kNumber, container(type) ? 0 : ++number, 4);
        b[e + platform::kPartitionInfoTypeOffset] = static_cast<char>(type);
        b[e + lay::kBootIndicator] = i == 0 ? 1 : 0;
        b[e + lay::kRecognized] = container(type) ? 0 : 1;
    }
    return b;
}

std::string driveLayoutEx(const Layout& l) {
    const std::size_t count = l.style == PartitionStyle::mbr   ? mbrSlots(l)
                              : l.style == PartitionStyle::gpt ? l.gptTypes.size()
                                                               : 0;
    std::string b(platform::kLayoutExFirstEntryOffset + count * platform::kPartitionInfoExSize, '\0');
    const std::uint32_t style = l.style == PartitionStyle::mbr   ? platform::kPartitionStyleMbr
                                : l.style == PartitionStyle::gpt ? platform::kPartitionStyleGpt
                                                                 : platform::kPartitionStyleRaw;
    put(b, platform::kLayoutExStyleOffset, style, 4);
    put(b, lay::kExCount, count, 4);
    if (l.style == PartitionStyle::mbr) {
        put(b, lay::kExMbrSignature, kSignature, 4);
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < l.mbrTypes.size(); ++i) {
            const std::uint8_t type = l.mbrTypes[i];
            const std::size_t e = platform::kLayoutExFirstEntryOffset + i * platform::kPartitionInfoExSize;
            if (type == 0) continue;
            put(b, e + lay::kExEntryStartingOffset, kMbrFirstOffset + i * kPartitionLength, 8);
            put(b, e + lay::kExEntryLength, kPartitionLength - kMbrFirstOffset, 8);
            put(b, e + lay::kExEntryNumber, container(type) ? 0 : ++number, 4);
            b[e + lay::kExEntryMbrType] = static_cast<char>(type);
            b[e + lay::kExEntryMbrBootIndicator] = i == 0 ? 1 : 0;
            b[e + lay::kExEntryMbrRecognized] = container(type) ? 0 : 1;
            put(b, e + lay::kExEntryMbrHiddenSectors, 63, 4);
        }
    } else if (l.style == PartitionStyle::gpt) {
        putGuid(b, lay::kExGptDiskId, kDiskId);
        put(b, lay::kExGptStartingUsableOffset, kGptFirstOffset, 8);
        put(b, lay::kExGptUsableLength, kGptMaxPartitions * kPartitionLength, 8);
        put(b, lay::kExGptMaxPartitionCount, kGptMaxPartitions, 4);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t e = platform::kLayoutExFirstEntryOffset + i * platform::kPartitionInfoExSize;
            put(b, e + lay::kExEntryStyle, platform::kPartitionStyleGpt, 4);
            put(b, e + lay::kExEntryStartingOffset, kGptFirstOffset + i * kPartitionLength, 8);
            put(b, e + lay::kExEntryLength, kPartitionLength, 8);
            put(b, e + lay::kExEntryNumber, i + 1, 4);
            putGuid(b, e + platform::kPartitionInfoExGptTypeOffset, l.gptTypes[i]);
            platform::Guid id = kDiskId;
            id.data4[7] = static_cast<std::uint8_t>(i + 2);
            putGuid(b, e + lay::kExEntryGptId, id);
        }
    }
    return b;
}

} // namespace

std::optional<LayoutAnswer> layoutAnswer(const Layout& layout, std::uint32_t code) {
    const bool extended = code == platform::kIoctlDiskGetDriveLayoutEx;
    const LayoutQuery& query = extended ? layout.driveLayoutEx : layout.driveLayout;
    // The old query describes MBR disks only.
    if (query.fails || (!extended && layout.style != PartitionStyle::mbr)) return std::nullopt;
    LayoutAnswer answer{extended ? driveLayoutEx(layout) : driveLayout(layout), 0};
    if (query.returned) {
        answer.bytes.resize(*query.returned, '\0');
        answer.needed = *query.returned;
    } else {
        const std::size_t minimum = extended ? platform::kDriveLayoutInfoExSize : platform::kDriveLayoutInfoSize;
        answer.needed = std::max(minimum, answer.bytes.size());
    }
    return answer;
}

} // namespace zel::sim::detail
