#pragma once
// A stand-in for the download library in native tests: it answers as the test sets it
// up and "fetches" by putting the file into the simulated current directory. Built as
// ZelDownLoad.so beside the tests, where the simulated system loads "ZelDownLoad.dll"
// from; the tests link it too and reach its settings through fakeDownLoad().

#include "zeldownload.h"

#include <functional>
#include <optional>
#include <string>

#if defined(FAKE_DOWNLOAD_BUILD)
#define FAKE_DOWNLOAD_API __attribute__((visibility("default")))
#else
#define FAKE_DOWNLOAD_API
#endif

namespace zel::test {

struct FakeDownLoad {
    // What GetDownLoadFile does: the file it leaves (none: it leaves nothing), its result
    // and the error it reports afterwards; `duringFetch` runs on the worker first.
    std::optional<std::string> file = std::string("SATA01,1.15,x,http://www.example.com/zelsata/\r\n");
    int result = 1;
    int lastError = 0;
    std::function<void()> duringFetch;

    // What it saw.
    int initializations = 0;
    int fetches = 0;
    int lastErrorQueries = 0;
    UpdateServerInfo server{};
    UpdateNotifyInfo notify{};
};

// The library's one instance; reset() before every test.
FAKE_DOWNLOAD_API FakeDownLoad& fakeDownLoad();
FAKE_DOWNLOAD_API void resetFakeDownLoad();

} // namespace zel::test
