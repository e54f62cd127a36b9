#include "win32/single_instance.h"

namespace ostrilo::win32 {

SingleInstance::SingleInstance(const std::string& mutexName)
    : mutex_(::CreateMutexA(nullptr, FALSE, mutexName.c_str())) {
    const DWORD error = ::GetLastError();
    // A mutex made by the service under another account may refuse us any access; it
    // exists all the same. Any other failure says nothing of other instances.
    anotherInstance_ = mutex_.IsValid() ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

}  // namespace ostrilo::win32
