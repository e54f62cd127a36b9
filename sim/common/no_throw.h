#pragma once

namespace ostrilo::sim {

// Runs one exported call; an exception (only memory exhaustion can raise one) must not
// unwind into a caller that knows nothing of C++, so it becomes the fallback result.
template <typename Result, typename Action>
Result NoThrow(Result fallback, Action&& action) noexcept {
    try {
        return action();
    } catch (...) {
        return fallback;
    }
}

}  // namespace ostrilo::sim
