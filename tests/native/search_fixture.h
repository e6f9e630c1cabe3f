#pragma once
// Machines and helpers shared by the search tests.

#include "search_context.h"
#include "zelsearch.h"

#include <zel/sim/machine.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zel::test {

inline const std::string kSil3132 = "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01";
inline const std::string kSil3512 = "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01";
inline const std::string kPciBusId = "ACPI\\PNP0A03";
inline const std::string kIdeClassGuid = "{4D36E96A-E325-11CE-BFC1-08002BE10318}";

// A PC whose system disk (PhysicalDrive0, C:) hangs off the board's IDE channel.
struct Pc {
    sim::MachineBuilder builder;
    sim::NodeRef pci = builder.root().child();
    sim::NodeRef board = pci.child();
    sim::NodeRef channel = board.child();

    int cards = 0;

    Pc(const Pc&) = delete; // the node references point into this builder
    Pc() {
        pci.instanceId("ACPI\\PNP0A03\\0").hardwareIds({kPciBusId, "*PNP0A03"}).description("PCI bus");
        board.instanceId("PCI\\VEN_8086&DEV_24DB&SUBSYS_00000000&REV_02\\3&13C0B0C5&0&F9")
            .hardwareIds({"PCI\\VEN_8086&DEV_24DB&SUBSYS_00000000&REV_02", "PCI\\VEN_8086&DEV_24DB"})
            .description("Board IDE Controller")
            .classGuid(kIdeClassGuid)
            .className("hdc")
            .service("intelide");
        channel.instanceId("PCIIDE\\IDECHANNEL\\4&1F7E0E5C&0&0")
            .hardwareIds({"Internal_IDE_Channel"})
            .description("Primary IDE Channel")
            .classGuid(kIdeClassGuid)
            .className("hdc")
            .service("atapi");
        disk(channel, 0, "SYSTEM DISK").volume('C');
    }

    // A SATA card under the PCI bus whose first hardware ID is `id`.
    sim::NodeRef card(const std::string& id, const std::string& description = "SATA Controller") {
        const int serial = ++cards;
        return pci.child()
            .instanceId(id + "\\4&" + std::to_string(serial) + "&0&00E0")
            .hardwareIds({id, id.substr(0, id.find("&REV_")), "PCI\\VEN_1095&CC_010400"})
            .description(description)
            .pdoName("\\Device\\NTPNP_PCI00" + std::to_string(10 + serial));
    }

    static sim::NodeRef disk(sim::NodeRef parent, std::uint32_t number, const std::string& name) {
        const std::string serial = std::to_string(number);
        return parent.child()
            .instanceId("SCSI\\DISK&VEN_&PROD_" + name + "\\5&2A" + serial + "&0&00" + serial)
            .hardwareIds({"SCSI\\Disk" + name, "SCSI\\Disk", "GenDisk"})
            .description("Disk drive")
            .friendlyName(name)
            .pdoName("\\Device\\000000" + std::to_string(40 + number))
            .disk(number);
    }

    static sim::NodeRef cdrom(sim::NodeRef parent, std::uint32_t number, const std::string& name,
                              const std::string& description = "CD-ROM Drive") {
        return parent.child()
            .instanceId("SCSI\\CDROM&VEN_&PROD_" + name + "\\5&3B&0&0" + std::to_string(number))
            .hardwareIds({"SCSI\\CdRom" + name, "SCSI\\CdRom", "GenCdRom"})
            .description(description)
            .friendlyName(name)
            .pdoName("\\Device\\000000" + std::to_string(60 + number))
            .cdrom(number);
    }

    sim::Machine build() const { return builder.build(); }
};

// Runs one search on the installed machine.
inline std::unique_ptr<search::SearchContext> search(std::int32_t selector) {
    auto context = std::make_unique<search::SearchContext>();
    context->initialize(selector);
    return context;
}

// The records GetDeviceList gives for indexes 0 to 25 that are in use.
inline std::vector<DeviceRecord> devices(const search::SearchContext& context) {
    std::vector<DeviceRecord> records;
    for (int i = 0; i < kSearchTableSize; ++i) {
        DeviceRecord record{};
        context.readDevice(i, &record);
        if (record.valid == 1) records.push_back(record);
    }
    return records;
}

inline std::vector<HostRecord> hosts(const search::SearchContext& context) {
    std::vector<HostRecord> records;
    for (int i = 0; i < kSearchTableSize; ++i) {
        HostRecord record{};
        context.readHost(i, &record);
        if (record.valid == 1) records.push_back(record);
    }
    return records;
}

// The friendly names of the records, in order.
inline std::vector<std::string> names(const std::vector<DeviceRecord>& records) {
    std::vector<std::string> out;
    for (const DeviceRecord& r : records) out.emplace_back(r.friendlyName);
    return out;
}

} // namespace zel::test
