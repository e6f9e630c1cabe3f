// Machine files: a JSON description of a machine, read through the builder so that a
// file and the builder calls it spells out give equal machines. The format is
// documented in docs/sim-machine.md.
//
// Errors name the place in the document as a JSON pointer ("/root/children/1/disk").
#include "guard.h"
#include "text.h"

#include <zel/sim/machine.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

namespace zel::sim {
namespace {

using nlohmann::json;

struct LoadError {
    std::string message;
};

[[noreturn]] void fail(const std::string& at, const std::string& what) {
    throw LoadError{(at.empty() ? std::string("(document)") : at) + ": " + what};
}

std::string member(const std::string& at, std::string_view key) {
    std::string out = at + "/";
    for (char c : key) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}

std::string item(const std::string& at, std::size_t index) { return at + "/" + std::to_string(index); }

const json& object(const json& j, const std::string& at, std::initializer_list<std::string_view> allowed) {
    if (!j.is_object()) fail(at, "expected an object");
    for (const auto& [key, value] : j.items()) {
        bool known = key == "comment";
        for (std::string_view a : allowed) known = known || key == a;
        if (!known) fail(at, "unknown key \"" + key + "\"");
    }
    return j;
}

const json& array(const json& j, const std::string& at) {
    if (!j.is_array()) fail(at, "expected an array");
    return j;
}

std::string text(const json& j, const std::string& at) {
    if (!j.is_string()) fail(at, "expected a string");
    return j.get<std::string>();
}

std::uint32_t u32(const json& j, const std::string& at) {
    if (!j.is_number_unsigned() || j.get<std::uint64_t>() > 0xFFFFFFFFu)
        fail(at, "expected an unsigned 32-bit integer");
    return static_cast<std::uint32_t>(j.get<std::uint64_t>());
}

bool flag(const json& j, const std::string& at) {
    if (!j.is_boolean()) fail(at, "expected true or false");
    return j.get<bool>();
}

// A number that may also be given by name ("disk", "fixed", ...).
std::uint32_t named(const json& j, const std::string& at,
                    std::initializer_list<std::pair<std::string_view, std::uint32_t>> names) {
    if (j.is_string()) {
        const std::string name = j.get<std::string>();
        for (const auto& [n, value] : names)
            if (name == n) return value;
        std::string known;
        for (const auto& [n, value] : names) known += (known.empty() ? "" : ", ") + std::string(n);
        fail(at, "unknown name \"" + name + "\" (expected a number or one of " + known + ")");
    }
    if (!j.is_number_unsigned()) fail(at, "expected a name or an unsigned 32-bit integer");
    return u32(j, at);
}

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

std::string propertyBytes(const json& j, const std::string& at) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_array()) fail(at, "expected a string or an array of byte values");
    std::string bytes;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::uint32_t b = u32(j[i], item(at, i));
        if (b > 0xFF) fail(item(at, i), "expected a byte value (0 to 255)");
        bytes += static_cast<char>(b);
    }
    return bytes;
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
        object(doc, "", {"root", "volumes", "devices"});
        if (doc.contains("root")) node(doc["root"], builder_.root(), "/root");
        if (doc.contains("volumes")) {
            const json& list = array(doc["volumes"], "/volumes");
            for (std::size_t i = 0; i < list.size(); ++i) looseVolume(list[i], item("/volumes", i));
        }
        if (doc.contains("devices")) {
            const json& list = array(doc["devices"], "/devices");
            for (std::size_t i = 0; i < list.size(); ++i) device(list[i], item("/devices", i));
        }
        return builder_.build();
    }

private:
    void node(const json& j, NodeRef ref, const std::string& at) {
        object(j, at,
               {"instanceId", "hardwareIds", "description", "friendlyName", "service", "class", "classGuid",
                "pdoName", "properties", "unreadable", "disk", "cdrom", "interfaces", "volumes", "children"});
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
        if (j.contains("volumes")) {
            const std::string where = member(at, "volumes");
            const json& list = array(j["volumes"], where);
            for (std::size_t i = 0; i < list.size(); ++i) nodeVolume(list[i], ref, item(where, i));
        }
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
            ref.property(code, propertyBytes(value, where));
        }
    }

    void storageInterface(const json& j, NodeRef ref, const std::string& at) {
        object(j, at, {"class", "number", "path", "opens", "answers"});
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
            object(j, at, {"letter", "driveType", "number", "opens", "answers"});
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

    // The device object "\\.\X:" the volume just added, adjusted as the entry says.
    void volumeDevice(const json& j, const std::string& at) {
        if (!j.is_object()) return;
        DeviceObject& d = builder_.machine().devices.back();
        if (j.contains("number")) d.number = number(j["number"], member(at, "number"));
        access(j, d, at);
    }

    void device(const json& j, const std::string& at) {
        object(j, at, {"path", "number", "opens", "answers", "owner"});
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
        builder_.device(std::move(d));
    }

    static void access(const json& j, DeviceObject& d, const std::string& at) {
        if (j.contains("opens")) d.opens = flag(j["opens"], member(at, "opens"));
        if (j.contains("answers")) d.answers = flag(j["answers"], member(at, "answers"));
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
            // "[json.exception.parse_error.101] parse error at line 3, column 5: ..."
            const std::string what = e.what();
            const auto end = what.find("] ");
            error = end == std::string::npos ? what : what.substr(end + 2);
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
