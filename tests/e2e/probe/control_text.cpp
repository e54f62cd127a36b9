#include "control_text.h"

#include <commctrl.h>

#include <algorithm>

namespace ostrilo::probe {

namespace {

constexpr UINT kAnswerTimeoutMs = 5000;
// Longer texts are not ours to read whole; reading stops there instead of growing.
constexpr std::size_t kMaxTextLength = 65536;

// Sent as a wide-text window would expect: the narrow form of LB_GETTEXT comes back
// unconverted from another process under Wine; messages of the common controls are
// passed as they are either way.
std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// Memory inside another process, freed when it goes out of scope.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, std::size_t size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(owner, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_) {
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                      PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool IsValid() const { return address_ != nullptr; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    std::size_t Size() const { return size_; }

    std::optional<std::string> ReadText(std::size_t length) const {
        std::string text(length, '\0');
        SIZE_T copied = 0;
        if (!ReadProcessMemory(process_, address_, text.data(), length, &copied) || copied != length) {
            return std::nullopt;
        }
        return text;
    }

private:
    std::size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// The list shows wide text; the program wrote ANSI bytes, so the ANSI code page gives
// them back.
std::optional<std::string> ReadListBoxLine(HWND listBox, WPARAM index) {
    const auto length = Ask(listBox, LB_GETTEXTLEN, index, 0);
    if (!length || *length < 0 || static_cast<std::size_t>(*length) > kMaxTextLength) return std::nullopt;
    // List-box texts are marshalled by the window system, so a local buffer serves.
    std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
    const auto copied = Ask(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    if (!copied || *copied < 0) return std::nullopt;
    const int wideLength = static_cast<int>(std::min(static_cast<std::size_t>(*copied), text.size() - 1));
    if (wideLength == 0) return std::string();
    const int narrowLength =
        WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (narrowLength <= 0) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(narrowLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, narrow.data(), narrowLength, nullptr, nullptr);
    return narrow;
}

std::optional<std::string> ReadStatusBarPanel(HWND statusBar, const RemoteBuffer& buffer, WPARAM panel) {
    const auto lengthAndType = Ask(statusBar, SB_GETTEXTLENGTHA, panel, 0);
    if (!lengthAndType) return std::nullopt;
    const std::size_t length = LOWORD(*lengthAndType);
    if (length >= buffer.Size()) return std::nullopt;
    if (!Ask(statusBar, SB_GETTEXTA, panel, buffer.Address())) return std::nullopt;
    return buffer.ReadText(length);
}

}  // namespace

std::optional<std::vector<std::string>> ReadListBoxLines(HWND listBox) {
    const auto count = Ask(listBox, LB_GETCOUNT, 0, 0);
    if (!count || *count < 0) return std::nullopt;
    std::vector<std::string> lines;
    for (LRESULT index = 0; index < *count; ++index) {
        auto line = ReadListBoxLine(listBox, static_cast<WPARAM>(index));
        if (!line) return std::nullopt;
        lines.push_back(std::move(*line));
    }
    return lines;
}

std::optional<std::vector<std::string>> ReadStatusBarPanels(HWND statusBar) {
    const auto count = Ask(statusBar, SB_GETPARTS, 0, 0);
    if (!count || *count < 0) return std::nullopt;
    const RemoteBuffer buffer(statusBar, kMaxTextLength + 1);
    if (!buffer.IsValid()) return std::nullopt;
    std::vector<std::string> panels;
    for (LRESULT panel = 0; panel < *count; ++panel) {
        auto text = ReadStatusBarPanel(statusBar, buffer, static_cast<WPARAM>(panel));
        if (!text) return std::nullopt;
        panels.push_back(std::move(*text));
    }
    return panels;
}

}  // namespace ostrilo::probe
