#include "scheduling/work_budget.h"

#include <utility>

namespace ostrilo {

WorkBudget::WorkBudget(TimeSource now) : now_(std::move(now)), started_(now_()) {}

void WorkBudget::Renew() {
    started_ = now_();
    linesDone_ = 0;
}

void WorkBudget::Spend() { ++linesDone_; }

bool WorkBudget::Spent() const {
    return linesDone_ >= kLinesPerMessage || now_() - started_ >= kTimePerMessage;
}

}  // namespace ostrilo
