#pragma once

namespace ostrilo::win32 {

struct ListGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The log list fills the client area above the status bar. A height that would be
// negative (minimised, or a client area lower than the status bar) is refused and
// the list keeps its previous height.
ListGeometry LayOutLogList(int clientWidth, int clientHeight, int statusBarHeight, int previousListHeight);

}  // namespace ostrilo::win32
