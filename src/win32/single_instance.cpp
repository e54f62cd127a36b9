#include "win32/single_instance.h"

#include "win32/running_processes.h"

namespace ostrilo::win32 {
namespace {

// Names inside the private namespace take no "Global\" prefix.
std::string NameWithoutPrefix(const std::string& mutexName) {
    const auto lastBackslash = mutexName.rfind('\\');
    return lastBackslash == std::string::npos ? mutexName : mutexName.substr(lastBackslash + 1);
}

// Anyone may make the Global name; it counts only while this program runs elsewhere.
bool GlobalMutexHeldByThisProgram() {
    return AnotherProcessRunsThisProgram(OwnImagePath(), OtherRunningProcesses());
}

}  // namespace

SingleInstance::SingleInstance(const std::string& mutexName)
    : administratorsLock_(NameWithoutPrefix(mutexName)), mutex_(::CreateMutexA(nullptr, FALSE, mutexName.c_str())) {
    const DWORD error = ::GetLastError();
    // A mutex made by the service under another account may refuse us any access; it
    // exists all the same. Any other failure says nothing of other instances.
    const bool globalNameTaken = mutex_.IsValid() ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    // An instance started without administrator rights holds only the Global mutex.
    anotherInstance_ = administratorsLock_.GetState() == AdministratorsLock::State::HeldElsewhere ||
                       (globalNameTaken && GlobalMutexHeldByThisProgram());
}

}  // namespace ostrilo::win32
