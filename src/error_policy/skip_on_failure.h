#pragma once

namespace ostrilo {

// Runs one step of a procedure that must never disturb its caller: whatever the step
// raises (an allocation failure, an adapter that breaks its promise) abandons that step
// only, and the procedure goes on with the next.
template <typename Step>
void SkipOnFailure(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

}  // namespace ostrilo
