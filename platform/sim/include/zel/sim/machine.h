#pragma once
// The simulated machine: a model of a Windows PC that the sim backend of the
// platform layer answers from. One machine is installed per process; every module
// of the process (the program, the search library) sees the same one.
//
// Tests build machines with the fluent MachineBuilder; demos and scenarios load them
// from JSON files (docs/sim-machine.md). Every platform call is counted, any call can
// be made to fail, and every handle handed out is tracked until it is closed.
//
// Besides the machine's devices the model holds what the system side answers: registry,
// OS version, user locale, the libraries in the program's directory (native builds
// only; the Windows build with simulated hardware asks the real system for those).

#include <zel/platform/machine.h>
#include <zel/platform/system.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// ZELSIM_STATIC: the sim's sources linked into one module that exports none of them
// (the stand-in device API for Wine tests).
#if defined(ZELSIM_STATIC)
#define ZELSIM_API
#elif defined(_WIN32)
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
    // False once removed: the handle stops naming a node and every walk passes it by,
    // while the other nodes keep their handles.
    bool present = true;
    // Removal attempts of this node that are refused (kRefuseAlways: every one).
    std::uint32_t refusesRemoval = 0;
    // Whether the volumes this node owns stay behind when it is removed.
    bool removalLeavesVolumes = false;
    bool operator==(const Node&) const = default;
};
inline constexpr std::uint32_t kRefuseAlways = 0xFFFFFFFF;

enum class PartitionStyle { mbr, gpt, raw };

// How one of the two layout queries answers, beyond what the layout itself gives.
struct LayoutQuery {
    bool fails = false; // the query fails whatever the disk holds
    // A byte count to report instead of the layout's own size: the answer is cut short
    // (or padded with zeros) to it, and a buffer of that size is enough.
    std::optional<std::uint32_t> returned;
    bool operator==(const LayoutQuery&) const = default;
};

// A disk's partition layout, as IOCTL_DISK_GET_DRIVE_LAYOUT(_EX) report it. An MBR disk
// answers both queries, with its slots padded to a multiple of four as Windows counts
// them; a GPT or raw disk answers only the extended one.
struct Layout {
    PartitionStyle style = PartitionStyle::mbr;
    std::vector<std::uint8_t> mbrTypes;   // partition-table slots, in order (0: unused)
    std::vector<platform::Guid> gptTypes; // partition entries, in order
    LayoutQuery driveLayout;              // IOCTL_DISK_GET_DRIVE_LAYOUT
    LayoutQuery driveLayoutEx;            // IOCTL_DISK_GET_DRIVE_LAYOUT_EX
    bool operator==(const Layout&) const = default;

    static Layout mbr(std::vector<std::uint8_t> types) { return {PartitionStyle::mbr, std::move(types), {}, {}, {}}; }
    static Layout gpt(std::vector<platform::Guid> types) { return {PartitionStyle::gpt, {}, std::move(types), {}, {}}; }
    static Layout raw() { return {PartitionStyle::raw, {}, {}, {}, {}}; }
};

// What a disk of the builder and of machine files holds unless told otherwise: one
// partition of type 0x07 (NTFS), a basic disk.
ZELSIM_API Layout basicDiskLayout() noexcept;

// Anything CreateFileA can open for a device-number query: a physical drive, a volume,
// an interface path. Paths compare without regard to case.
struct DeviceObject {
    DeviceObject() = default;
    // The first five members in order, as machines have always been spelled out.
    DeviceObject(std::string path, StorageDeviceNumber number = {}, bool opens = true, bool answers = true,
                 int owner = -1)
        : path(std::move(path)), number(number), opens(opens), answers(answers), owner(owner) {}

    std::string path;
    StorageDeviceNumber number{};
    bool opens = true;        // false: CreateFileA for a query fails
    bool answers = true;      // false: the device-number query fails
    int owner = -1;           // node whose removal takes this object away; -1 for none
    bool opensForRead = true; // false: CreateFileA with GENERIC_READ fails
    std::optional<Layout> layout; // none: both layout queries fail (volumes, CD-ROM drives)
    bool operator==(const DeviceObject&) const = default;
};

// A logical drive letter. What "\\.\X:" opens is a DeviceObject of that path, which
// the builder and machine files add with every volume.
struct Volume {
    char letter = 'C'; // upper case
    std::uint32_t driveType = platform::kDriveFixed;
    int owner = -1; // node whose removal takes the volume away; -1 for none
    std::vector<std::string> files; // names of the files in its root (case is ignored)
    bool operator==(const Volume&) const = default;
};

