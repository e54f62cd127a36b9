#pragma once

#include <string>

#include "win32/scoped_handles.h"

namespace ostrilo::win32 {

// The program's instances share one named mutex in the Global namespace, so an instance
// in another Windows session (the service in session 0) counts too. The first instance
// creates it and holds it for its whole life.
constexpr char kInstanceMutexName[] = "Global\\Fennmark.Ostrilo.Instance";

class SingleInstance {
public:
    explicit SingleInstance(const std::string& mutexName = kInstanceMutexName);

    // Fixed when the object was made: whether the mutex existed already.
    bool AnotherInstanceRunning() const { return anotherInstance_; }

private:
    ScopedKernelHandle mutex_;
    bool anotherInstance_ = false;
};

}  // namespace ostrilo::win32
