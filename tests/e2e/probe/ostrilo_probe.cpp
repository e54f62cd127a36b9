// Drives a running Ostrilo from outside, as a person at the screen would, and prints what
// it sees, one item per line. Exit code 0 on success; otherwise a message on stderr.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control_text.h"
#include "window_search.h"

namespace ostrilo::probe {
namespace {

constexpr DWORD kDefaultWindowWaitMs = 10000;
constexpr unsigned long kMaxWaitSeconds = 600;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

using Arguments = std::vector<std::string>;

int Fail(const std::string& message) {
    std::fprintf(stderr, "ostrilo_probe: %s\n", message.c_str());
    return kExitFailed;
}

void PrintLine(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

bool ParseNumber(const std::string& text, unsigned long limit, unsigned long& value) {
    if (text.empty() || text.size() > 9) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0' && value <= limit;
}

HWND MainWindowOrNull(DWORD timeoutMs = kDefaultWindowWaitMs) { return WaitForMainWindow(timeoutMs); }

int NoMainWindow(DWORD timeoutMs) {
    return Fail("no window with a caption beginning \"" + std::string(kMainCaptionPrefix) + "\" within " +
                std::to_string(timeoutMs / 1000) + " s");
}

std::string RectText(const RECT& rect) {
    return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) +
           " " + std::to_string(rect.bottom);
}

// A child's rectangle in the client coordinates of its parent.
RECT ChildRect(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int WaitWindow(const Arguments& args) {
    unsigned long seconds = 0;
    if (!ParseNumber(args[0], kMaxWaitSeconds, seconds)) return kExitUsage;
    const DWORD timeoutMs = seconds * 1000;
    HWND window = MainWindowOrNull(timeoutMs);
    if (!window) return NoMainWindow(timeoutMs);
    PrintLine(WindowCaption(window));
    return 0;
}

int Close(const Arguments&) {
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    if (!PostMessageA(window, WM_CLOSE, 0, 0)) return Fail("could not post WM_CLOSE");
    return 0;
}

int ListLines(const Arguments&) {
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    HWND list = FindChildOfClass(window, "ListBox");
    if (!list) return Fail("the main window has no list box");
    const auto lines = ReadListBoxLines(list);
    if (!lines) return Fail("the list box did not answer");
    for (const auto& line : *lines) PrintLine(line);
    return 0;
}

int Panels(const Arguments&) {
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    HWND statusBar = FindChildOfClass(window, "msctls_statusbar32");
    if (!statusBar) return Fail("the main window has no status bar");
    const auto panels = ReadStatusBarPanels(statusBar);
    if (!panels) return Fail("the status bar did not answer");
    for (const auto& panel : *panels) PrintLine(panel);
    return 0;
}

int AnswerBox(const Arguments& args) {
    unsigned long seconds = 0;
    if (!ParseNumber(args[0], kMaxWaitSeconds, seconds)) return kExitUsage;
    HWND box = WaitForMessageBox(seconds * 1000);
    if (!box) return Fail("no message box titled \"Ostrilo\" within " + args[0] + " s");
    char text[4096] = {};
    // 0xFFFF is the id of a message box's static text.
    const UINT length = GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PrintLine(std::string(text, length));
    // IDOK, not WM_CLOSE: closing would make the box return IDCANCEL.
    if (!PostMessageA(box, WM_COMMAND, IDOK, 0)) return Fail("could not press OK");
    return 0;
}

int WindowRect(const Arguments&) {
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    PrintLine("window " + RectText(outer));
    PrintLine("client " + std::to_string(client.right) + " " + std::to_string(client.bottom));
    if (HWND list = FindChildOfClass(window, "ListBox")) PrintLine("list " + RectText(ChildRect(window, list)));
    if (HWND bar = FindChildOfClass(window, "msctls_statusbar32")) {
        PrintLine("statusbar " + RectText(ChildRect(window, bar)));
    }
    return 0;
}

int Visibility(const Arguments&) {
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    PrintLine(IsWindowVisible(window) ? "visible" : "hidden");
    return 0;
}

int Resize(const Arguments& args) {
    unsigned long width = 0;
    unsigned long height = 0;
    if (!ParseNumber(args[0], 100000, width) || !ParseNumber(args[1], 100000, height)) return kExitUsage;
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    if (!SetWindowPos(window, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height),
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        return Fail("could not resize the window");
    }
    return 0;
}

// Holds PATH open without any sharing, as a careless reader of the log might, and marks
// the time it is held by PATH.held, which a test can watch for.
int LockFile(const Arguments& args) {
    unsigned long seconds = 0;
    if (!ParseNumber(args[1], kMaxWaitSeconds, seconds)) return kExitUsage;
    HANDLE file = CreateFileA(args[0].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("cannot lock " + args[0] + ": error " + std::to_string(GetLastError()));
    const std::string marker = args[0] + ".held";
    HANDLE held = CreateFileA(marker.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    Sleep(seconds * 1000);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    CloseHandle(file);
    return 0;
}

// What Windows sends each top-level window when the session ends: first the question, then
// the end itself. The program is gone when the second message returns (or times out).
int EndSession(const Arguments&) {
    HWND window = MainWindowOrNull();
    if (!window) return NoMainWindow(kDefaultWindowWaitMs);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_NORMAL, 5000, &answer);
    PrintLine(answer ? "may end" : "refuses to end");
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_NORMAL, 5000, nullptr);
    return 0;
}

struct Command {
    const char* name;
    std::size_t argumentCount;
    const char* usage;
    int (*run)(const Arguments&);
};

constexpr Command kCommands[] = {
    {"wait-window", 1, "wait-window SECONDS   print the main window's caption once it exists", WaitWindow},
    {"close", 0, "close                 post WM_CLOSE to the main window", Close},
    {"list-lines", 0, "list-lines            print every line of the log list", ListLines},
    {"panels", 0, "panels                print every status bar panel's text", Panels},
    {"answer-box", 1, "answer-box SECONDS    print the \"Ostrilo\" message box's text and press OK",
     AnswerBox},
    {"window-rect", 0, "window-rect           print the window, client, list and status bar rectangles",
     WindowRect},
    {"resize", 2, "resize WIDTH HEIGHT   set the main window's outer size", Resize},
    {"lock-file", 2, "lock-file PATH SECONDS  hold PATH open unshared for SECONDS (PATH.held meanwhile)",
     LockFile},
    {"visibility", 0, "visibility            print \"visible\" or \"hidden\" for the main window", Visibility},
    {"end-session", 0, "end-session           send the session's end to the main window as Windows does",
     EndSession},
};

constexpr char kServiceStationOption[] = "--service-station";

// A program started by Wine's service manager has its windows in that manager's window
// station, which a probe started normally cannot see. The handles stay open for the
// probe's whole short life: the process and its thread keep using them.
bool EnterServiceStation() {
    HWINSTA station = OpenWindowStationA("__wineservice_winstation", FALSE, WINSTA_ALL_ACCESS);
    if (!station || !SetProcessWindowStation(station)) return false;
    HDESK desktop = OpenDesktopA("Default", 0, FALSE, GENERIC_ALL);
    return desktop && SetThreadDesktop(desktop);
}

int Usage() {
    std::fprintf(stderr, "usage: ostrilo_probe [%s] COMMAND [ARGUMENTS]\n", kServiceStationOption);
    for (const auto& command : kCommands) std::fprintf(stderr, "  %s\n", command.usage);
    return kExitUsage;
}

int Run(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], kServiceStationOption) == 0) {
        if (!EnterServiceStation()) return Fail("cannot enter the service window station");
        --argc;
        ++argv;
    }
    if (argc < 2) return Usage();
    const Arguments args(argv + 2, argv + argc);
    for (const auto& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        if (args.size() != command.argumentCount) return Usage();
        const int status = command.run(args);
        return status == kExitUsage ? Usage() : status;
    }
    return Usage();
}

}  // namespace
}  // namespace ostrilo::probe

int main(int argc, char** argv) {
    // Bytes out exactly as read: ANSI texts unchanged, lines ended by a bare line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    const int status = ostrilo::probe::Run(argc, argv);
    std::fflush(stdout);
    return status;
}
