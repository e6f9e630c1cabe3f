// Machine files: a JSON description of a machine, read through the builder so that a
// file and the builder calls it spells out give equal machines. The format is
// documented in docs/sim-machine.md.
//
// Errors name the place in the document as a JSON pointer ("/root/children/1/disk").
#include "guard.h"
#include "json_support.h"
#include "text.h"

#include <zel/sim/machine.h>

#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

namespace zel::sim {
namespace {

using nlohmann::json;
using detail::array;
using detail::fail;
using detail::flag;
using detail::item;
using detail::LoadError;
using detail::member;
using detail::named;
using detail::object;
using detail::text;
using detail::u32;

// The named properties a node object carries as keys of its own.
constexpr std::pair<std::string_view, std::uint32_t> kNamedProperties[] = {
    {"hardwareIds", platform::kCmDrpHardwareId},
    {"description", platform::kCmDrpDeviceDesc},
    {"friendlyName", platform::kCmDrpFriendlyName},
    {"service", platform::kCmDrpService},
    {"class", platform::kCmDrpClass},
    {"classGuid", platform::kCmDrpClassGuid},
    {"pdoName", platform::kCmDrpPhysicalDeviceObjectName},
};

std::uint32_t propertyCode(const std::string& key, const std::string& at) {
    for (const auto& [name, code] : kNamedProperties)
        if (key == name) return code;
    if (key.empty() || key.size() > 10 || key.find_first_not_of("0123456789") != std::string::npos)
        fail(at, "\"" + key + "\" is neither a property code nor a property name");
    const unsigned long long code = std::stoull(key);
    if (code > 0xFFFFFFFFu) fail(at, "property code " + key + " is out of range");
    return static_cast<std::uint32_t>(code);
}

StorageDeviceNumber number(const json& j, const std::string& at) {
    object(j, at, {"deviceType", "deviceNumber", "partitionNumber"});
    if (!j.contains("deviceType") || !j.contains("deviceNumber"))
        fail(at, "a device number needs deviceType and deviceNumber");
    StorageDeviceNumber n{};
    n.deviceType = named(j["deviceType"], member(at, "deviceType"),
                         {{"disk", platform::kFileDeviceDisk}, {"cdrom", platform::kFileDeviceCdRom}});
    n.deviceNumber = u32(j["deviceNumber"], member(at, "deviceNumber"));
    if (j.contains("partitionNumber")) n.partitionNumber = u32(j["partitionNumber"], member(at, "partitionNumber"));
    return n;
}

std::uint32_t driveType(const json& j, const std::string& at) {
    return named(j, at,
                 {{"unknown", platform::kDriveUnknown}, {"noRootDir", platform::kDriveNoRootDir},
                  {"removable", platform::kDriveRemovable}, {"fixed", platform::kDriveFixed},
                  {"remote", platform::kDriveRemote}, {"cdrom", platform::kDriveCdRom},
                  {"ramdisk", platform::kDriveRamDisk}});
}

InterfaceClass interfaceClass(const json& j, const std::string& at) {
    const std::string name = text(j, at);
    for (InterfaceClass cls : {InterfaceClass::disk, InterfaceClass::cdrom, InterfaceClass::writeOnceDisk})
        if (name == interfaceClassName(cls)) return cls;
    fail(at, "unknown interface class \"" + name + "\" (expected disk, cdrom or writeonce)");
}

class Loader {
public:
    Machine load(const json& doc) {
        object(doc, "", {"root", "volumes", "devices", "system", "processes", "holderQuery", "rescan"});
        if (doc.contains("root")) node(doc["root"], builder_.root(), "/root");
        if (doc.contains("volumes")) {
            const json& list = array(doc["volumes"], "/volumes");
            for (std::size_t i = 0; i < list.size(); ++i) looseVolume(list[i], item("/volumes", i));
        }
        if (doc.contains("devices")) {
            const json& list = array(doc["devices"], "/devices");
            for (std::size_t i = 0; i < list.size(); ++i) device(list[i], item("/devices", i));
        }
        if (doc.contains("system")) detail::loadSystem(doc["system"], "/system", builder_.machine().system);
        if (doc.contains("processes")) {
            const json& list = array(doc["processes"], "/processes");
            for (std::size_t i = 0; i < list.size(); ++i) process(list[i], item("/processes", i));
        }
        if (doc.contains("holderQuery"))
            builder_.holderQuery(static_cast<HolderQuery>(named(doc["holderQuery"], "/holderQuery",
                                                                {{"allowed", 0}, {"noRights", 1}, {"unavailable", 2}})));
        Machine machine = builder_.build();
        if (doc.contains("rescan")) {
            // Checked when a rescan applies them, as the events file's commands are.
            const json& list = array(doc["rescan"], "/rescan");
            for (std::size_t i = 0; i < list.size(); ++i) {
                const std::string at = item("/rescan", i);
                object(list[i], at, {"plug", "under"});
                if (!list[i].contains("plug")) fail(at, "a device awaiting a rescan needs \"plug\"");
                machine.awaitingRescan.push_back(list[i].dump());
            }
        }
        return machine;
    }

private:
    // {"id": 1234, "image": "notepad.exe", "open": ["E:\\notes.txt"]}
    void process(const json& j, const std::string& at) {
        object(j, at, {"id", "image", "open"});
        if (!j.contains("id") || !j.contains("image")) fail(at, "a process needs id and image");
        const std::uint32_t id = u32(j["id"], member(at, "id"));
        for (const Process& p : builder_.machine().processes)
            if (p.id == id) fail(member(at, "id"), "process ID " + std::to_string(id) + " is given twice");
        std::vector<std::string> files;
        if (j.contains("open")) {
            const std::string where = member(at, "open");
            const json& list = array(j["open"], where);
            for (std::size_t i = 0; i < list.size(); ++i) files.push_back(text(list[i], item(where, i)));
        }
        builder_.process(id, text(j["image"], member(at, "image")), files);
    }

