// Call counts, injected faults, handle accounting and the installed machine.
#include "sim_support.h"

#include <zel/sim/call_log.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace zel::test {
namespace {

using namespace platform;
using sim::Fault;
using sim::Op;

TEST(SimCalls, EveryCallIsCountedByOperation) {
    sim::ScopedMachine scope(sim::defaultMachine());
    EXPECT_EQ(sim::totalCalls(), 0u);
    const std::vector<std::string> ids = walkPreOrder();
    // One locate; one child query per node; deviceId per node.
    EXPECT_EQ(sim::calls(Op::cmLocateRoot), 1u);
    EXPECT_EQ(sim::calls(Op::cmGetChild), ids.size());
    EXPECT_EQ(sim::calls(Op::cmGetDeviceId), ids.size());
    EXPECT_GT(sim::calls(Op::cmGetSibling), 0u);
    EXPECT_EQ(sim::totalCalls(), sim::calls(Op::cmLocateRoot) + sim::calls(Op::cmGetChild) +
                                     sim::calls(Op::cmGetSibling) + sim::calls(Op::cmGetParent) +
                                     sim::calls(Op::cmGetDeviceId));
    getDriveType("C:");
    EXPECT_EQ(sim::calls(Op::getDriveType), 1u);
    sim::resetCalls();
    EXPECT_EQ(sim::totalCalls(), 0u);
}

TEST(SimFaults, SkipThenTimes) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const auto outcomes = [](int n) {
        std::string s;
        DevInst child = 0;
        for (int i = 0; i < n; ++i) s += cmGetChild(child, 1) == kCrSuccess ? '.' : 'X';
        return s;
    };
    sim::addFault({Op::cmGetChild, "", 1, 2});
    EXPECT_EQ(outcomes(5), ".XX..");
    sim::clearFaults();
    sim::addFault({Op::cmGetChild, "", 2, 0});
    EXPECT_EQ(outcomes(5), "..XXX");
    sim::clearFaults();
    EXPECT_EQ(outcomes(2), "..");
    // Rules count their matches independently; a call fails when any rule fires.
    sim::addFault({Op::cmGetChild, "", 0, 1});
    sim::addFault({Op::any, "", 2, 1});
    EXPECT_EQ(outcomes(4), "X.X.");
    // Installing a machine clears the rules.
    sim::install(sim::defaultMachine());
    EXPECT_EQ(outcomes(3), "...");
}

TEST(SimFaults, SubjectsNarrowTheFailingCalls) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const sim::Machine& m = sim::current();
    const std::string cardId = "PCI\\VEN_1095&DEV_3512&SUBSYS_35121095&REV_01\\4&2B16EDB1&0&10F0";
    const auto card = static_cast<DevInst>(sim::findNode(m, cardId) + 1);
    ASSERT_GT(card, 0u);

    // Property subjects are "<instance ID>|<code>": the card's hardware IDs only.
    sim::addFault({Op::cmGetProperty, "ven_1095&dev_3512&SUBSYS_35121095&REV_01\\4&2B16EDB1&0&10F0|2", 0, 0});
    EXPECT_EQ(readProperty(card, kCmDrpHardwareId), "?");
    EXPECT_NE(readProperty(card, kCmDrpDeviceDesc), "?");
    EXPECT_NE(readProperty(card + 1, kCmDrpHardwareId), "?");

    sim::addFault({Op::createFile, "physicaldrive2", 0, 0});
    EXPECT_FALSE(DeviceHandle::openForQuery("\\\\.\\PhysicalDrive2"));
    EXPECT_TRUE(DeviceHandle::openForQuery("\\\\.\\PhysicalDrive1"));

    sim::addFault({Op::deviceIoControl, "\\\\.\\F:", 0, 0});
    bool answered = true;
    answerOf("\\\\.\\F:", &answered);
    EXPECT_FALSE(answered);
    answerOf("\\\\.\\G:", &answered);
    EXPECT_TRUE(answered);

    sim::addFault({Op::getDriveType, "H", 0, 0});
    EXPECT_EQ(getDriveType("H:"), kDriveUnknown);
    EXPECT_EQ(getDriveType("G:"), kDriveFixed);

    sim::addFault({Op::setupGetClassDevs, "cdrom", 0, 0});
    EXPECT_FALSE(DeviceInfoSet::presentInterfaces(kGuidDevInterfaceCdRom));
    const DeviceInfoSet disks = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
    ASSERT_TRUE(disks);
    sim::addFault({Op::setupEnumInterface, "disk", 1, 1});
    DeviceInterfaceData data;
    EXPECT_EQ(setupEnumDeviceInterface(disks, kGuidDevInterfaceDisk, 0, data), EnumResult::ok);
    EXPECT_EQ(setupEnumDeviceInterface(disks, kGuidDevInterfaceDisk, 1, data), EnumResult::failed);
    EXPECT_EQ(setupEnumDeviceInterface(disks, kGuidDevInterfaceDisk, 1, data), EnumResult::ok);
}