// ---- the system side ---------------------------------------------------------------

struct RegistryValue {
    std::string name; // as first written: overwriting under another case keeps it
    std::uint32_t type = platform::kRegSz;
    std::string data; // the exact bytes, no terminator added
    bool operator==(const RegistryValue&) const = default;
};

// A registry key. Keys along its path exist implicitly. `readable` and `writable` hold
// for the key and every key beneath it: a user without rights under a key is modelled by
// making it unwritable (opening it for writing, creating keys beneath it and so writing
// any value there are denied) or unreadable (it cannot be opened at all).
struct RegistryKeyData {
    platform::RegistryHive hive = platform::kHkeyLocalMachine;
    std::string path; // below the hive, '\'-separated, as first created; "" is the hive itself
    std::vector<RegistryValue> values; // in creation order, which enumeration follows
    bool readable = true;
    bool writable = true;
    bool operator==(const RegistryKeyData&) const = default;
};

// A library file in the program's directory, and the exports it lacks.
struct LibraryFile {
    std::string name;
    std::vector<std::string> missingExports;
    bool operator==(const LibraryFile&) const = default;
};

// A file in the current directory (only there: the program reads no other plain file).
struct WorkingFile {
    std::string name;
    std::string bytes;
    bool readable = true; // false: it exists but cannot be opened
    bool operator==(const WorkingFile&) const = default;
};

// One text of a program file's version resource.
struct VersionText {
    std::string file;  // as the program names it, e.g. "ZelSATA.exe"
    std::string query; // e.g. "\\StringFileInfo\\041104b0\\FileVersion"
    std::string text;
    bool operator==(const VersionText&) const = default;
};

struct System {
    platform::OsVersion version{5, 1, 2600, platform::kVerPlatformWin32Nt}; // Windows XP
    std::uint32_t lcid = 0x0409;                                             // English (US)
    bool administrator = true; // the process runs with the Administrators group
    // The directories GetWindowsDirectoryA and GetCurrentDirectoryA report; none: they fail.
    std::optional<std::string> windowsDirectory{"C:\\WINDOWS"};
    std::optional<std::string> currentDirectory{"C:\\Program Files\\ZelSATA"};
    std::vector<RegistryKeyData> registry;
    std::vector<LibraryFile> libraries{
        {"ZelSearch.dll", {}}, {"ZelSATAResUS.dll", {}}, {"ZelSATARes.dll", {}}, {"ZelDownLoad.dll", {}}};
    std::vector<WorkingFile> files;
    std::vector<VersionText> versionTexts{
        {"ZelSATA.exe", "\\StringFileInfo\\041104b0\\ProductName", "ZelSATA"},
        {"ZelSATA.exe", "\\StringFileInfo\\041104b0\\FileVersion", "1.14"},
        {"ZelSATA.exe", "\\StringFileInfo\\041104b0\\LegalCopyright", "Copyright (C) 2005-2026 ZelSATA developers"}};
    platform::LocalDate date{2006, 8, 9};
    std::map<std::string, std::string> environment;
    bool operator==(const System&) const = default;
};

// A running program and what it holds open on the machine's drives: files and folders
// as "E:\\dir\\name" (folders too, e.g. a window's current directory "E:\\").
struct Process {
    std::uint32_t id = 0;
    std::string image; // e.g. "notepad.exe"
    std::vector<std::string> openFiles;
    bool operator==(const Process&) const = default;
};

// What the question for the programs holding a drive gets: the answer, or the refusals
// Windows gives a user without the debug privilege or a system that cannot be asked.
enum class HolderQuery { allowed, noRights, unavailable };

struct Machine {
    std::vector<Node> nodes; // index 0 is the root; a node's DevInst is its index + 1
    std::vector<DeviceObject> devices;
    std::vector<Volume> volumes;
    System system;
    // Programs with files open. A node whose volumes (its own or its subtree's) are held
    // open vetoes its removal, as Windows does, which reports it as left to the restart.
    std::vector<Process> processes;
    HolderQuery holderQuery = HolderQuery::allowed;
    // Devices already attached that the system has not noticed: plug commands of the
    // events file's form, applied when CM_Reenumerate_DevNode asks about the node their
    // "under" names (the root without one) or about one of its ancestors.
    std::vector<std::string> awaitingRescan;
    bool operator==(const Machine&) const = default;
};

