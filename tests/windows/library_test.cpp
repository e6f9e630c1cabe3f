// Loading libraries and finding the program's directory with the real Windows calls.
#include <zel/platform/library.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace zel::platform {
namespace {

TEST(Win32Library, LoadsResolvesAndReportsFailureAsEmpty) {
    Library kernel = Library::load("kernel32.dll");
    ASSERT_TRUE(kernel);
    EXPECT_NE(kernel.symbol("GetTickCount"), nullptr);
    EXPECT_EQ(kernel.symbol("NoSuchExport"), nullptr);

    Library moved = std::move(kernel);
    EXPECT_FALSE(kernel);
    EXPECT_EQ(kernel.symbol("GetTickCount"), nullptr);
    EXPECT_NE(moved.symbol("GetTickCount"), nullptr);

    EXPECT_FALSE(Library::load(R"(C:\no\such\library.dll)"));
    EXPECT_FALSE(Library::load(nullptr));
}

TEST(Win32Library, ProgramDirectoryEndsInASeparatorAndMustFit) {
    char directory[1024];
    const std::size_t length = programDirectory(directory, sizeof directory);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::strlen(directory), length);
    EXPECT_EQ(directory[length - 1], '\\');

    // One byte short of the terminator's room: nothing is written.
    char small[1024];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(programDirectory(small, length), 0u);
    EXPECT_EQ(small[0], 'x');
    EXPECT_EQ(programDirectory(small, length + 1), length);
}

} // namespace
} // namespace zel::platform