    void node(const json& j, NodeRef ref, const std::string& at) {
        object(j, at,
               {"instanceId", "hardwareIds", "description", "friendlyName", "service", "class", "classGuid",
                "pdoName", "properties", "unreadable", "disk", "cdrom", "interfaces", "layout", "opensForRead", "volumes",
                "refusesRemoval", "removalLeavesVolumes", "children"});
        if (j.contains("instanceId")) ref.instanceId(text(j["instanceId"], member(at, "instanceId")));
        if (j.contains("hardwareIds")) {
            const std::string where = member(at, "hardwareIds");
            const json& list = array(j["hardwareIds"], where);
            std::vector<std::string> ids;
            for (std::size_t i = 0; i < list.size(); ++i) ids.push_back(text(list[i], item(where, i)));
            ref.hardwareIds(ids);
        }
        for (const auto& [name, code] : kNamedProperties)
            if (name != "hardwareIds" && j.contains(name))
                ref.property(code, text(j[std::string(name)], member(at, name)) + '\0');
        if (j.contains("properties")) properties(j, ref, member(at, "properties"));
        if (j.contains("unreadable")) {
            const std::string where = member(at, "unreadable");
            const json& list = array(j["unreadable"], where);
            for (std::size_t i = 0; i < list.size(); ++i)
                ref.unreadable(list[i].is_string() ? propertyCode(list[i].get<std::string>(), item(where, i))
                                                   : u32(list[i], item(where, i)));
        }
        if (j.contains("disk")) ref.disk(u32(j["disk"], member(at, "disk")));
        if (j.contains("cdrom")) ref.cdrom(u32(j["cdrom"], member(at, "cdrom")));
        if (j.contains("interfaces")) {
            const std::string where = member(at, "interfaces");
            const json& list = array(j["interfaces"], where);
            for (std::size_t i = 0; i < list.size(); ++i) storageInterface(list[i], ref, item(where, i));
        }
        if (j.contains("layout") || j.contains("opensForRead")) {
            if (!ownsWholeDisk(ref.index()))
                fail(at, "layout and opensForRead need a disk (\"disk\" or a disk interface)");
            if (j.contains("layout")) ref.layout(detail::loadLayout(j["layout"], member(at, "layout")));
            if (j.contains("opensForRead")) ref.opensForRead(flag(j["opensForRead"], member(at, "opensForRead")));
        }
        if (j.contains("volumes")) {
            const std::string where = member(at, "volumes");
            const json& list = array(j["volumes"], where);
            for (std::size_t i = 0; i < list.size(); ++i) nodeVolume(list[i], ref, item(where, i));
        }
        if (j.contains("refusesRemoval")) {
            // true: every attempt; a number: the first that many.
            const json& refuses = j["refusesRemoval"];
            const std::string where = member(at, "refusesRemoval");
            if (refuses.is_boolean()) ref.refusesRemoval(flag(refuses, where) ? kRefuseAlways : 0);
            else ref.refusesRemoval(u32(refuses, where));
        }
        if (j.contains("removalLeavesVolumes") && flag(j["removalLeavesVolumes"], member(at, "removalLeavesVolumes")))
            ref.leavesVolumesOnRemoval();
        if (j.contains("children")) {
            const std::string where = member(at, "children");
            const json& list = array(j["children"], where);
            for (std::size_t i = 0; i < list.size(); ++i) node(list[i], ref.child(), item(where, i));
        }
    }

