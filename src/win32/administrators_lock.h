#pragma once

#include <windows.h>

#include <string>

#include "win32/scoped_handles.h"

namespace ostrilo::win32 {

// A mutex in a private namespace bound to the Administrators group. Only a process with
// administrator rights (the service as LocalSystem, an engineer who started the program
// elevated) can create the namespace, so a plain user cannot take the lock first.
class AdministratorsLock {
public:
    enum class State {
        Held,           // this process holds it
        HeldElsewhere,  // another process with administrator rights holds it
        Unavailable,    // no administrator rights, or a system without private namespaces (Wine)
    };

    explicit AdministratorsLock(const std::string& mutexName);
    ~AdministratorsLock();
    AdministratorsLock(const AdministratorsLock&) = delete;
    AdministratorsLock& operator=(const AdministratorsLock&) = delete;

    State GetState() const { return state_; }

private:
    bool CreateOrOpenNamespace();

    HANDLE boundary_ = nullptr;
    HANDLE namespace_ = nullptr;
    ScopedKernelHandle mutex_;
    State state_ = State::Unavailable;
};

}  // namespace ostrilo::win32
