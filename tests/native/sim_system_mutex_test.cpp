// Named mutexes of the simulated system: a name exists while any handle to it is open,
// in two namespaces, and every handle is counted.
#include "sim_support.h"

#include <zel/platform/system.h>

#include <gtest/gtest.h>

#include <utility>

namespace zel::test {
namespace {

using namespace platform;

MutexHandle create(const char* name, std::int32_t& error) {
    error = -1;
    return MutexHandle::create(name, error);
}

TEST(SimMutex, ANameExistsWhileAnyHandleIsOpenInEitherNamespace) {
    sim::ScopedMachine scope(sim::defaultMachine());
    for (const char* name : {"ZelSATA", "Global\\ZelSATA"}) {
        SCOPED_TRACE(name);
        std::int32_t error = 0;
        ASSERT_FALSE(sim::mutexExists(name));
        MutexHandle first = create(name, error);
        ASSERT_TRUE(first);
        EXPECT_EQ(error, kErrorSuccess);
        EXPECT_TRUE(sim::mutexExists(name));

        // A second creation opens the same object and says so.
        MutexHandle second = create(name, error);
        ASSERT_TRUE(second);
        EXPECT_EQ(error, kErrorAlreadyExists);

        // Nobody owns a marker, so releasing it is refused.
        EXPECT_FALSE(first.release());
        first.reset();
        EXPECT_TRUE(sim::mutexExists(name)) << "the second handle keeps it";
        MutexHandle moved = std::move(second);
        EXPECT_TRUE(sim::mutexExists(name));
        moved.reset();
        EXPECT_FALSE(sim::mutexExists(name));
        EXPECT_TRUE(create(name, error));
        EXPECT_EQ(error, kErrorSuccess) << "gone with its last handle";
    }
}

TEST(SimMutex, GlobalAndSessionNamesAreApartAndNamesKeepTheirCase) {
    sim::ScopedMachine scope(sim::defaultMachine());
    std::int32_t error = 0;
    MutexHandle global = create("Global\\ZelDeviceRemove", error);
    ASSERT_EQ(error, kErrorSuccess);
    MutexHandle session = create("ZelDeviceRemove", error);
    EXPECT_EQ(error, kErrorSuccess) << "the bare name is the session's own object";
    MutexHandle local = create("Local\\ZelDeviceRemove", error);
    EXPECT_EQ(error, kErrorAlreadyExists) << "Local\\ names the session's object too";
    MutexHandle lower = create("zeldeviceremove", error);
    EXPECT_EQ(error, kErrorSuccess) << "object names compare with case";
    EXPECT_TRUE(sim::mutexExists("Local\\ZelDeviceRemove"));

    session.reset();
    EXPECT_TRUE(sim::mutexExists("ZelDeviceRemove")) << "held through its Local\\ name";
    local.reset();
    EXPECT_FALSE(sim::mutexExists("ZelDeviceRemove"));
    EXPECT_TRUE(sim::mutexExists("Global\\ZelDeviceRemove"));

    // Unnamed mutexes never collide.
    MutexHandle a = create(nullptr, error);
    EXPECT_TRUE(a);
    EXPECT_EQ(error, kErrorSuccess);
    MutexHandle b = create("", error);
    EXPECT_TRUE(b);
    EXPECT_EQ(error, kErrorSuccess);
}

TEST(SimMutex, RefusedNamesAndInjectedFailuresGiveNoHandle) {
    sim::ScopedMachine scope(sim::defaultMachine());
    const std::int64_t before = sim::openHandles().mutexes;
    std::int32_t error = 0;
    EXPECT_FALSE(create("Global\\", error));
    EXPECT_EQ(error, kErrorInvalidName);
    EXPECT_FALSE(create("Global\\A\\B", error));
    EXPECT_EQ(error, kErrorPathNotFound);
    EXPECT_FALSE(create("Foo\\Bar", error));
    EXPECT_EQ(error, kErrorPathNotFound);
    EXPECT_FALSE(create(std::string(261, 'x').c_str(), error));
    EXPECT_EQ(error, kErrorFilenameExcedRange);

    sim::addFault({sim::Op::createMutex, "ZelSATA", 0, 1});
    EXPECT_FALSE(create("Global\\ZelSATA", error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_FALSE(sim::mutexExists("Global\\ZelSATA"));
    {
        MutexHandle m = create("Global\\ZelSATA", error);
        EXPECT_TRUE(m);
        EXPECT_EQ(sim::openHandles().mutexes, before + 1);
    }
    EXPECT_EQ(sim::openHandles().mutexes, before);
    EXPECT_EQ(sim::calls(sim::Op::createMutex), 6u);

    // Mutexes belong to the running system, not to the machine: installs keep them.
    MutexHandle held = create("ZelDeviceChange", error);
    sim::install(sim::defaultMachine());
    EXPECT_TRUE(sim::mutexExists("ZelDeviceChange"));
}

} // namespace
} // namespace zel::test
