#include "fake_download.h"

#include <zel/sim/machine.h>

namespace zel::test {

FakeDownLoad& fakeDownLoad() {
    static FakeDownLoad fake;
    return fake;
}

void resetFakeDownLoad() { fakeDownLoad() = FakeDownLoad{}; }

} // namespace zel::test

extern "C" {

FAKE_DOWNLOAD_API void Initialization() { ++zel::test::fakeDownLoad().initializations; }

FAKE_DOWNLOAD_API std::int32_t GetDownLoadFile(const zel::UpdateServerInfo* server,
                                               const zel::UpdateNotifyInfo* notify) {
    zel::test::FakeDownLoad& fake = zel::test::fakeDownLoad();
    ++fake.fetches;
    if (server != nullptr) fake.server = *server;
    if (notify != nullptr) fake.notify = *notify;
    if (fake.duringFetch) fake.duringFetch();
    if (fake.file && server != nullptr) zel::sim::putFile(server->file, *fake.file);
    return fake.result;
}

FAKE_DOWNLOAD_API std::int32_t GetDownLoadFileLastError() {
    ++zel::test::fakeDownLoad().lastErrorQueries;
    return zel::test::fakeDownLoad().lastError;
}

} // extern "C"