// Lookups in a machine: the first device object whose path equals `path` without
// regard to case, and the node with that instance ID (also without regard to case, as
// Windows compares them; a present node before removed ones, else the first). Null or
// -1 when there is none.
ZELSIM_API DeviceObject* findDevice(Machine& machine, std::string_view path) noexcept;
ZELSIM_API const DeviceObject* findDevice(const Machine& machine, std::string_view path) noexcept;
ZELSIM_API int findNode(const Machine& machine, std::string_view instanceId) noexcept;

// The key at `path` of `hive` (without regard to case, a trailing '\\' ignored), or
// null when the machine has no entry for it (keys along another key's path exist but
// have no entry of their own until created).
ZELSIM_API RegistryKeyData* findKey(Machine& machine, platform::RegistryHive hive, std::string_view path) noexcept;
ZELSIM_API const RegistryKeyData* findKey(const Machine& machine, platform::RegistryHive hive,
                                          std::string_view path) noexcept;
// The value of that name in a key, without regard to case, or null.
ZELSIM_API const RegistryValue* findValue(const RegistryKeyData& key, std::string_view name) noexcept;
// A REG_DWORD's four bytes, low byte first.
ZELSIM_API std::string dwordBytes(std::uint32_t value) noexcept;

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
    createFileForRead,
    findFirstFile,
    getCurrentDirectory,
    getWindowsDirectory,
    regOpenKey,
    regCreateKey,
    regEnumValue,
    regSetValue,
    createMutex,
    releaseMutex,
    getVersion,
    getUserDefaultLcid,
    loadLibrary,
    getProcAddress,
    loadString,
    setupGetDeviceProperty,
    setupRemoveDevice,
    sleep,
    readFile,
    deleteFile,
    versionInfo,
    localTime,
    environment,
    findFileHolders,
    cmReenumerate,
    checkTokenMembership,
    count_
};
ZELSIM_API const char* opName(Op op) noexcept;

// Makes matching calls fail. A call matches when its operation matches and, if
// `subject` is not empty, the call's subject contains it without regard to case:
// the node's instance ID for Configuration Manager calls (property calls add
// "|<code>", e.g. "PCI\VEN_1095...|2"), the path for CreateFileA and FindFirstFileA and
// the device's path for DeviceIoControl (the general call adds "|<code in 8 hex digits>"),
// the root text for GetDriveTypeA, the interface class ("disk", "cdrom", "writeonce") for
// SetupAPI calls ("all" for the set of every present node; the device-installer property
// and removal calls name the node like the Configuration Manager calls), the key ("HKLM\Software\...") for registry calls (a value write adds
// "|<name>"), the name for CreateMutexA, the path for LoadLibraryA ("<file>|<export>" and
// "<file>|<id>" for GetProcAddress and LoadStringA). The first `skip` matching calls
// pass; the next `times` fail (0 = every one from then on).
struct Fault {
    Op op = Op::any;
    std::string subject;
    std::uint32_t skip = 0;
    std::uint32_t times = 1;
};

