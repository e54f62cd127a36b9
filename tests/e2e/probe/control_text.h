#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace ostrilo::probe {

// Every line of a list box, top to bottom; nothing when the list does not answer.
std::optional<std::vector<std::string>> ReadListBoxLines(HWND listBox);

// The text of every panel of a status bar (msctls_statusbar32) in another process.
// Common-control messages are not marshalled between processes, so the texts are
// fetched through a buffer allocated inside the owning process.
std::optional<std::vector<std::string>> ReadStatusBarPanels(HWND statusBar);

}  // namespace ostrilo::probe
