// The built-in machine: what the program runs on when no machine is given. A desktop
// PC whose system disk and CD-ROM drive hang off the board's own IDE controller, with
// an add-in Silicon Image SiI 3512 Serial ATA card carrying two disks and a DVD writer.
// Every disk is a basic disk with one NTFS partition; Windows is installed on C: (its
// directory C:\WINDOWS, boot.ini and pagefile.sys in the root), the program in
// C:\Program Files\ZelSATA, which is also its current directory.
//
// tools/machines/default.json describes the same PC as a machine file; keep the two equal.
#include "guard.h"

#include <zel/sim/machine.h>

namespace zel::sim {
namespace {

constexpr const char* kClassSystem = "{4D36E97D-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kClassComputer = "{4D36E966-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kClassHdc = "{4D36E96A-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kClassScsiAdapter = "{4D36E97B-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kClassDiskDrive = "{4D36E967-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kClassCdRom = "{4D36E965-E325-11CE-BFC1-08002BE10318}";

NodeRef disk(NodeRef node, const std::vector<std::string>& hardwareIds, const std::string& friendlyName,
             const std::string& pdo, std::uint32_t number) {
    return node.hardwareIds(hardwareIds)
        .description("Disk drive")
        .friendlyName(friendlyName)
        .service("disk")
        .className("DiskDrive")
        .classGuid(kClassDiskDrive)
        .pdoName(pdo)
        .disk(number);
}

NodeRef cdrom(NodeRef node, const std::vector<std::string>& hardwareIds, const std::string& friendlyName,
              const std::string& pdo, std::uint32_t number) {
    return node.hardwareIds(hardwareIds)
        .description("CD-ROM Drive")
        .friendlyName(friendlyName)
        .service("cdrom")
        .className("CDROM")
        .classGuid(kClassCdRom)
        .pdoName(pdo)
        .cdrom(number);
}

NodeRef ideChannel(NodeRef node, const std::string& description, const std::string& pdo) {
    return node.hardwareIds({"Internal_IDE_Channel"})
        .description(description)
        .service("atapi")
        .className("hdc")
        .classGuid(kClassHdc)
        .pdoName(pdo);
}

Machine build() {
    MachineBuilder b;
    NodeRef hal = b.root().child();
    hal.instanceId("ROOT\\ACPI_HAL\\0000")
        .hardwareIds({"acpiapic_up"})
        .description("ACPI Uniprocessor PC")
        .className("Computer")
        .classGuid(kClassComputer)
        .pdoName("\\Device\\00000001");
    NodeRef acpi = hal.child();
    acpi.instanceId("ACPI_HAL\\PNP0C08\\0")
        .hardwareIds({"ACPI_HAL\\PNP0C08", "*PNP0C08"})
        .description("Microsoft ACPI-Compliant System")
        .service("ACPI")
        .className("System")
        .classGuid(kClassSystem)
        .pdoName("\\Device\\00000003");
    NodeRef pci = acpi.child();
    pci.instanceId("ACPI\\PNP0A03\\0")
        .hardwareIds({"ACPI\\PNP0A03", "*PNP0A03"})
        .description("PCI bus")
        .service("pci")
        .className("System")
        .classGuid(kClassSystem)
        .pdoName("\\Device\\00000006");

    NodeRef ide = pci.child();
    ide.instanceId("PCI\\VEN_8086&DEV_24DB&SUBSYS_80A61043&REV_02\\3&267A616A&0&F9")
        .hardwareIds({"PCI\\VEN_8086&DEV_24DB&SUBSYS_80A61043&REV_02", "PCI\\VEN_8086&DEV_24DB&SUBSYS_80A61043",
                      "PCI\\VEN_8086&DEV_24DB&CC_01018A", "PCI\\VEN_8086&DEV_24DB&CC_0101"})
        .description("Intel(R) 82801EB Ultra ATA Storage Controllers - 24DB")
        .service("intelide")
        .className("hdc")
        .classGuid(kClassHdc)
        .pdoName("\\Device\\NTPNP_PCI0011");
    NodeRef primary = ide.child().instanceId("PCIIDE\\IDECHANNEL\\4&1F7DBC9F&0&0");
    ideChannel(primary, "Primary IDE Channel", "\\Device\\Ide\\IdePort0");
    disk(primary.child().instanceId("IDE\\DISKST3160023AS_____________________3.18____\\5&19C9FCAA&0&0.0.0"),
         {"IDE\\DiskST3160023AS_____________________3.18____", "IDE\\ST3160023AS_____________________3.18____",
          "IDE\\DiskST3160023AS_____________________", "ST3160023AS_____________________3.18____", "GenDisk"},
         "ST3160023AS", "\\Device\\Ide\\IdeDeviceP0T0L0-3", 0)
        .volume('C')
        .files({"boot.ini", "pagefile.sys"});
    NodeRef secondary = ide.child().instanceId("PCIIDE\\IDECHANNEL\\4&1F7DBC9F&0&1");
    ideChannel(secondary, "Secondary IDE Channel", "\\Device\\Ide\\IdePort1");
    cdrom(secondary.child().instanceId(
              "IDE\\CDROMHL-DT-ST_CD-ROM_GCR-8525B_______________1.02____\\5&2E7D3C1A&0&0.0.0"),
          {"IDE\\CdRomHL-DT-ST_CD-ROM_GCR-8525B_______________1.02____",
           "IDE\\HL-DT-ST_CD-ROM_GCR-8525B_______________1.02____",
           "IDE\\CdRomHL-DT-ST_CD-ROM_GCR-8525B_______________",
           "HL-DT-ST_CD-ROM_GCR-8525B_______________1.02____", "GenCdRom"},
          "HL-DT-ST CD-ROM GCR-8525B", "\\Device\\Ide\\IdeDeviceP1T0L0-e", 0)
        .volume('D');

    NodeRef card = pci.child();
    card.instanceId("PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01\\4&2B16EDB1&0&10F0")
        .hardwareIds({"PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01", "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095",
                      "PCI\\VEN_1095&DEV_3512&CC_018000", "PCI\\VEN_1095&DEV_3512&CC_0180"})
        .description("Silicon Image SiI 3512 SATALink Controller")
        .service("Si3112")
        .className("SCSIAdapter")
        .classGuid(kClassScsiAdapter)
        .pdoName("\\Device\\NTPNP_PCI0015");
    disk(card.child().instanceId("SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000"),
         {"SCSI\\DiskWDC_____WD800JD-00LSA0__06.0", "SCSI\\DiskWDC_____WD800JD-00LSA0__", "SCSI\\DiskWDC_____",
          "SCSI\\WDC_____WD800JD-00LSA0__0", "WDC_____WD800JD-00LSA0__0", "GenDisk"},
         "WDC WD800JD-00LSA0 SCSI Disk Device", "\\Device\\00000062", 1)
        .volume('E');
    disk(card.child().instanceId("SCSI\\DISK&VEN_MAXTOR&PROD_6Y160M0&REV_YAR5\\5&37E1B8A3&0&010"),
         {"SCSI\\DiskMaxtor__6Y160M0_________YAR5", "SCSI\\DiskMaxtor__6Y160M0_________", "SCSI\\DiskMaxtor__",
          "SCSI\\Maxtor__6Y160M0_________Y", "Maxtor__6Y160M0_________Y", "GenDisk"},
         "Maxtor 6Y160M0 SCSI Disk Device", "\\Device\\00000063", 2)
        .volume('F')
        .volume('G');
    cdrom(card.child().instanceId("SCSI\\CDROM&VEN__NEC&PROD_DVD_RW_ND-3540A&REV_1.01\\5&37E1B8A3&0&020"),
          {"SCSI\\CdRom_NEC____DVD_RW_ND-3540A_1.01", "SCSI\\CdRom_NEC____DVD_RW_ND-3540A_", "SCSI\\CdRom_NEC____",
           "SCSI\\_NEC____DVD_RW_ND-3540A_1", "_NEC____DVD_RW_ND-3540A_1", "GenCdRom"},
          "_NEC DVD_RW ND-3540A SCSI CdRom Device", "\\Device\\00000064", 1)
        .volume('H');
    return b.build();
}

} // namespace

Machine defaultMachine() noexcept {
    return detail::guarded(Machine{}, [] { return build(); });
}

} // namespace zel::sim