struct HandleCounts {
    std::int64_t devices = 0;     // CreateFileA handles
    std::int64_t infoSets = 0;    // device information sets
    std::int64_t keys = 0;        // registry keys
    std::int64_t mutexes = 0;     // mutex handles
    std::int64_t findHandles = 0; // FindFirstFileA searches
    std::int64_t modules = 0;     // loaded libraries
    std::int64_t total() const { return devices + infoSets + keys + mutexes + findHandles + modules; }
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
// The paths given to LoadLibraryA, in order, since the last install or resetCalls (native
// builds, where the simulated system loads libraries).
ZELSIM_API std::vector<std::string> libraryLoads() noexcept;
ZELSIM_API void resetCalls() noexcept;
ZELSIM_API HandleCounts openHandles() noexcept;
// The milliseconds Sleep has waited on the virtual clock since the last install or
// resetCalls (native builds, where the simulated system answers Sleep).
ZELSIM_API std::uint64_t sleptMilliseconds() noexcept;

// Drive probes (opens, IOCTLs, drive types, root-file finds) made while no QuietDriveProbes
// lived, which on Windows could raise a "No Disk" box, since the last install or
// resetCalls; and whether such a scope lives now.
ZELSIM_API std::uint64_t loudDriveProbes() noexcept;
ZELSIM_API bool driveProbesQuiet() noexcept;

// Whether a node of that instance ID (without regard to case) is in the machine and has
// not been removed.
ZELSIM_API bool nodePresent(std::string_view instanceId) noexcept;

// Files of the current directory: puts one (replacing one of that name, without regard
// to case), or gives its bytes; nothing when absent.
ZELSIM_API void putFile(const std::string& name, const std::string& bytes) noexcept;
ZELSIM_API std::optional<std::string> fileBytes(std::string_view name) noexcept;

// Whether a named mutex exists: some handle to it is still open. Names are the object
// names given to CreateMutexA; "Local\\X" is the same object as "X", "Global\\X"
// another one. The names outlive installs, as the handles do.
ZELSIM_API bool mutexExists(std::string_view name) noexcept;

// ---- building machines -------------------------------------------------------------

// The built-in default machine: a PC whose system disk (C:) hangs off the board's own
// controller, with an add-in Silicon Image SATA card carrying two disks and a DVD writer.
ZELSIM_API Machine defaultMachine() noexcept;

// Reads a machine file; on failure returns nothing and says why in `error`.
ZELSIM_API std::optional<Machine> loadMachineFile(const std::string& path, std::string& error) noexcept;
ZELSIM_API std::optional<Machine> parseMachineJson(const std::string& text, std::string& error) noexcept;

// Changes a machine from outside, as a hand at the running PC would: one command of an
// events file (docs/sim-machine.md), `{"plug": {node}, "under": "<instance ID>"}` or
// `{"pull": "<instance ID>"}`. On failure the machine is unchanged and `error` says why.
// A process whose environment names such a file in ZELSIM_EVENTS applies the commands
// appended to it, each once and in order, whenever a walk of the device tree or an
// interface set starts.
ZELSIM_API bool applyMachineEvent(Machine& machine, const std::string& command, std::string& error) noexcept;

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
    // The partition layout of this node's disk (every device object of the node that
    // answers as a whole disk: its interfaces and "\\.\PhysicalDrive<n>"); a disk
    // starts with basicDiskLayout().
    NodeRef& layout(const Layout& layout);
    // Whether the node's disk opens for reading (the layout test opens it so).
    NodeRef& opensForRead(bool opens);
    // A volume of this node's storage device: "\\.\X:" answers the number of the node's
    // first device object, a disk's volumes with partition numbers 1, 2, ... in the order
    // they are added ({0, 0, 0} on a node with no storage). Drive type defaults to fixed
    // for a disk and CD-ROM for a CD-ROM drive.
    NodeRef& volume(char letter, std::optional<std::uint32_t> driveType = {});
    // Files in the root of the volume this node added last.
    NodeRef& files(const std::vector<std::string>& names);
    // Removal: the node refuses its first `times` removal attempts (kRefuseAlways: all),
    // or its volumes stay behind when it goes.
    NodeRef& refusesRemoval(std::uint32_t times = kRefuseAlways);
    NodeRef& leavesVolumesOnRemoval();

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
    // Files in the root of the volume with that letter.
    MachineBuilder& files(char letter, const std::vector<std::string>& names);

    // The system side.
    MachineBuilder& osVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build);
    MachineBuilder& userLcid(std::uint32_t lcid);
    MachineBuilder& windowsDirectory(std::optional<std::string> path); // none: the call fails
    MachineBuilder& currentDirectory(std::optional<std::string> path);
    // Creates the key (and nothing else) if it has no entry yet.
    MachineBuilder& registryKey(platform::RegistryHive hive, const std::string& path);
    // Writes a value as RegSetValueExA would: an existing one (of any case) is replaced
    // in place, a new one goes last.
    MachineBuilder& registryValue(platform::RegistryHive hive, const std::string& path, const std::string& name,
                                  std::uint32_t type, const std::string& data);
    MachineBuilder& registryAccess(platform::RegistryHive hive, const std::string& path, bool readable,
                                   bool writable);
    // Puts a library file into the program's directory (replacing one of that name), or
    // takes it away.
    MachineBuilder& library(const std::string& name, const std::vector<std::string>& missingExports = {});
    MachineBuilder& withoutLibrary(const std::string& name);
    // A running program holding `openFiles` open ("E:\\notes.txt"); another call with the
    // same ID adds files to it.
    MachineBuilder& process(std::uint32_t id, const std::string& image, const std::vector<std::string>& openFiles);
    MachineBuilder& holderQuery(HolderQuery answer);
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
