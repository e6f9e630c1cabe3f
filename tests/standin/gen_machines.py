#!/usr/bin/env python3
"""Writes COUNT simulated machine files (docs/sim-machine.md) into DIR, the same ones on
every run: random device trees whose hardware IDs come from the adapters each selector
looks for and from noise, properties of any length with or without terminators,
unreadable properties, disks and CD-ROM drives with clashing numbers, several interfaces
on one node, volumes of every drive type, loose volumes and stray device objects, disks
that refuse their removal or leave their volumes behind.

usage: gen_machines.py DIR COUNT
"""
import json
import os
import random
import sys

HARDWARE_IDS = [
    "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01",
    "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01",
    "PCI\\VEN_1095&DEV_3512&SUBSYS_65121095&REV_02",
    "PCI\\VEN_1095&DEV_3124&SUBSYS_31241095&REV_03",
    "pci\\ven_1095&dev_3132&subsys_31321095&rev_01",
    "USB\\VID_5A45&PID_0101",
    "USB\\VID_0000&PID_0000",
    "USBSTOR\\DiskZel",
    "1394\\025A45&0001",
    "1394\\025A45&0123",
    "1394\\025A45&0010",
    "PCMCIA\\ZELDATA-CBSC1-6E2A",
    "PCI\\VEN_9005&DEV_0010&SUBSYS_A1809005&REV_00",
    "PCI\\VEN_8086&DEV_24DB&CC_0101",
    "Internal_IDE_Channel",
    "Primary_IDE_Channel",
    "SCSI\\Disk",
    "GenDisk",
    "GenCdRom",
    "",
]
INSTANCE_IDS = [
    "SBP2\\ZELDATA&DISK\\025A4501DEADBEEF",
    "SBP2\\ZELDATA&DISK\\025A45020000000",
    "USB\\VID_5A45&PID_0101\\0001",
    "PCIIDE\\IDECHANNEL\\4&2A1C0AE5&0&0",
    "PCI\\X\\",
    "NOBACKSLASH",
]
IDE_CLASS_GUID = "{4D36E96A-E325-11CE-BFC1-08002BE10318}"
DRIVE_TYPES = ["unknown", "noRootDir", "removable", "fixed", "remote", "cdrom", "ramdisk"]
GPT_TYPES = ["msftReserved", "basicData", "ldmMetadata", "ldmData", "efiSystem"]
ROOT_FILES = ["boot.ini", "ntldr", "msdos.sys", "io.sys", "pagefile.sys", "readme.txt"]


