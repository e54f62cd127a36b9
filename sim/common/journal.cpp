#include "common/journal.h"

#include "common/win_file.h"

namespace ostrilo::sim {

void Journal::Record(std::string line) const {
    line += '\n';
    AppendToFile(path_, line);
}

}  // namespace ostrilo::sim
