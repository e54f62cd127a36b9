#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/app_directory.h"
#include "win32/crash_reporter.h"
#include "win32/executable_path.h"
#include "win32/library_search.h"
#include "win32/program/main_window.h"
#include "win32/program/ostrilo_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    const std::string appDirectory = ostrilo::AppDirectoryOf(ostrilo::win32::ExecutablePath());
    ostrilo::win32::KeepStartFolderOutOfLibrarySearch(appDirectory);
    ostrilo::win32::InstallCrashReporter(appDirectory);

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // Both live until the process ends inside the shutdown sequence.
    static ostrilo::win32::MainWindow window;
    if (!window.Create(instance)) return 1;
    static ostrilo::win32::OstriloProgram program(window, appDirectory);
    window.Attach(&program);
    if (program.Start()) window.Show(showCommand);
    window.LayOutLogList();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
