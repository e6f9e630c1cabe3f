// Changes made to the machine from outside while a program runs: a disk plugged in or
// pulled out. Commands arrive as lines appended to a file; each is applied once, in order.
#include "guard.h"
#include "json_support.h"
#include "model.h"
#include "state.h"
#include "text.h"
#include "tree_index.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace zel::sim {
namespace {

using detail::fail;
using detail::json;
using detail::LoadError;
using detail::member;
using detail::object;
using detail::text;
using detail::u32;

// Hangs a parsed subtree under `parent`: the parsed machine's root stands for the parent,
// its other nodes follow the machine's own in their order, and what they own moves along.
void graft(Machine& machine, int parent, Machine&& plugged) {
    const int base = static_cast<int>(machine.nodes.size()) - 1; // plugged node i lands at base + i
    const auto moved = [&](int index) { return index <= 0 ? (index == 0 ? parent : -1) : base + index; };
    for (std::size_t i = 1; i < plugged.nodes.size(); ++i) {
        Node node = std::move(plugged.nodes[i]);
        node.parent = moved(node.parent);
        for (int& child : node.children) child = moved(child);
        machine.nodes.push_back(std::move(node));
    }
    machine.nodes[parent].children.push_back(base + 1);
    for (DeviceObject& d : plugged.devices) {
        d.owner = moved(d.owner);
        machine.devices.push_back(std::move(d));
    }
    for (Volume& v : plugged.volumes) {
        v.owner = moved(v.owner);
        machine.volumes.push_back(std::move(v));
    }
}

int presentNode(const Machine& machine, const std::string& instanceId, const std::string& at) {
    const int index = findNode(machine, instanceId);
    if (index < 0 || !machine.nodes[index].present) fail(at, "no present node has the instance ID \"" + instanceId + "\"");
    return index;
}

// What the plugged subtree brings must not already be in the machine: a present node of
// the same instance ID, a device path or a drive letter.
void checkFree(const Machine& machine, const Machine& plugged, const std::string& at) {
    for (std::size_t i = 1; i < plugged.nodes.size(); ++i) {
        const int same = findNode(machine, plugged.nodes[i].instanceId);
        if (!plugged.nodes[i].instanceId.empty() && same >= 0 && machine.nodes[same].present)
            fail(at, "a node with the instance ID \"" + plugged.nodes[i].instanceId + "\" is already present");
    }
    for (const Volume& v : plugged.volumes)
        for (const Volume& existing : machine.volumes)
            if (existing.letter == v.letter) fail(at, std::string("drive letter ") + v.letter + ": is already in use");
    for (const DeviceObject& d : plugged.devices)
        if (findDevice(machine, d.path) != nullptr) fail(at, "the device \"" + d.path + "\" is already present");
}

void plug(Machine& machine, const json& command) {
    const int parent =
        command.contains("under") ? presentNode(machine, text(command["under"], "/under"), "/under") : 0;
    if (machine.nodes.empty()) fail("/under", "the machine has no device tree");
    // The node is read exactly as a machine file's node: wrap it as the root's only child.
    std::string error;
    const json doc = {{"root", {{"children", json::array({command["plug"]})}}}};
    std::optional<Machine> plugged = parseMachineJson(doc.dump(), error);
    if (!plugged) {
        // "/root/children/0/disk: ..." names the place inside the plugged node.
        const std::string prefix = "/root/children/0";
        fail("", error.rfind(prefix, 0) == 0 ? "/plug" + error.substr(prefix.size()) : error);
    }
    checkFree(machine, *plugged, "/plug");
    graft(machine, parent, std::move(*plugged));
}

void pull(Machine& machine, const json& command) {
    const int index = presentNode(machine, text(command["pull"], "/pull"), "/pull");
    if (index == 0) fail("/pull", "the root cannot be pulled");
    detail::removeSubtree(machine, index);
}

// {"open": "E:\\notes.txt", "process": 1234, "image": "notepad.exe"}: a program opens a
// file (starting, under that image, when it does not run yet); {"close": ..., "process":
// 1234} closes one open of it.
void openOrClose(Machine& machine, const json& command) {
    if (!command.contains("process")) fail("", "\"open\" and \"close\" need \"process\"");
    const std::uint32_t id = u32(command["process"], "/process");
    if (command.contains("open")) {
        const bool running = std::any_of(machine.processes.begin(), machine.processes.end(),
                                         [&](const Process& p) { return p.id == id; });
        if (!running && !command.contains("image"))
            fail("", "process " + std::to_string(id) + " does not run yet: give its \"image\"");
        const std::string image = command.contains("image") ? text(command["image"], "/image") : std::string();
        detail::openFile(machine, id, image, text(command["open"], "/open"));
        return;
    }
    if (command.contains("image")) fail("/image", "\"image\" goes with \"open\"");
    if (!detail::closeFile(machine, id, text(command["close"], "/close")))
        fail("/close", "process " + std::to_string(id) + " does not hold that file open");
}

} // namespace