class Generator:
    def __init__(self, seed):
        self.r = random.Random(seed)
        self.letters = [chr(c) for c in range(ord("C"), ord("Z") + 1)]
        self.r.shuffle(self.letters)
        self.serial = 0

    def chance(self, n):
        return self.r.randrange(n) == 0

    def text(self):
        """A printable text, sometimes longer than any record field."""
        length = self.r.randrange(40) if self.r.random() < 0.8 else self.r.randrange(400)
        return "".join(chr(self.r.randrange(0x20, 0x7F)) for _ in range(length))

    def raw_bytes(self):
        """Exact property bytes: maybe unterminated, maybe with bytes above 0x7F."""
        data = [self.r.randrange(1, 256) for _ in range(self.r.randrange(0, 300))]
        if self.chance(2):
            data.append(0)
        return data

    def number(self):
        device_type = "disk" if self.chance(2) else self.r.randrange(0, 9)
        return {"deviceType": device_type, "deviceNumber": self.r.randrange(0, 31 if self.chance(2) else 301),
                "partitionNumber": self.r.randrange(0, 3)}

    def letter(self):
        return self.letters.pop() + ":" if self.letters else None

    def volume(self):
        letter = self.letter()
        if letter is None:
            return None
        if self.chance(2):
            return letter
        entry = {"letter": letter}
        if self.chance(2):
            entry["driveType"] = self.r.choice(DRIVE_TYPES)
        if self.chance(6):
            entry["opens"] = False
        if self.chance(6):
            entry["answers"] = False
        if self.chance(4):
            entry["files"] = self.r.sample(ROOT_FILES, self.r.randrange(1, 3))
        return entry

    def layout(self):
        style = self.r.choice(["mbr", "mbr", "gpt", "raw"])
        layout = {"style": style}
        if style == "mbr":
            layout["types"] = [self.r.choice([0, 7, 0x42, 0x0C, self.r.randrange(256)])
                               for _ in range(self.r.randrange(0, 9))]
        elif style == "gpt":
            layout["types"] = [self.r.choice(GPT_TYPES) for _ in range(self.r.randrange(0, 4))]
        for query in ("driveLayout", "driveLayoutEx"):
            if self.chance(8):
                layout[query] = {"fails": True}
            elif self.chance(8):
                layout[query] = {"returned": self.r.choice([0, 4, 40, 48, 100, 136, 192, 400])}
        return layout

    def describe(self, node):
        kind = self.r.randrange(4)
        if kind == 0:
            node["instanceId"] = self.text()
        elif kind == 1:
            node["instanceId"] = self.r.choice(INSTANCE_IDS)
        self.serial += 1
        if "instanceId" not in node or self.chance(3):
            node["instanceId"] = "SIM\\NODE\\%d" % self.serial
        properties = {}
        shape = self.r.randrange(5)
        if shape == 1:
            properties["2"] = self.raw_bytes()
        elif shape >= 2:
            node["hardwareIds"] = [self.r.choice(HARDWARE_IDS) if not self.chance(4) else self.text()
                                   for _ in range(self.r.randrange(1, 6))]
        if self.chance(2):
            node["description"] = "CD-ROM Drive" if self.chance(2) else self.text()
        if self.chance(2):
            node["friendlyName"] = self.text()
        if self.chance(2):
            node["pdoName"] = self.text()
        if self.chance(4):
            node["classGuid"] = IDE_CLASS_GUID if self.chance(2) else self.text()
            node["class"] = "hdc" if self.chance(2) else "HDCx"
            node["service"] = "atapi" if self.chance(2) else "ATAPI2"
        if self.chance(8):
            code = self.r.choice([1, 13, 15, 9])
            names = {1: "description", 13: "friendlyName", 15: "pdoName", 9: "classGuid"}
            node.pop(names[code], None)
            properties[str(code)] = self.raw_bytes()
        if properties:
            node["properties"] = properties
        if self.chance(12):
            node["unreadable"] = [self.r.choice([2, 1, 13])]

    def storage(self, node, used):
        kind = self.r.randrange(6)
        if kind == 0 and "physical" not in used:
            n = self.r.randrange(0, 31)
            if n in used.setdefault("disks", set()):
                return
            used["disks"].add(n)
            node["disk"] = n
        elif kind == 1:
            node["cdrom"] = self.r.randrange(0, 31)
        elif kind == 2:
            interfaces = []
            for _ in range(self.r.randrange(1, 3)):
                entry = {"class": self.r.choice(["disk", "cdrom", "writeonce"]), "number": self.number()}
                if self.chance(2):
                    self.serial += 1
                    entry["path"] = "\\\\?\\sim#%d#%s" % (self.serial, self.text()[:20])
                if self.chance(8):
                    entry["opens"] = False
                if self.chance(8):
                    entry["answers"] = False
                interfaces.append(entry)
            node["interfaces"] = interfaces
        else:
            return
        volumes = []
        while len(volumes) < 4 and self.r.randrange(3) == 1:
            volume = self.volume()
            if volume is None:
                break
            volumes.append(volume)
        if volumes:
            node["volumes"] = volumes
        # A whole disk: a disk interface answering as a disk with partition 0.
        has_disk = "disk" in node or any(
            i["class"] == "disk" and i["number"]["deviceType"] in ("disk", 7) and i["number"]["partitionNumber"] == 0
            for i in node.get("interfaces", []))
        if has_disk and self.chance(4):
            node["layout"] = self.layout()
        if has_disk and self.chance(8):
            node["opensForRead"] = False
        # How it takes its removal: refused (always, or the first few attempts), or its
        # volumes staying behind.
        if self.chance(5):
            node["refusesRemoval"] = True if self.chance(2) else self.r.randrange(1, 4)
        if self.chance(6):
            node["removalLeavesVolumes"] = True

    def machine(self):
        root = {"children": []}
        nodes = [root]
        used = {}
        devices = []
        loose = []
        target = self.r.randrange(3, 120)
        while len(nodes) < target:
            step = self.r.randrange(10)
            if step == 6:  # a run of disks or drives under one adapter
                parent = self.r.choice(nodes)
                cdrom = self.chance(4)
                first, stride = self.r.randrange(0, 31), self.r.randrange(0, 3)
                for i in range(self.r.randrange(1, 12)):
                    self.serial += 1
                    child = {"instanceId": "SCSI\\DISK\\%d" % self.serial, "hardwareIds": ["SCSI\\Disk"]}
                    n = first + stride * i
                    if cdrom:
                        child["description"] = "CD-ROM Drive"
                        child["cdrom"] = n
                    elif n not in used.setdefault("disks", set()):
                        used["disks"].add(n)
                        child["disk"] = n
                    if self.chance(3):
                        volume = self.volume()
                        if volume is not None and ("disk" in child or "cdrom" in child):
                            child["volumes"] = [volume]
                    parent.setdefault("children", []).append(child)
                    nodes.append(child)
            elif step == 7:
                volume = self.volume()
                if volume is not None:
                    if isinstance(volume, str):
                        volume = {"letter": volume}
                    volume["driveType"] = self.r.choice(DRIVE_TYPES)
                    if self.chance(2):
                        volume["number"] = self.number()
                    loose.append(volume)
            elif step == 8:  # a stray device object that belongs to nothing
                n = self.r.randrange(31, 60)
                path = "\\\\.\\PhysicalDrive%d" % n if self.chance(2) else "\\\\.\\Stray%d" % len(devices)
                devices.append({"path": path, "number": self.number(), "opens": not self.chance(8),
                                "answers": not self.chance(8)})
            else:
                parent = self.r.choice(nodes)
                node = {}
                self.describe(node)
                self.storage(node, used)
                parent.setdefault("children", []).append(node)
                nodes.append(node)
        machine = {"comment": "generated", "root": root}
        if loose:
            machine["volumes"] = loose
        if devices:
            machine["devices"] = devices
        return machine


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    directory, count = sys.argv[1], int(sys.argv[2])
    os.makedirs(directory, exist_ok=True)
    for k in range(count):
        with open(os.path.join(directory, "generated-%03d.json" % k), "w") as out:
            json.dump(Generator(k).machine(), out)
            out.write("\n")


if __name__ == "__main__":
    main()
