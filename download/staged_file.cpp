#include "staged_file.h"

namespace zel::download {

bool StagedFile::create() noexcept {
    discard();
    // Same directory as the final name, so that committing is a rename, never a copy.
    if (GetTempFileNameA(".", "zdl", 0, name_) == 0) {
        name_[0] = '\0';
        return false;
    }
    return true;
}

bool StagedFile::commit(const char* finalName) noexcept {
    if (!name_[0]) return false;
    if (!MoveFileExA(name_, finalName, MOVEFILE_REPLACE_EXISTING)) return false;
    name_[0] = '\0';
    return true;
}

void StagedFile::discard() noexcept {
    if (name_[0]) {
        DeleteFileA(name_);
        name_[0] = '\0';
    }
}

} // namespace zel::download
