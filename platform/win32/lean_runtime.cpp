// Parts of the static C++ runtime that the delivered files would otherwise carry for
// nothing, answered here instead (this object comes before the runtime in each link, so
// the runtime's own versions are never pulled in):
//
// - the verbose terminate handler, which demangles the type of an uncaught exception and
//   prints it to a console that these windowed programs do not have (it pulls in the
//   demangler and the whole printf family); ours ends the process the same way, by abort;
// - the runtime's one object of throw helpers, which throws the standard exception types
//   and with them the copy-on-write strings, std::system_error and std::random_device.
//   The allocation failures stay std::bad_alloc and std::bad_array_new_length; the
//   others, which only a programming error reaches, throw one small type of our own. The
//   only handlers in the delivered code catch everything (nothing crosses a module
//   boundary), so every exception is still caught where it was, or still terminates.
//
// A helper the runtime needs and this file lacks would pull its object back in and the
// link would fail on the duplicate definitions, so nothing is lost silently.
#include <cstdlib>
#include <exception>
#include <new>

namespace {

class RuntimeFault final : public std::exception {
public:
    explicit RuntimeFault(const char* what) noexcept : what_(what != nullptr ? what : "runtime fault") {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

} // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
    throw std::bad_array_new_length();
}
void __throw_length_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_logic_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_out_of_range(const char* what) {
    throw RuntimeFault(what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    throw RuntimeFault(format);
}
void __throw_invalid_argument(const char* what) {
    throw RuntimeFault(what);
}
void __throw_system_error(int) {
    throw RuntimeFault("system error");
}
} // namespace std
