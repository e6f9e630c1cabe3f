// The search library as the program binds it, on Wine's device tree: Wine has no
// device nodes, so a search finds nothing and every record read stays as it was given,
// except the drive-letter lookup's two bytes.
#include <zel/platform/library.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zel::platform {
namespace {

using InitializationFn = std::int32_t (*)(std::int32_t);
using GetDeviceCountFn = std::int32_t (*)();
using GetRecordFn = std::int32_t (*)(std::int32_t, void*);

constexpr std::size_t kDeviceRecordSize = 1124;
constexpr std::size_t kHostRecordSize = 388;
constexpr std::size_t kDriveTypeOffset = 5;
constexpr std::size_t kDriveLettersOffset = 38;
// Bytes past each record's end, so a write beyond it shows.
constexpr std::size_t kGuard = 64;
constexpr unsigned char kFill = 0xAA;

template <typename Fn>
Fn resolve(const Library& library, const char* name) {
    return reinterpret_cast<Fn>(library.symbol(name));
}

TEST(SearchLibrary, FindsNothingOnWinesEmptyDeviceTree) {
    char directory[1024];
    ASSERT_NE(programDirectory(directory, sizeof directory), 0u);
    const std::string path = std::string(directory) + "ZelSearch.dll";
    Library library = Library::load(path.c_str());
    ASSERT_TRUE(library) << path;

    const auto initialization = resolve<InitializationFn>(library, "Initialization");
    const auto getDeviceCount = resolve<GetDeviceCountFn>(library, "GetDeviceCount");
    const auto getDeviceList = resolve<GetRecordFn>(library, "GetDeviceList");
    const auto getHostList = resolve<GetRecordFn>(library, "GetHostList");
    ASSERT_NE(initialization, nullptr);
    ASSERT_NE(getDeviceCount, nullptr);
    ASSERT_NE(getDeviceList, nullptr);
    ASSERT_NE(getHostList, nullptr);

    EXPECT_EQ(initialization(0x40), 1);
    EXPECT_EQ(getDeviceCount(), 0);

    std::array<unsigned char, kDeviceRecordSize + kGuard> device;
    device.fill(kFill);
    EXPECT_EQ(getDeviceList(0, device.data()), 1);
    for (std::size_t i = 0; i < device.size(); ++i) {
        const bool cleared = i == kDriveTypeOffset || i == kDriveLettersOffset;
        EXPECT_EQ(device[i], cleared ? 0 : kFill) << "device record byte " << i;
    }

    std::array<unsigned char, kHostRecordSize + kGuard> host;
    host.fill(kFill);
    EXPECT_EQ(getHostList(0, host.data()), 1);
    for (std::size_t i = 0; i < host.size(); ++i)
        EXPECT_EQ(host[i], kFill) << "host record byte " << i;
}

} // namespace
} // namespace zel::platform
