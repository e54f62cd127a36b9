#pragma once

#include <string>

namespace ostrilo {

// Values of Ostrilo.ini, read afresh at every call.
class IniValues {
public:
    virtual ~IniValues() = default;
    virtual std::string ReadIniValue(const std::string& section, const std::string& key,
                                     const std::string& defaultText) = 0;
};

}  // namespace ostrilo
