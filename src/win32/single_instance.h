#pragma once

#include <string>

#include "win32/administrators_lock.h"
#include "win32/scoped_handles.h"

namespace ostrilo::win32 {

// The program's instances share one named mutex in the Global namespace, so an instance
// in another Windows session (the service in session 0) counts too. The first instance
// creates it and holds it for its whole life.
constexpr char kInstanceMutexName[] = "Global\\Fennmark.Ostrilo.Instance";

// Any user can create a Global name first, and would then keep the service from ever
// starting. So an instance with administrator rights trusts only the administrators'
// lock of the same name, and holds the Global mutex just so that instances without
// those rights see it. Those decide by the Global mutex alone, as does every instance
// where private namespaces are missing (Wine).
class SingleInstance {
public:
    explicit SingleInstance(const std::string& mutexName = kInstanceMutexName);

    // Fixed when the object was made: whether another instance holds the lock.
    bool AnotherInstanceRunning() const { return anotherInstance_; }

private:
    AdministratorsLock administratorsLock_;
    ScopedKernelHandle mutex_;
    bool anotherInstance_ = false;
};

}  // namespace ostrilo::win32
