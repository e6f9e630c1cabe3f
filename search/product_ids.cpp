// Product configuration: the hardware IDs of the product line's own USB, IEEE 1394,
// PC Card and SCSI storage adapters, and the unique-ID prefixes of its 1394 bridges.
// Change these, and only these, to follow the line's products.
#include "hardware_ids.h"

namespace zel::search {
namespace {

// Group 0x02: 27 USB storage products (one vendor ID), then 4 IEEE 1394 storage
// products; the last two name whole model families by prefix.
constexpr std::string_view kUsb1394Rows[] = {
    "USB\\VID_5A45&PID_0101", "USB\\VID_5A45&PID_0102", "USB\\VID_5A45&PID_0103",
    "USB\\VID_5A45&PID_0104", "USB\\VID_5A45&PID_0105", "USB\\VID_5A45&PID_0106",
    "USB\\VID_5A45&PID_0107", "USB\\VID_5A45&PID_0108", "USB\\VID_5A45&PID_0109",
    "USB\\VID_5A45&PID_010A", "USB\\VID_5A45&PID_010B", "USB\\VID_5A45&PID_010C",
    "USB\\VID_5A45&PID_0110", "USB\\VID_5A45&PID_0111", "USB\\VID_5A45&PID_0112",
    "USB\\VID_5A45&PID_0113", "USB\\VID_5A45&PID_0114", "USB\\VID_5A45&PID_0120",
    "USB\\VID_5A45&PID_0121", "USB\\VID_5A45&PID_0122", "USB\\VID_5A45&PID_0123",
    "USB\\VID_5A45&PID_0130", "USB\\VID_5A45&PID_0131", "USB\\VID_5A45&PID_0132",
    "USB\\VID_5A45&PID_0140", "USB\\VID_5A45&PID_0141", "USB\\VID_5A45&PID_0142",
    "1394\\025A45&0001", "1394\\025A45&0002",
    "1394\\025A45&01*", "1394\\025A45&02*",
};
static_assert(std::size(kUsb1394Rows) == 31);

// Group 0x20: one IEEE 1394 SCSI product, five PC Card adapters, then the PCI SCSI
// adapters.
constexpr std::string_view kScsiRows[] = {
    "1394\\025A45&0010",
    "PCMCIA\\ZELDATA-CBSC1-6E2A", "PCMCIA\\ZELDATA-CBSC2-6E2B", "PCMCIA\\ZELDATA-CBSC3-7A01",
    "PCMCIA\\ZELDATA-CBSCU-7A02", "PCMCIA\\ZELDATA-CBSCX-7A03",
    "PCI\\VEN_10CD&DEV_1300&SUBSYS_13015A45",
    "PCI\\VEN_10CD&DEV_1300&SUBSYS_131010CD",
    "PCI\\VEN_5A45&DEV_0001&SUBSYS_00015A45",
    "PCI\\VEN_9005&DEV_0010&SUBSYS_A1809005&REV_00",
};
static_assert(std::size(kScsiRows) == 10);

// Company identifier 0x025A45 followed by the two bridge model bytes.
constexpr ProductIds kProductIds{kUsb1394Rows, kScsiRows, {0x025A4501, 0x025A4502}};

} // namespace

const ProductIds& productIds() { return kProductIds; }

} // namespace zel::search
