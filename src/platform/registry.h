#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrilo::platform {

struct RegistryValue {
    std::uint32_t type = 0;           // REG_SZ 1, REG_DWORD 4, ...
    std::vector<std::uint8_t> data;   // at most 1024 bytes
};

// Read-only access to values under HKEY_LOCAL_MACHINE. The key is opened and closed
// within the call. Empty when the key or value is missing, unreadable or longer
// than 1024 bytes.
class Registry {
public:
    virtual ~Registry() = default;
    virtual std::optional<RegistryValue> QueryLocalMachineValue(const std::string& subKey,
                                                                const std::string& valueName) = 0;
};

}  // namespace ostrilo::platform