// A little of everything the program does, each step reporting whether its call worked.
std::vector<std::function<bool()>> scenario() {
    return {
        [] { DevInst r = 0; return cmLocateRoot(r) == kCrSuccess; },
        [] { DevInst c = 0; return cmGetChild(c, 1) == kCrSuccess; },
        [] { DevInst s = 0; return cmGetSibling(s, 5) == kCrSuccess; },
        [] { DevInst p = 0; return cmGetParent(p, 2) == kCrSuccess; },
        [] {
            std::uint32_t n = 0;
            return cmGetDevNodeRegistryProperty(2, kCmDrpHardwareId, nullptr, n) == kCrBufferSmall;
        },
        [] { char id[260]; return cmGetDeviceId(2, id, sizeof id) == kCrSuccess; },
        [] {
            const DeviceInfoSet set = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
            DeviceInterfaceData d;
            DevInst e = 0;
            return set && setupEnumDeviceInterface(set, kGuidDevInterfaceDisk, 0, d) == EnumResult::ok &&
                   setupEnumDeviceInfo(set, 0, e) && interfacePath(set, d) != "?";
        },
        [] { bool ok = false; answerOf("\\\\.\\PhysicalDrive0", &ok); return ok; },
        [] { return getLogicalDrives() != 0; },
        [] { return getDriveType("C:") == kDriveFixed; },
    };
}

TEST(SimFaults, AnySweepFailsExactlyTheKthCall) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const auto steps = scenario();
    std::vector<std::uint64_t> callsAfter; // calls made once each step has run
    for (const auto& step : steps) {
        ASSERT_TRUE(step());
        callsAfter.push_back(sim::totalCalls());
    }
    const std::uint64_t total = sim::totalCalls();
    ASSERT_EQ(total, 15u);
    const std::int64_t open = sim::openHandles().total();

    // Failing call k of any kind fails the step that makes call k, and only that one.
    for (std::uint32_t k = 0; k < total; ++k) {
        sim::install(sim::defaultMachine());
        sim::addFault({Op::any, "", k, 1});
        std::vector<std::size_t> failed;
        for (std::size_t i = 0; i < steps.size(); ++i)
            if (!steps[i]()) failed.push_back(i);
        std::size_t expected = 0;
        while (callsAfter[expected] <= k) ++expected;
        EXPECT_EQ(failed, std::vector<std::size_t>{expected}) << "call " << k;
        EXPECT_EQ(sim::openHandles().total(), open) << "call " << k;
    }
}

TEST(SimFaults, TheCallLogNamesTheCallThatFailed) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const auto steps = scenario();
    sim::startCallLog();
    for (const auto& step : steps) step();
    const std::vector<sim::LoggedCall> clean = sim::callLog();
    ASSERT_EQ(clean.size(), 15u);
    EXPECT_EQ(clean[0].op, Op::cmLocateRoot);
    EXPECT_EQ(clean.back().op, Op::getDriveType);
    EXPECT_EQ(clean.back().subject, "C:");
    EXPECT_TRUE(std::none_of(clean.begin(), clean.end(), [](const sim::LoggedCall& c) { return c.failed; }));

    for (std::uint32_t k = 0; k < clean.size(); ++k) {
        sim::install(sim::defaultMachine());
        sim::addFault({Op::any, "", k, 1});
        sim::startCallLog();
        for (const auto& step : steps) step();
        const std::vector<sim::LoggedCall> log = sim::callLog();
        // A failed call may spare the rest of its step; up to it, the run is the clean one.
        ASSERT_GT(log.size(), k);
        ASSERT_LE(log.size(), clean.size());
        for (std::size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i].failed, i == k) << "call " << k << ", entry " << i;
        for (std::size_t i = 0; i <= k; ++i) EXPECT_EQ(log[i].subject, clean[i].subject) << "call " << k;
    }
    sim::stopCallLog();
    DevInst root = 0;
    cmLocateRoot(root);
    EXPECT_EQ(sim::callLog().size(), clean.size()) << "nothing is logged once stopped";
}

TEST(SimHandles, OpenHandlesAreCountedUntilReleased) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const sim::HandleCounts before = sim::openHandles();
    {
        DeviceInfoSet a = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceDisk);
        DeviceInfoSet b = DeviceInfoSet::presentInterfaces(kGuidDevInterfaceCdRom);
        DeviceHandle d = DeviceHandle::openForQuery("\\\\.\\C:");
        DeviceHandle missing = DeviceHandle::openForQuery("\\\\.\\Q:");
        EXPECT_EQ(sim::openHandles().infoSets, before.infoSets + 2);
        EXPECT_EQ(sim::openHandles().devices, before.devices + 1);

        a = std::move(b); // releases a's set
        EXPECT_EQ(sim::openHandles().infoSets, before.infoSets + 1);
        DeviceHandle moved(std::move(d));
        d.reset();
        EXPECT_EQ(sim::openHandles().devices, before.devices + 1);
        moved.reset();
        EXPECT_EQ(sim::openHandles().devices, before.devices);

        // Open handles survive a new machine, and still count.
        DeviceHandle e = DeviceHandle::openForQuery("\\\\.\\E:");
        sim::install(sim::defaultMachine());
        EXPECT_EQ(sim::openHandles().devices, before.devices + 1);
    }
    EXPECT_EQ(sim::openHandles().infoSets, before.infoSets);
    EXPECT_EQ(sim::openHandles().devices, before.devices);
}

TEST(SimMachine, ScopedMachineRestoresThePreviousOne) {
    sim::MachineBuilder outer;
    outer.root().child().instanceId("OUTER");
    sim::ScopedMachine a(outer.build());
    {
        sim::ScopedMachine b(sim::MachineBuilder().build());
        EXPECT_EQ(sim::current().nodes.size(), 1u);
    }
    EXPECT_EQ(sim::current(), outer.build());
    EXPECT_EQ(walkPreOrder(), (std::vector<std::string>{"HTREE\\ROOT\\0", "OUTER"}));
}

} // namespace
} // namespace zel::test