    void properties(const json& j, NodeRef ref, const std::string& at) {
        const json& props = j["properties"];
        if (!props.is_object()) fail(at, "expected an object");
        for (const auto& [key, value] : props.items()) {
            const std::string where = member(at, key);
            const std::uint32_t code = propertyCode(key, where);
            for (const auto& [name, namedCode] : kNamedProperties)
                if (namedCode == code && j.contains(name))
                    fail(where, "property " + std::to_string(code) + " is also given as \"" + std::string(name) + "\"");
            ref.property(code, detail::bytes(value, where));
        }
    }

    void storageInterface(const json& j, NodeRef ref, const std::string& at) {
        object(j, at, {"class", "number", "path", "opens", "answers", "opensForRead"});
        if (!j.contains("class") || !j.contains("number")) fail(at, "an interface needs class and number");
        const InterfaceClass cls = interfaceClass(j["class"], member(at, "class"));
        const StorageDeviceNumber n = number(j["number"], member(at, "number"));
        ref.storageInterface(cls, n, j.contains("path") ? text(j["path"], member(at, "path")) : std::string());
        access(j, builder_.machine().devices.back(), at);
    }

    // A volume is a letter ("D:" or "D") or an object with the letter and what differs.
    void nodeVolume(const json& j, NodeRef ref, const std::string& at) {
        const char l = letter(j, at);
        const bool explicitNumber = j.is_object() && j.contains("number");
        if (!explicitNumber && !ownsDevice(ref.index()))
            fail(at, "the node has no storage device (disk, cdrom or interfaces) to give the volume its number");
        std::optional<std::uint32_t> type;
        if (j.is_object() && j.contains("driveType")) type = driveType(j["driveType"], member(at, "driveType"));
        else if (explicitNumber)
            type = number(j["number"], member(at, "number")).deviceType == platform::kFileDeviceCdRom
                       ? platform::kDriveCdRom
                       : platform::kDriveFixed;
        ref.volume(l, type);
        volumeDevice(j, at);
    }

    void looseVolume(const json& j, const std::string& at) {
        const char l = letter(j, at);
        std::uint32_t type = platform::kDriveFixed;
        std::optional<StorageDeviceNumber> n;
        if (j.is_object() && j.contains("driveType")) type = driveType(j["driveType"], member(at, "driveType"));
        if (j.is_object() && j.contains("number")) n = number(j["number"], member(at, "number"));
        builder_.looseVolume(l, type, n);
        volumeDevice(j, at);
    }

