#pragma once
// Loading a library of the program at run time and resolving its exports
// (LoadLibraryA / GetProcAddress / FreeLibrary on Windows, dlopen on the native build).

#include <cstddef>

namespace zel::platform {

class Library {
public:
    Library() = default;
    // Loads the library at `path`. On the native build a trailing ".dll" names the
    // shared object built beside it with ".so" in its place.
    static Library load(const char* path);

    Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() { reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    // The address of an exported name, or null.
    void* symbol(const char* name) const;
    void reset();

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// The directory of the running program, with a trailing separator, into `buffer`
// (`capacity` bytes). Returns the length written, or 0 when it does not fit.
std::size_t programDirectory(char* buffer, std::size_t capacity);

} // namespace zel::platform
