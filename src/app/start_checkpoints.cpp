#include "app/start_checkpoints.h"

namespace ostrilo {

bool StartCheckpointDue(std::chrono::milliseconds sinceStart) {
    return sinceStart >= std::chrono::milliseconds::zero() && sinceStart < kLongestStart;
}

}  // namespace ostrilo
