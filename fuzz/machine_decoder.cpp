#include "machine_decoder.h"

#include <zel/platform/machine.h>

#include <string>
#include <vector>

namespace zel::fuzz {
namespace {

using platform::StorageDeviceNumber;

// Kept small enough for thousands of searches a second, large enough for full tables.
constexpr std::size_t kMaxNodes = 240;

constexpr const char* kHardwareIds[] = {
    "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01", // adapters the host scan records
    "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01",
    "PCI\\VEN_1095&DEV_3512&SUBSYS_65121095&REV_02",
    "PCI\\VEN_1095&DEV_3124&SUBSYS_31241095&REV_03",
    "pci\\ven_1095&dev_3132&subsys_31321095&rev_01",
    "USB\\VID_5A45&PID_0101",
    "USB\\VID_0000&PID_0000",
    "1394\\025A45&0001",
    "1394\\025A45&0123",
    "1394\\025A45&0010",
    "PCMCIA\\ZELDATA-CBSC1-6E2A",
    "PCI\\VEN_9005&DEV_0010&SUBSYS_A1809005&REV_00",
    "PCI\\VEN_8086&DEV_24DB&CC_0101",
    "SCSI\\Disk",
    "GenDisk",
    "GenCdRom",
    "",
};

constexpr const char* kInstanceIds[] = {
    "SBP2\\ZELDATA&DISK\\025A4501DEADBEEF",
    "SBP2\\ZELDATA&DISK\\025A45020000000",
    "SBP2\\ZELDATA&DISK\\FFFFFFFF00000001",
    "SCSI\\DISK\\5&0",
    "PCI\\X\\",
    "NOBACKSLASH",
};

constexpr const char* kIdeClassGuid = "{4D36E96A-E325-11CE-BFC1-08002BE10318}";

std::string text(FuzzedDataProvider& in) {
    return in.ConsumeRandomLengthString(in.ConsumeBool() ? 40 : 400);
}

std::string hardwareId(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 3) == 0) return text(in);
    return in.PickValueInArray(kHardwareIds);
}

StorageDeviceNumber number(FuzzedDataProvider& in) {
    const std::uint32_t type = in.ConsumeBool() ? platform::kFileDeviceDisk : in.ConsumeIntegralInRange(0, 8);
    return {type, in.ConsumeIntegralInRange<std::uint32_t>(0, in.ConsumeBool() ? 30 : 300), 0};
}

sim::NodeRef pick(FuzzedDataProvider& in, sim::MachineBuilder& b) {
    const std::size_t count = b.machine().nodes.size();
    return b.node(static_cast<int>(in.ConsumeIntegralInRange<std::size_t>(0, count - 1)));
}

char letter(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange(0, 15) == 0 ? in.ConsumeIntegral<char>()
                                                  : static_cast<char>('A' + in.ConsumeIntegralInRange(0, 25));
}

void describe(FuzzedDataProvider& in, sim::NodeRef node) {
    const int idKind = in.ConsumeIntegralInRange(0, 3);
    if (idKind == 0) node.instanceId(text(in));
    else if (idKind == 1) node.instanceId(in.PickValueInArray(kInstanceIds));
    else node.instanceId("SIM\\NODE\\" + std::to_string(node.index()));

    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: break; // no hardware IDs
    case 1: node.property(platform::kCmDrpHardwareId, text(in)); break; // raw, maybe unterminated
    default: {
        std::vector<std::string> ids(in.ConsumeIntegralInRange<std::size_t>(1, 5));
        for (std::string& id : ids) id = hardwareId(in);
        node.hardwareIds(ids);
    }
    }
    if (in.ConsumeBool()) node.description(in.ConsumeBool() ? "CD-ROM Drive" : text(in));
    if (in.ConsumeBool()) node.friendlyName(text(in));
    if (in.ConsumeBool()) node.pdoName(text(in));
    if (in.ConsumeIntegralInRange(0, 3) == 0) {
        node.classGuid(in.ConsumeBool() ? std::string(kIdeClassGuid) : text(in));
        node.className(in.ConsumeBool() ? "hdc" : "HDCx");
        node.service(in.ConsumeBool() ? "atapi" : "ATAPI2");
    }
    if (in.ConsumeIntegralInRange(0, 7) == 0)
        node.property(in.PickValueInArray({platform::kCmDrpDeviceDesc, platform::kCmDrpFriendlyName,
                                           platform::kCmDrpPhysicalDeviceObjectName, platform::kCmDrpClassGuid}),
                      text(in)); // exact bytes, no terminator
    if (in.ConsumeIntegralInRange(0, 11) == 0)
        node.unreadable(in.PickValueInArray({platform::kCmDrpHardwareId, platform::kCmDrpDeviceDesc,
                                             platform::kCmDrpFriendlyName}));
}

