// The 64-bit tick count built from the 32-bit one on systems without GetTickCount64:
// the timed waits of the threads runtime rest on it never going back.
#include "../../platform/win32/tick_count.h"

#include <gtest/gtest.h>

namespace {

using zel::platform::extendTickCount;

TEST(TickCount, WrapsAreCountedOnceAndLateReadingsNeverGoBack) {
    std::uint64_t state = extendTickCount(0, 0xFFFFFF00u);
    EXPECT_EQ(state, 0xFFFFFF00u);
    state = extendTickCount(state, 0x00000010u);
    EXPECT_EQ(state, 0x1'0000'0010u) << "the 32-bit count wrapped";
    EXPECT_EQ(extendTickCount(state, 0xFFFFFFF0u), state) << "a reading from before the wrap, arriving late";
    EXPECT_EQ(extendTickCount(state, 0x00000008u), state) << "another thread's earlier reading";
    state = extendTickCount(extendTickCount(state, 0x70000000u), 0xE0000000u);
    EXPECT_EQ(state, 0x1'E000'0000u) << "readings a few days apart";
    state = extendTickCount(state, 0x08000000u);
    EXPECT_EQ(state, 0x2'0800'0000u) << "below the last reading, but nearer ahead: the next wrap";
    EXPECT_EQ(extendTickCount(state, 0x90000000u), state) << "nearer behind than ahead";
}

} // namespace