    char letter(const json& j, const std::string& at) {
        std::string where = at;
        const json* value = &j;
        if (j.is_object()) {
            object(j, at, {"letter", "driveType", "number", "opens", "answers", "opensForRead", "files"});
            if (!j.contains("letter")) fail(at, "a volume needs a letter");
            value = &j["letter"];
            where = member(at, "letter");
        } else if (!j.is_string()) {
            fail(at, "expected a drive letter (\"D:\") or a volume object");
        }
        const std::string t = text(*value, where);
        const char l = t.empty() ? '\0' : detail::upper(t[0]);
        if (l < 'A' || l > 'Z' || !(t.size() == 1 || (t.size() == 2 && t[1] == ':')))
            fail(where, "\"" + t + "\" is not a drive letter");
        if (!letters_.insert(l).second) fail(where, std::string("drive letter ") + l + ": is given twice");
        return l;
    }

    // The device object "\\.\X:" the volume just added, adjusted as the entry says, and
    // the files in the volume's root.
    void volumeDevice(const json& j, const std::string& at) {
        if (!j.is_object()) return;
        DeviceObject& d = builder_.machine().devices.back();
        if (j.contains("number")) d.number = number(j["number"], member(at, "number"));
        access(j, d, at);
        if (j.contains("files")) {
            const std::string where = member(at, "files");
            const json& list = array(j["files"], where);
            std::vector<std::string> names;
            for (std::size_t i = 0; i < list.size(); ++i) names.push_back(text(list[i], item(where, i)));
            builder_.files(builder_.machine().volumes.back().letter, names);
        }
    }

    void device(const json& j, const std::string& at) {
        object(j, at, {"path", "number", "opens", "answers", "owner", "opensForRead", "layout"});
        if (!j.contains("path")) fail(at, "a device needs a path");
        DeviceObject d;
        d.path = text(j["path"], member(at, "path"));
        if (j.contains("number")) d.number = number(j["number"], member(at, "number"));
        if (j.contains("owner")) {
            const std::string id = text(j["owner"], member(at, "owner"));
            d.owner = findNode(builder_.machine(), id);
            if (d.owner < 0) fail(member(at, "owner"), "no node has the instance ID \"" + id + "\"");
        }
        access(j, d, at);
        if (j.contains("layout")) d.layout = detail::loadLayout(j["layout"], member(at, "layout"));
        builder_.device(std::move(d));
    }

    static void access(const json& j, DeviceObject& d, const std::string& at) {
        if (j.contains("opens")) d.opens = flag(j["opens"], member(at, "opens"));
        if (j.contains("answers")) d.answers = flag(j["answers"], member(at, "answers"));
        if (j.contains("opensForRead")) d.opensForRead = flag(j["opensForRead"], member(at, "opensForRead"));
    }

    bool ownsWholeDisk(int node) {
        for (const DeviceObject& d : builder_.machine().devices)
            if (d.owner == node && d.number.deviceType == platform::kFileDeviceDisk && d.number.partitionNumber == 0)
                return true;
        return false;
    }

    bool ownsDevice(int node) {
        for (const DeviceObject& d : builder_.machine().devices)
            if (d.owner == node) return true;
        return false;
    }

    MachineBuilder builder_;
    std::set<char> letters_;
};

} // namespace

std::optional<Machine> parseMachineJson(const std::string& text, std::string& error) noexcept {
    return detail::guarded(std::optional<Machine>(), [&]() -> std::optional<Machine> {
        try {
            const json doc = json::parse(text);
            return Loader().load(doc);
        } catch (const LoadError& e) {
            error = e.message;
        } catch (const json::exception& e) {
            error = detail::errorText(e);
        } catch (...) {
            error = "out of memory";
        }
        return std::nullopt;
    });
}

std::optional<Machine> loadMachineFile(const std::string& path, std::string& error) noexcept {
    return detail::guarded(std::optional<Machine>(), [&]() -> std::optional<Machine> {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream content;
        if (!file) {
            error = path + ": cannot be read";
            return std::nullopt;
        }
        content << file.rdbuf(); // an empty file reads as empty text, which fails to parse
        std::optional<Machine> machine = parseMachineJson(content.str(), error);
        if (!machine) error = path + ": " + error;
        return machine;
    });
}

} // namespace zel::sim
