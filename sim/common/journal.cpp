#include "common/journal.h"

namespace ostrilo::sim {

void Journal::Record(std::string line) {
    // Opened at the first line, and tried again after a failure, so a folder that becomes
    // writable later still gets its journal.
    if (!file_.IsValid()) file_ = OpenForAppend(path_);
    line += '\n';
    WriteAll(file_, line);
}

}  // namespace ostrilo::sim
