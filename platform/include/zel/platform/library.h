#pragma once
// Loading a library of the program at run time and resolving its exports
// (LoadLibraryA / GetProcAddress / FreeLibrary on Windows, dlopen on the native build).

#include <cstddef>

// Linkage of the system-side calls (this file and system.h). Native builds answer them
// from the simulated system, a shared library that defines ZEL_SYSTEM_EXPORTS and whose
// users get ZEL_SYSTEM_SHARED; the Windows builds link the real calls statically and
// need neither, even when their machine is simulated.
#if !defined(ZEL_SYSTEM_API)
#if defined(ZEL_SYSTEM_EXPORTS) || defined(ZEL_SYSTEM_SHARED)
#if defined(_WIN32)
#if defined(ZEL_SYSTEM_EXPORTS)
#define ZEL_SYSTEM_API __declspec(dllexport)
#else
#define ZEL_SYSTEM_API __declspec(dllimport)
#endif
#else
#define ZEL_SYSTEM_API __attribute__((visibility("default")))
#endif
#else
#define ZEL_SYSTEM_API
#endif
#endif

namespace zel::platform {

class ZEL_SYSTEM_API Library {
public:
    Library() = default;
    // Loads the library at `path` (a bare file name: from the program's directory). On
    // the native build the simulated system decides which files exist; a present file
    // with a trailing ".dll" names the shared object built beside it with ".so" in its
    // place, and the two resource libraries are modules of the simulated system itself.
    static Library load(const char* path);

    Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Library& operator=(Library&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    // The address of an exported name, or null.
    void* symbol(const char* name) const;
    // The module handle (HMODULE), for resource lookups.
    void* native() const { return handle_; }
    void reset();

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// The directory of the running program, with a trailing separator, into `buffer`
// (`capacity` bytes). Returns the length written, or 0 when it does not fit.
ZEL_SYSTEM_API std::size_t programDirectory(char* buffer, std::size_t capacity);

} // namespace zel::platform
