// The log list adapter over a real list box: its content changes at once, while the
// repaint of all lines written in a short while is left to one timer of the box.

#include "win32/win32_log_list.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrilo::win32 {
namespace {

class LogListBox : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = ::CreateWindowExW(0, L"STATIC", L"log list test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                                    300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr) << ::GetLastError();
        listBox_ = ::CreateWindowExW(0, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 0, 0,
                                     380, 200, parent_, nullptr, nullptr, nullptr);
        ASSERT_NE(listBox_, nullptr) << ::GetLastError();
        HandlePostedMessages();
        ::ValidateRect(listBox_, nullptr);
    }
    void TearDown() override {
        if (parent_) ::DestroyWindow(parent_);
    }

    // Handles posted messages and timers (not paints) until the box asks to be drawn, for at
    // most two seconds.
    bool WaitForRepaintRequest() {
        RECT update{};
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 2000;) {
            MSG message{};
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) ::DispatchMessageW(&message);
            if (::GetUpdateRect(listBox_, &update, FALSE)) return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE | QS_TIMER);
        }
        return false;
    }

    static void HandlePostedMessages() {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) ::DispatchMessageW(&message);
    }

    std::wstring LineAt(int index) const {
        wchar_t text[256] = {};
        ::SendMessageW(listBox_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }

    HWND parent_ = nullptr;
    HWND listBox_ = nullptr;
};

TEST_F(LogListBox, LinesAreInTheListAndSelectedBeforeAnyRepaint) {
    Win32LogList list(listBox_);
    ASSERT_TRUE(list.Append("first"));
    ASSERT_TRUE(list.Append("second"));
    ASSERT_TRUE(list.Append("third"));
    ASSERT_TRUE(list.RemoveFirst());
    ASSERT_TRUE(list.SelectLast());

    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(LineAt(0), L"second");
    EXPECT_EQ(LineAt(1), L"third");
    EXPECT_EQ(::SendMessageW(listBox_, LB_GETCURSEL, 0, 0), 1);
}

TEST_F(LogListBox, ABurstOfLinesIsDrawnOnceShortlyAfterAndALaterLineAgain) {
    Win32LogList list(listBox_);
    list.Append("first");
    list.Append("second");
    list.SelectLast();
    RECT update{};
    EXPECT_FALSE(::GetUpdateRect(listBox_, &update, FALSE)) << "drawing waits while lines keep coming";
    EXPECT_TRUE(WaitForRepaintRequest()) << "the burst is drawn shortly after";

    ::ValidateRect(listBox_, nullptr);
    list.Append("third");
    EXPECT_FALSE(::GetUpdateRect(listBox_, &update, FALSE));
    EXPECT_TRUE(WaitForRepaintRequest()) << "a later line is drawn again";
}

TEST_F(LogListBox, AListThatOutlivesItsAdapterIsLeftDrawing) {
    {
        Win32LogList list(listBox_);
        list.Append("written just before the adapter goes");
    }
    RECT update{};
    EXPECT_TRUE(::GetUpdateRect(listBox_, &update, FALSE)) << "the adapter repaints before it lets go of the box";
    HandlePostedMessages();
    EXPECT_EQ(::SendMessageW(listBox_, LB_GETCOUNT, 0, 0), 1);
}

}  // namespace
}  // namespace ostrilo::win32
