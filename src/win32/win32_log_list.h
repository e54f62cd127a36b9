#pragma once

#include <windows.h>

#include "platform/log_list.h"

namespace ostrilo::win32 {

// The log list over an unsorted single-column list box.
class Win32LogList : public platform::LogList {
public:
    explicit Win32LogList(HWND listBox) : listBox_(listBox) {}
    int Count() override;
    bool Append(const std::string& line) override;
    bool RemoveFirst() override;
    bool SelectLast() override;

private:
    HWND listBox_;
};

}  // namespace ostrilo::win32
