// A stand-in main window for testing the end-to-end harness itself: the caption, list box
// and status bar that the probe looks for, one day-log line beside the executable per
// event, and an orderly end on WM_CLOSE. With the argument "box" it first asks a question
// in a message box titled "Ostrilo" and logs the answer.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

HWND g_list = nullptr;

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void Log(const std::string& message) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char day[32];
    char stamp[32];
    std::snprintf(day, sizeof day, "%04u-%02u-%02u.Log", now.wYear, now.wMonth, now.wDay);
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u\t", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds);
    const std::string folder = ProgramFolder() + "LogFiles";
    CreateDirectoryA(folder.c_str(), nullptr);
    HANDLE file = CreateFileA((folder + "\\" + day).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const std::string line = stamp + message + "\r\n";
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    if (g_list) SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(message.c_str()));
}

void CreateControls(HWND window) {
    g_list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0,
                             0, 400, 200, window, nullptr, nullptr, nullptr);
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window, nullptr,
                               nullptr, nullptr);
    const int edges[] = {120, 220, 320, 380, -1};
    SendMessageA(bar, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
    const char* texts[] = {"Socket connection status", "WinCC run status", "Halvex run status", "date",
                           "time"};
    for (WPARAM panel = 0; panel < 5; ++panel) {
        SendMessageA(bar, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(texts[panel]));
    }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateControls(window);
        return 0;
    case WM_CLOSE:
        Log("Fake window closing");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (std::strstr(commandLine, "box")) {
        const int answer = MessageBoxA(nullptr, "Fake question", "Ostrilo", MB_OKCANCEL);
        Log("Message box answered " + std::to_string(answer));
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FakeOstriloMain";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(0, "FakeOstriloMain", "WinCC to Halvex - test", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 440, 300, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    Log("Fake window ready");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
