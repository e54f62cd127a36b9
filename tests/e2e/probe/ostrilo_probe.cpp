// Drives a running Ostrilo from outside, as a person at the screen would, and prints what
// it sees, one item per line. Exit code 0 on success, 1 with a message on stderr, 2 on usage:
//   ostrilo_probe wait-window SECONDS | close | list-lines | panels |
//                 answer-box SECONDS | visibility | answer-times SECONDS |
//                 end-session | lock-file PATH SECONDS | hold-mutex NAME MARKER SECONDS

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ostrilo_version.h"

namespace {

constexpr UINT kAnswerMs = 5000;
constexpr char kCaption[] = "WinCC to Halvex - Ostrilo " OSTRILO_VERSION_TEXT;
constexpr std::size_t kMaxText = 65536;

int Fail(const std::string& message) {
    std::fprintf(stderr, "ostrilo_probe: %s\n", message.c_str());
    return 1;
}

void PrintLine(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

// Every wait is bounded: polls `find` until it gives a window or the time is up.
template <typename Find>
HWND PollFor(DWORD timeoutMs, Find find) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = find()) return window;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

// Asked as a wide-text window expects: the narrow LB_GETTEXT comes back unconverted from
// another process under Wine. A hung program cannot hang the probe.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &result)) return false;
    answer = static_cast<LRESULT>(result);
    return true;
}

int ListLines(HWND window) {
    HWND list = FindWindowExA(window, nullptr, "ListBox", nullptr);
    LRESULT count = 0;
    if (!list || !Ask(list, LB_GETCOUNT, 0, 0, count)) return Fail("no log list answers");
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = 0;
        if (!Ask(list, LB_GETTEXTLEN, index, 0, length) || length < 0 || length > LRESULT(kMaxText)) {
            return Fail("the list did not give line " + std::to_string(index));
        }
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        Ask(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide.data()), length);
        // The program wrote ANSI bytes; the ANSI code page gives them back.
        char narrow[kMaxText * 2];
        const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(length), narrow,
                                             sizeof narrow, nullptr, nullptr);
        PrintLine(std::string(narrow, size > 0 ? static_cast<std::size_t>(size) : 0));
    }
    return 0;
}

// Status-bar texts are not marshalled: the buffer lives in the program's process.
int Panels(HWND window) {
    HWND bar = FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr);
    LRESULT count = 0;
    if (!bar || !Ask(bar, SB_GETPARTS, 0, 0, count)) return Fail("no status bar answers");
    DWORD processId = 0;
    GetWindowThreadProcessId(bar, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    void* remote = process ? VirtualAllocEx(process, nullptr, kMaxText, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    if (!remote) return Fail("cannot reach the program's memory");
    int status = 0;
    for (LRESULT panel = 0; panel < count && status == 0; ++panel) {
        LRESULT length = 0;
        std::string text(kMaxText, '\0');
        SIZE_T copied = 0;
        if (!Ask(bar, SB_GETTEXTLENGTHA, panel, 0, length) || LOWORD(length) >= kMaxText ||
            !Ask(bar, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(remote), length) ||
            !ReadProcessMemory(process, remote, text.data(), LOWORD(length), &copied)) {
            status = Fail("panel " + std::to_string(panel) + " did not answer");
        } else {
            PrintLine(text.substr(0, copied));
        }
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return status;
}

int AnswerBox(DWORD seconds) {
    HWND box = PollFor(seconds * 1000, [] { return FindWindowA("#32770", "Ostrilo"); });
    if (!box) return Fail("no message box titled \"Ostrilo\"");
    char text[4096] = {};
    // 0xFFFF is the id of a message box's text.
    PrintLine(std::string(text, GetDlgItemTextA(box, 0xFFFF, text, sizeof text)));
    // IDOK, not WM_CLOSE: closing would make the box return IDCANCEL.
    return PostMessageA(box, WM_COMMAND, IDOK, 0) ? 0 : Fail("could not press OK");
}

// Holds `object` for `seconds`; `marker` exists meanwhile, so a test knows when it is held.
int HoldWithMarker(HANDLE object, const std::string& marker, DWORD seconds) {
    HANDLE held = CreateFileA(marker.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    Sleep(seconds * 1000);
    CloseHandle(held);
    CloseHandle(object);
    return 0;
}

// Holds PATH open without sharing, as a careless reader of the log might.
int LockFile(const char* path, DWORD seconds) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(std::string("cannot lock ") + path);
    return HoldWithMarker(file, std::string(path) + ".held", seconds);
}

// What any user may do: take the program's instance name first.
int HoldMutex(const char* name, const char* marker, DWORD seconds) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
    if (mutex == nullptr) return Fail(std::string("cannot create ") + name);
    return HoldWithMarker(mutex, marker, seconds);
}

// The longest the window took to answer WM_NULL in milliseconds, asked every 20 ms.
int AnswerTimes(HWND window, DWORD seconds) {
    LARGE_INTEGER frequency{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    LONGLONG longest = 0;
    for (const ULONGLONG end = GetTickCount64() + seconds * 1000; GetTickCount64() < end; Sleep(20)) {
        LRESULT ignored = 0;
        QueryPerformanceCounter(&before);
        if (!Ask(window, WM_NULL, 0, 0, ignored)) return Fail("the window did not answer WM_NULL");
        QueryPerformanceCounter(&after);
        longest = std::max(longest, after.QuadPart - before.QuadPart);
    }
    PrintLine(std::to_string(longest * 1000 / frequency.QuadPart));
    return 0;
}

int Run(int argc, char** argv) {
    const int usage = 2;
    if (argc < 2) return usage;
    const std::string command = argv[1];
    const DWORD seconds = argc > 2 ? std::strtoul(argv[argc - 1], nullptr, 10) : 0;
    if (command == "answer-box" && argc == 3) return AnswerBox(seconds);
    if (command == "lock-file" && argc == 4) return LockFile(argv[2], seconds);
    if (command == "hold-mutex" && argc == 5) return HoldMutex(argv[2], argv[3], seconds);
    if (argc != (command == "wait-window" || command == "answer-times" ? 3 : 2)) return usage;
    const DWORD waitMs = command == "wait-window" ? seconds * 1000 : 10000;
    HWND window = PollFor(waitMs, [] { return FindWindowA(nullptr, kCaption); });
    if (!window) return Fail(std::string("no window captioned ") + kCaption);
    LRESULT ignored = 0;
    if (command == "wait-window") {
        char caption[512] = {};
        PrintLine(std::string(caption, GetWindowTextA(window, caption, sizeof caption)));
    } else if (command == "close") {
        return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : Fail("could not post WM_CLOSE");
    } else if (command == "list-lines") {
        return ListLines(window);
    } else if (command == "panels") {
        return Panels(window);
    } else if (command == "visibility") {
        PrintLine(IsWindowVisible(window) ? "visible" : "hidden");
    } else if (command == "answer-times") {
        return AnswerTimes(window, seconds);
    } else if (command == "end-session") {
        // As Windows ends a session: the question, then the end, after which the program is gone.
        PrintLine(Ask(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, ignored) && ignored ? "may end" : "refuses");
        Ask(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, ignored);
    } else {
        return usage;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Bytes out exactly as read: ANSI texts unchanged, lines ended by a bare line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    return Run(argc, argv);  // the return flushes stdout
}