void addStorage(FuzzedDataProvider& in, sim::NodeRef node) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: node.disk(in.ConsumeIntegralInRange<std::uint32_t>(0, 30)); break;
    case 1: node.cdrom(in.ConsumeIntegralInRange<std::uint32_t>(0, 30)); break;
    case 2:
        node.storageInterface(in.PickValueInArray({sim::InterfaceClass::disk, sim::InterfaceClass::cdrom,
                                                   sim::InterfaceClass::writeOnceDisk}),
                              number(in), in.ConsumeBool() ? std::string() : text(in));
        break;
    default: return;
    }
    // Bounded: an exhausted input answers every range with its lowest value.
    for (int v = 0; v < 4 && in.ConsumeIntegralInRange(0, 2) == 1; ++v)
        node.volume(letter(in), in.ConsumeBool() ? std::nullopt
                                                 : std::optional<std::uint32_t>(in.ConsumeIntegralInRange(0, 6)));
    if (in.ConsumeIntegralInRange(0, 5) == 0) {
        switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: node.layout(sim::Layout::raw()); break;
        case 1: node.layout(sim::Layout::gpt({platform::Guid{}})); break;
        default: {
            std::vector<std::uint8_t> types = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 9));
            node.layout(sim::Layout::mbr(types));
        }
        }
    }
    if (in.ConsumeIntegralInRange(0, 7) == 0) node.opensForRead(false);
}

} // namespace

DecodedMachine decodeMachine(FuzzedDataProvider& in) {
    DecodedMachine out;
    out.selector = in.ConsumeBool() ? 0x40 : in.ConsumeIntegral<std::int32_t>();
    if (in.ConsumeIntegralInRange(0, 4) == 0) {
        const auto op = static_cast<sim::Op>(in.ConsumeIntegralInRange<int>(1, static_cast<int>(sim::Op::count_) - 1));
        out.fault = sim::Fault{op, "", in.ConsumeIntegralInRange<std::uint32_t>(0, 200),
                               in.ConsumeIntegralInRange<std::uint32_t>(0, 3)};
    }

    sim::MachineBuilder b;
    while (in.remaining_bytes() > 0 && b.machine().nodes.size() < kMaxNodes) {
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 6: { // a run of disks (or drives) under one adapter, numbers stepping or repeating
            sim::NodeRef parent = pick(in, b);
            const int count = in.ConsumeIntegralInRange(1, 40);
            const std::uint32_t first = in.ConsumeIntegralInRange<std::uint32_t>(0, 30);
            const std::uint32_t step = in.ConsumeIntegralInRange<std::uint32_t>(0, 2);
            const bool cdrom = in.ConsumeIntegralInRange(0, 3) == 0;
            for (int i = 0; i < count && b.machine().nodes.size() < kMaxNodes; ++i) {
                sim::NodeRef child = parent.child();
                child.instanceId("SCSI\\DISK\\" + std::to_string(child.index())).hardwareIds({"SCSI\\Disk"});
                const std::uint32_t n = first + step * static_cast<std::uint32_t>(i);
                if (cdrom) child.description("CD-ROM Drive").cdrom(n);
                else child.disk(n);
            }
            break;
        }
        case 7: {
            const char l = letter(in);
            b.looseVolume(l, in.ConsumeIntegralInRange(0, 6),
                          in.ConsumeBool() ? std::optional<StorageDeviceNumber>(number(in)) : std::nullopt);
            break;
        }
        case 8: { // a stray device object: a physical drive or volume that belongs to nothing
            sim::DeviceObject object(in.ConsumeBool() ? "\\\\.\\PhysicalDrive" +
                                                            std::to_string(in.ConsumeIntegralInRange(0, 27))
                                                      : text(in),
                                     number(in), in.ConsumeIntegralInRange(0, 7) != 0,
                                     in.ConsumeIntegralInRange(0, 7) != 0);
            b.device(std::move(object));
            break;
        }
        case 9: addStorage(in, pick(in, b)); break;
        default: {
            sim::NodeRef node = pick(in, b).child();
            describe(in, node);
            addStorage(in, node);
        }
        }
    }
    out.machine = b.build();
    return out;
}

} // namespace zel::fuzz
