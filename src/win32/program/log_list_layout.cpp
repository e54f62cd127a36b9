#include "win32/program/log_list_layout.h"

namespace ostrilo::win32 {

ListGeometry LayOutLogList(int clientWidth, int clientHeight, int statusBarHeight, int previousListHeight) {
    const int height = clientHeight - statusBarHeight;
    return {0, 0, clientWidth < 0 ? 0 : clientWidth, height < 0 ? previousListHeight : height};
}

}  // namespace ostrilo::win32
