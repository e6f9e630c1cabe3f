#pragma once
// The simulated machine: a model of a Windows PC that the sim backend of the
// platform layer answers from. One machine is installed per process; every module
// of the process (the program, the search library) sees the same one.
//
// Tests build machines with the fluent MachineBuilder; demos and scenarios load them
// from JSON files (docs/sim-machine.md). Every platform call is counted, any call can
// be made to fail, and every handle handed out is tracked until it is closed.

#include <zel/platform/machine.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#if defined(ZELSIM_BUILD)
#define ZELSIM_API __declspec(dllexport)
#else
#define ZELSIM_API __declspec(dllimport)
#endif
#else
#define ZELSIM_API __attribute__((visibility("default")))
#endif

namespace zel::sim {

using platform::DevInst;
using platform::StorageDeviceNumber;

enum class InterfaceClass { disk, cdrom, writeOnceDisk };

// The name of an interface class in fault subjects and machine files: "disk",
// "cdrom", "writeonce".
ZELSIM_API const char* interfaceClassName(InterfaceClass cls) noexcept;
ZELSIM_API const platform::Guid& interfaceClassGuid(InterfaceClass cls) noexcept;

// A registry property of a device node, stored as the exact bytes it reads back.
struct Property {
    std::string bytes;
    bool readable = true; // false: the size query answers, the read fails
    bool operator==(const Property&) const = default;
};

// A device interface a node exposes; its path opens as a device object.
struct Interface {
    InterfaceClass cls = InterfaceClass::disk;
    std::string path;
    bool operator==(const Interface&) const = default;
};

struct Node {
    std::string instanceId;
    std::map<std::uint32_t, Property> properties;
    std::vector<Interface> interfaces;
    int parent = -1;           // index into Machine::nodes; -1 for the root
    std::vector<int> children; // in the order the system reports them
    bool operator==(const Node&) const = default;
};

// Anything CreateFileA can open for a device-number query: a physical drive, a volume,
// an interface path. Paths compare without regard to case.
struct DeviceObject {
    std::string path;
    StorageDeviceNumber number{};
    bool opens = true;    // false: CreateFileA fails
    bool answers = true;  // false: the device-number query fails
    int owner = -1;       // node whose removal takes this object away; -1 for none
    bool operator==(const DeviceObject&) const = default;
};

// A logical drive letter. What "\\.\X:" opens is a DeviceObject of that path, which
// the builder and machine files add with every volume.
struct Volume {
    char letter = 'C'; // upper case
    std::uint32_t driveType = platform::kDriveFixed;
    int owner = -1; // node whose removal takes the volume away; -1 for none
    bool operator==(const Volume&) const = default;
};

struct Machine {
    std::vector<Node> nodes; // index 0 is the root; a node's DevInst is its index + 1
    std::vector<DeviceObject> devices;
    std::vector<Volume> volumes;
    bool operator==(const Machine&) const = default;
};

// Lookups in a machine: the first device object whose path equals `path` without
// regard to case, and the first node with that instance ID (also without regard to
// case, as Windows compares them). Null or -1 when there is none.
ZELSIM_API DeviceObject* findDevice(Machine& machine, std::string_view path) noexcept;
ZELSIM_API const DeviceObject* findDevice(const Machine& machine, std::string_view path) noexcept;
ZELSIM_API int findNode(const Machine& machine, std::string_view instanceId) noexcept;

// Platform operations, for call counts and fault injection.
enum class Op {
    any, // matches every operation (fault rules only)
    cmLocateRoot,
    cmGetChild,
    cmGetSibling,
    cmGetParent,
    cmGetProperty,
    cmGetDeviceId,
    setupGetClassDevs,
    setupEnumInterface,
    setupEnumDeviceInfo,
    setupInterfaceDetail,
    createFile,
    deviceIoControl,
    getLogicalDrives,
    getDriveType,
    count_
};
ZELSIM_API const char* opName(Op op) noexcept;

// Makes matching calls fail. A call matches when its operation matches and, if
// `subject` is not empty, the call's subject contains it without regard to case:
// the node's instance ID for Configuration Manager calls (property calls add
// "|<code>", e.g. "PCI\VEN_1095...|2"), the path for CreateFileA and the device's
// path for DeviceIoControl, the root text for GetDriveTypeA, the interface class
// ("disk", "cdrom", "writeonce") for SetupAPI calls. The first `skip` matching
// calls pass; the next `times` fail (0 = every one from then on).
struct Fault {
    Op op = Op::any;
    std::string subject;
    std::uint32_t skip = 0;
    std::uint32_t times = 1;
};

struct HandleCounts {
    std::int64_t devices = 0;  // CreateFileA handles
    std::int64_t infoSets = 0; // device information sets
    std::int64_t total() const { return devices + infoSets; }
};

// ---- the process's machine ---------------------------------------------------------

// Replaces the installed machine; resets counters and faults, keeps open-handle counts.
ZELSIM_API void install(Machine machine) noexcept;
// The installed machine: the one installed last, else the file named by the
// ZELSIM_MACHINE environment variable, else the built-in default machine (a file that
// cannot be loaded is reported on stderr). The reference holds until the next install.
ZELSIM_API const Machine& current() noexcept;

ZELSIM_API void addFault(Fault fault) noexcept;
ZELSIM_API void clearFaults() noexcept;
ZELSIM_API std::uint64_t calls(Op op) noexcept; // since the last install or resetCalls; any: all
ZELSIM_API std::uint64_t totalCalls() noexcept;
ZELSIM_API void resetCalls() noexcept;
ZELSIM_API HandleCounts openHandles() noexcept;

// ---- building machines -------------------------------------------------------------

// The built-in default machine: a PC whose system disk (C:) hangs off the board's own
// controller, with an add-in Silicon Image SATA card carrying two disks and a DVD writer.
ZELSIM_API Machine defaultMachine() noexcept;

// Reads a machine file; on failure returns nothing and says why in `error`.
ZELSIM_API std::optional<Machine> loadMachineFile(const std::string& path, std::string& error) noexcept;
ZELSIM_API std::optional<Machine> parseMachineJson(const std::string& text, std::string& error) noexcept;

class MachineBuilder;

// A node under construction; setters return *this for chaining.
class ZELSIM_API NodeRef {
public:
    // Set it before adding interfaces: generated interface paths are made from it.
    NodeRef& instanceId(const std::string& id);
    NodeRef& hardwareIds(const std::vector<std::string>& ids); // REG_MULTI_SZ
    NodeRef& description(const std::string& text);
    NodeRef& friendlyName(const std::string& text);
    NodeRef& service(const std::string& text);
    NodeRef& className(const std::string& text);
    NodeRef& classGuid(const std::string& text);
    NodeRef& pdoName(const std::string& text);
    // Exact property bytes (no terminator is added).
    NodeRef& property(std::uint32_t code, const std::string& bytes);
    NodeRef& unreadable(std::uint32_t code);

