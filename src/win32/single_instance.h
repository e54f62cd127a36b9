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
// starting. So the Global mutex counts only while another process runs this very
// executable; the administrators' lock of the same name, which no plain user can take,
// counts always. Where private namespaces are missing (Wine) the Global mutex decides.
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
