// The idle floor: an empty window whose 100 ms timer does nothing. What Wine costs a
// windowed program that wakes ten times a second, and nothing more.

#include "common/timer_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return ostrilo::bench::RunTimerWindow(instance, L"Bench floor - idle", {});
}
