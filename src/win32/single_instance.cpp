#include "win32/single_instance.h"

namespace ostrilo::win32 {
namespace {

// Names inside the private namespace take no "Global\" prefix.
std::string NameWithoutPrefix(const std::string& mutexName) {
    const auto lastBackslash = mutexName.rfind('\\');
    return lastBackslash == std::string::npos ? mutexName : mutexName.substr(lastBackslash + 1);
}

}  // namespace

SingleInstance::SingleInstance(const std::string& mutexName)
    : administratorsLock_(NameWithoutPrefix(mutexName)), mutex_(::CreateMutexA(nullptr, FALSE, mutexName.c_str())) {
    const DWORD error = ::GetLastError();
    switch (administratorsLock_.GetState()) {
    case AdministratorsLock::State::Held:
        anotherInstance_ = false;
        break;
    case AdministratorsLock::State::HeldElsewhere:
        anotherInstance_ = true;
        break;
    case AdministratorsLock::State::Unavailable:
        // A mutex made by the service under another account may refuse us any access; it
        // exists all the same. Any other failure says nothing of other instances.
        anotherInstance_ = mutex_.IsValid() ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
        break;
    }
}

}  // namespace ostrilo::win32
