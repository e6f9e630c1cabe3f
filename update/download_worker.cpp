// The download worker: Date first, then fetch, read, parse, store, delete.
#include "download_worker.h"

#include "download_session.h"
#include "settings.h"
#include "update_server.h"
#include "version_file.h"

#include <zel/platform/files.h>
#include <zel/platform/system.h>

#include <cstdio>
#include <cstring>

namespace zel::update {

using namespace zel::platform;

void FormatUpdateDate(int year, int month, int day, char (&text)[16]) {
    std::snprintf(text, sizeof text, "%d/%d/%d", year, month, day);
}

namespace {

void writeText(const char* name, const char* text, std::size_t length) {
    app::WriteSetting(kHkeyLocalMachine, app::SETTING_STRING, app::kSettingsKey, name, text,
                      static_cast<std::uint32_t>(length));
}

} // namespace

std::uint32_t DownLoadWorker(void* session) {
    const auto& download = *static_cast<const DownloadSession*>(session);

    // Every attempt is dated, whatever comes of it.
    const LocalDate today = localDate();
    char date[16] = {};
    FormatUpdateDate(today.year, today.month, today.day, date);
    writeText(app::kDate, date, std::strlen(date));

    if (download.getDownLoadFile(&updateServerInfo(), &updateNotifyInfo()) == 0) return kDownloadFetchFailed;

    unsigned char bytes[kVersionFileLimit] = {};
    std::size_t count = 0;
    if (!readFileHead(kVersionFileName, bytes, sizeof bytes, count)) return kDownloadFileUnusable;

    PublishedVersion published;
    const bool parsed = ParseVersionFile(bytes, count, published);
    if (parsed) {
        writeText(app::kVersion, published.version, sizeof published.version);
        // An address that may not reach the shell is not kept either, nor an earlier one.
        const std::string home = IsWebAddress(published.home) ? published.home : std::string();
        writeText(app::kHome, home.c_str(), home.size());
    }
    // A fetched file never outlives its attempt; one that cannot be deleted is left for
    // the next fetch to overwrite.
    deleteFile(kVersionFileName);
    return parsed ? kDownloadDone : kDownloadFileUnusable;
}

} // namespace zel::update
