#pragma once
// The SATA card's three devices of the built-in machine, as machine-file nodes to plug
// from outside: the card itself stands empty in tools/machines/empty-card.json.

namespace zel::test {

inline constexpr const char* kCard = "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01\\4&2B16EDB1&0&10F0";

// A disk with E:.
inline constexpr const char* kWdcDisk =
    R"({"instanceId": "SCSI\\DISK&VEN_WDC&PROD_WD800JD-00LSA0&REV_06.0\\5&37E1B8A3&0&000", "hardwareIds": ["SCSI\\DiskWDC_____WD800JD-00LSA0__06.0", "SCSI\\DiskWDC_____WD800JD-00LSA0__", "SCSI\\DiskWDC_____", "SCSI\\WDC_____WD800JD-00LSA0__0", "WDC_____WD800JD-00LSA0__0", "GenDisk"], "description": "Disk drive", "friendlyName": "WDC WD800JD-00LSA0 SCSI Disk Device", "service": "disk", "class": "DiskDrive", "classGuid": "{4D36E967-E325-11CE-BFC1-08002BE10318}", "pdoName": "\\Device\\00000062", "disk": 1, "volumes": ["E:"]})";

// A disk with F: and G:.
inline constexpr const char* kMaxtorDisk =
    R"({"instanceId": "SCSI\\DISK&VEN_MAXTOR&PROD_6Y160M0&REV_YAR5\\5&37E1B8A3&0&010", "hardwareIds": ["SCSI\\DiskMaxtor__6Y160M0_________YAR5", "SCSI\\DiskMaxtor__6Y160M0_________", "SCSI\\DiskMaxtor__", "SCSI\\Maxtor__6Y160M0_________Y", "Maxtor__6Y160M0_________Y", "GenDisk"], "description": "Disk drive", "friendlyName": "Maxtor 6Y160M0 SCSI Disk Device", "service": "disk", "class": "DiskDrive", "classGuid": "{4D36E967-E325-11CE-BFC1-08002BE10318}", "pdoName": "\\Device\\00000063", "disk": 2, "volumes": ["F:", "G:"]})";

// A DVD writer with H:.
inline constexpr const char* kNecDvd =
    R"({"instanceId": "SCSI\\CDROM&VEN__NEC&PROD_DVD_RW_ND-3540A&REV_1.01\\5&37E1B8A3&0&020", "hardwareIds": ["SCSI\\CdRom_NEC____DVD_RW_ND-3540A_1.01", "SCSI\\CdRom_NEC____DVD_RW_ND-3540A_", "SCSI\\CdRom_NEC____", "SCSI\\_NEC____DVD_RW_ND-3540A_1", "_NEC____DVD_RW_ND-3540A_1", "GenCdRom"], "description": "CD-ROM Drive", "friendlyName": "_NEC DVD_RW ND-3540A SCSI CdRom Device", "service": "cdrom", "class": "CDROM", "classGuid": "{4D36E965-E325-11CE-BFC1-08002BE10318}", "pdoName": "\\Device\\00000064", "cdrom": 1, "volumes": ["H:"]})";

} // namespace zel::test
