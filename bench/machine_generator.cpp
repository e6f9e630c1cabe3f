#include "machine_generator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zel::bench {

sim::Machine generateMachine(const MachineShape& shape) {
    const int disks = shape.disks;
    sim::MachineBuilder b;
    sim::NodeRef pci = b.root().child().instanceId("ACPI\\PNP0A03\\0").hardwareIds({"ACPI\\PNP0A03"}).description("PCI bus");
    const int cardNodes = 2 + disks;
    const int boardNodes = shape.systemDisk ? 2 : 0;
    const int fillers = shape.nodes - 2 - cardNodes - boardNodes;

    if (shape.systemDisk) {
        // Numbered past the 26 physical drives the search probes, as a board's own disk
        // behind a 26-disk array would be; it still owns C: and its start-up files.
        sim::NodeRef board = pci.child()
                                 .instanceId("PCI\\VEN_8086&DEV_24DB&SUBSYS_00000000&REV_02\\3&1")
                                 .hardwareIds({"PCI\\VEN_8086&DEV_24DB&CC_0101"})
                                 .description("Board IDE controller");
        board.child()
            .instanceId("IDE\\DISKSYSTEM\\5&0")
            .hardwareIds({"IDE\\DiskSystem", "GenDisk"})
            .friendlyName("SYSTEM DISK")
            .disk(26)
            .volume('C')
            .files({"boot.ini", "ntldr", "pagefile.sys"});
    }

    // Ordinary devices in a tree under the PCI bus, none with storage.
    std::vector<sim::NodeRef> parents{pci};
    char id[64];
    for (int i = 0; i < fillers; ++i) {
        sim::NodeRef parent = parents[static_cast<std::size_t>(i / (shape.fanOut > 0 ? shape.fanOut : 8))];
        std::snprintf(id, sizeof id, "PCI\\VEN_8086&DEV_%04X&SUBSYS_00000000&REV_01", i & 0xFFFF);
        parents.push_back(parent.child()
                              .instanceId(std::string(id) + "\\3&" + std::to_string(i))
                              .hardwareIds({id, "PCI\\CC_0C0300"})
                              .description("Ordinary device")
                              .service("generic"));
    }

    const std::string cardIds[] = {"PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01",
                                   "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01"};
    for (int c = 0; c < 2; ++c) {
        sim::NodeRef card = pci.child()
                                .instanceId(cardIds[c] + "\\4&" + std::to_string(c))
                                .hardwareIds({cardIds[c]})
                                .description("SATA card");
        for (int d = c; d < disks; d += 2) {
            sim::NodeRef disk = card.child()
                                    .instanceId("SCSI\\DISK\\5&" + std::to_string(d))
                                    .hardwareIds({"SCSI\\Disk", "GenDisk"})
                                    .friendlyName("DISK " + std::to_string(d))
                                    .disk(static_cast<std::uint32_t>(d));
            if (d < 23) disk.volume(static_cast<char>('D' + d));
        }
    }
    return b.build();
}

} // namespace zel::bench
