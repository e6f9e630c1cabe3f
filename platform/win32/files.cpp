// The program's own plain files over CreateFileA / ReadFile / DeleteFileA.
#include <zel/platform/files.h>

#include <windows.h>

namespace zel::platform {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace

bool readFileHead(const char* path, unsigned char* buffer, std::size_t capacity, std::size_t& count) {
    count = 0;
    if (path == nullptr || buffer == nullptr) return false;
    const FileHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD read = 0;
    const DWORD wanted = capacity > 0x7fffffff ? 0x7fffffff : static_cast<DWORD>(capacity);
    if (ReadFile(file.get(), buffer, wanted, &read, nullptr)) count = read;
    return true;
}

bool deleteFile(const char* path) { return path != nullptr && DeleteFileA(path) != 0; }

} // namespace zel::platform