bool applyMachineEvent(Machine& machine, const std::string& line, std::string& error) noexcept {
    return detail::guarded(false, [&] {
        try {
            const json command = json::parse(line);
            object(command, "", {"plug", "under", "pull", "open", "close", "process", "image"});
            const int kinds = int(command.contains("plug")) + int(command.contains("pull")) +
                              int(command.contains("open")) + int(command.contains("close"));
            if (kinds != 1) fail("", "a command has either \"plug\", \"pull\", \"open\" or \"close\"");
            if (command.contains("open") || command.contains("close")) {
                if (command.contains("under")) fail(member("", "under"), "\"under\" goes with \"plug\"");
                openOrClose(machine, command);
            } else if (command.contains("process") || command.contains("image")) {
                fail("", "\"process\" and \"image\" go with \"open\" or \"close\"");
            } else if (command.contains("plug")) plug(machine, command);
            else if (command.contains("under")) fail(member("", "under"), "\"under\" goes with \"plug\"");
            else pull(machine, command);
            return true;
        } catch (const LoadError& e) {
            error = e.message;
        } catch (const json::exception& e) {
            error = detail::errorText(e);
        }
        return false;
    });
}

namespace detail {

void pollEventsLocked(State& s) {
    const char* path = std::getenv("ZELSIM_EVENTS");
    if (path == nullptr || *path == '\0') return;
    if (s.eventsPath != path) {
        // Another file: its commands start from its beginning.
        s.eventsPath = path;
        s.eventsRead = 0;
        s.eventsLine = 0;
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return; // not written yet
    const std::streamoff size = file.tellg();
    if (size <= static_cast<std::streamoff>(s.eventsRead)) return;
    file.seekg(static_cast<std::streamoff>(s.eventsRead));
    std::string added(static_cast<std::size_t>(size) - s.eventsRead, '\0');
    file.read(added.data(), static_cast<std::streamsize>(added.size()));
    added.resize(static_cast<std::size_t>(file.gcount()));
    // Only whole lines: a command still being written waits for its newline.
    std::size_t start = 0;
    for (std::size_t end; (end = added.find('\n', start)) != std::string::npos; start = end + 1) {
        ++s.eventsLine;
        std::string line = added.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        std::string error;
        if (applyMachineEvent(machineLocked(s), line, error))
            treeChanged(s); // the tree's index is stale now
        else
            std::fprintf(stderr, "ZelSim: %s:%lld: %s; command skipped\n", path, static_cast<long long>(s.eventsLine),
                         error.c_str());
    }
    s.eventsRead += start;
}

void applyRescanLocked(State& s, int node) {
    Machine& machine = machineLocked(s);
    // Whether `under` is `node` or lies below it.
    const auto below = [&](int under) {
        for (int n = under; n >= 0 && static_cast<std::size_t>(n) < machine.nodes.size(); n = machine.nodes[n].parent)
            if (n == node) return true;
        return false;
    };
    std::vector<std::string> waiting;
    bool changed = false;
    for (std::string& command : std::exchange(machine.awaitingRescan, {})) {
        int under = 0;
        try {
            const json parsed = json::parse(command);
            if (parsed.contains("under") && parsed["under"].is_string())
                under = findNode(machine, parsed["under"].get<std::string>());
        } catch (const json::exception&) {
            under = -1;
        }
        // A device whose adapter is gone, or lies elsewhere, keeps waiting.
        if (under < 0 || !machine.nodes[under].present || !below(under)) {
            waiting.push_back(std::move(command));
            continue;
        }
        std::string error;
        if (applyMachineEvent(machine, command, error))
            changed = true;
        else
            std::fprintf(stderr, "ZelSim: rescan: %s; device skipped\n", error.c_str());
    }
    machine.awaitingRescan = std::move(waiting);
    if (changed) treeChanged(s);
}

} // namespace detail
} // namespace zel::sim
