#pragma once

#include "platform/registry.h"

namespace ostrilo::win32 {

// Registry values under HKEY_LOCAL_MACHINE in the program's (32-bit) view, each read with its own open and close of the key.
class Win32Registry : public platform::Registry {
public:
    std::optional<platform::RegistryValue> QueryLocalMachineValue(
        const std::string& subKey, const std::string& valueName) override;
};

}  // namespace ostrilo::win32
