#include "harness/temp_dir.h"

#include <stdlib.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace ostrilo::e2e {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ostrilo-e2e.XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a directory like " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace ostrilo::e2e
