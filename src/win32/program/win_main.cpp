#include <windows.h>
#include <commctrl.h>

#include "win32/program/main_window.h"
#include "win32/program/ostrilo_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // Both live until the process ends inside the shutdown sequence.
    static ostrilo::win32::MainWindow window;
    if (!window.Create(instance)) return 1;
    static ostrilo::win32::OstriloProgram program(window);
    window.Attach(&program);
    if (program.FormLoad()) window.Show(showCommand);
    window.LayOutLogList();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
