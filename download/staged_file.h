#pragma once
// A file that is written under a temporary name beside its final one and appears under
// the final name only once it is complete: a transfer that breaks off leaves neither a
// partial file nor a damaged earlier copy behind.

#include <windows.h>

namespace zel::download {

class StagedFile {
public:
    StagedFile() noexcept = default;
    ~StagedFile() { discard(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Reserves a fresh, empty temporary file in the current directory.
    bool create() noexcept;
    const char* temporaryName() const noexcept { return name_; }

    // Moves the complete file over `finalName`, replacing an earlier copy. After a
    // failure the temporary file is still there for discard() to remove.
    bool commit(const char* finalName) noexcept;
    void discard() noexcept;

private:
    char name_[MAX_PATH] = {};
};

} // namespace zel::download
