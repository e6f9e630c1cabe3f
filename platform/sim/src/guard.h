#pragma once
// Nothing thrown inside the simulated machine may leave it: every exported entry point
// runs its body through guarded(), which turns any exception into the call's failure
// answer (allocation failure is the only one expected).

#include <utility>

namespace zel::sim::detail {

template <class R, class F>
R guarded(R failure, F&& body) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (...) {
        return failure;
    }
}

template <class F>
void guardedVoid(F&& body) noexcept {
    try {
        std::forward<F>(body)();
    } catch (...) {
    }
}

} // namespace zel::sim::detail
