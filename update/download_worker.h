#pragma once
// The download dialog's worker thread: fetches the version file through the download
// library, parses it, and keeps what it found in the settings store.

#include <cstdint>

namespace zel::update {

// The worker's exit codes (1 belongs to the dialog: the library cannot be used).
inline constexpr std::uint32_t kDownloadDone = 0;
inline constexpr std::uint32_t kDownloadLibraryUnusable = 1;
inline constexpr std::uint32_t kDownloadFetchFailed = 2;
inline constexpr std::uint32_t kDownloadFileUnusable = 3;

// `session` is the DownloadSession whose library it calls.
std::uint32_t DownLoadWorker(void* session);

// "year/month/day" without leading zeros, as the settings value Date holds it.
void FormatUpdateDate(int year, int month, int day, char (&text)[16]);

} // namespace zel::update
