#pragma once

#include <string>
#include <vector>

#include "app/program_instances.h"

namespace ostrilo::win32 {

// Every running process but this one; empty when no snapshot can be taken.
std::vector<RunningProcess> OtherRunningProcesses();

// The path Windows gives for this process's executable, in the same form as for the others.
std::string OwnImagePath();

}  // namespace ostrilo::win32