    // Exposes an interface of `cls` whose path answers `number`. An empty path gets a
    // generated one unique to the node and class, as Windows forms them:
    // "\\?\<instance ID, '#' for '\', lower case>#{class GUID}", with "\1", "\2", ...
    // appended for further interfaces of one class.
    NodeRef& storageInterface(InterfaceClass cls, StorageDeviceNumber number, std::string path = {});
    // A disk: disk interface and "\\.\PhysicalDrive<n>", both answering {7, n, 0}.
    NodeRef& disk(std::uint32_t number);
    // A CD-ROM drive: CD-ROM interface answering {2, n, 0}.
    NodeRef& cdrom(std::uint32_t number);
    // A volume of this node's storage device: "\\.\X:" answers the number of the node's
    // first device object, a disk's volumes with partition numbers 1, 2, ... in the order
    // they are added ({0, 0, 0} on a node with no storage). Drive type defaults to fixed
    // for a disk and CD-ROM for a CD-ROM drive.
    NodeRef& volume(char letter, std::optional<std::uint32_t> driveType = {});

    NodeRef child(); // appends a child node (after the existing ones)
    int index() const { return index_; }
    DevInst devInst() const { return static_cast<DevInst>(index_ + 1); }

private:
    friend class MachineBuilder;
    NodeRef(MachineBuilder& builder, int index) : builder_(&builder), index_(index) {}
    Node& node();
    MachineBuilder* builder_;
    int index_;
};

// Nodes are numbered in the order they are created (machine files create them in
// pre-order); machines compare equal only when built in the same order.
class ZELSIM_API MachineBuilder {
public:
    MachineBuilder(); // a root node "HTREE\ROOT\0"
    NodeRef root() { return NodeRef(*this, 0); }
    NodeRef node(int index) { return NodeRef(*this, index); }
    // A volume not tied to any node (a removable card reader, a network drive, ...).
    MachineBuilder& looseVolume(char letter, std::uint32_t driveType, std::optional<StorageDeviceNumber> number = {});
    MachineBuilder& device(DeviceObject object);
    Machine& machine() { return machine_; }
    Machine build() const { return machine_; }

private:
    friend class NodeRef;
    Machine machine_;
};

// Installs a machine for the lifetime of a scope, restoring the previous one after.
class ZELSIM_API ScopedMachine {
public:
    explicit ScopedMachine(Machine machine);
    ~ScopedMachine();
    ScopedMachine(const ScopedMachine&) = delete;
    ScopedMachine& operator=(const ScopedMachine&) = delete;

private:
    Machine previous_;
};

} // namespace zel::sim
