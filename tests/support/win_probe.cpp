// What the tests under Wine need of Windows besides the console, from inside Wine:
//   win_probe hold FILE MS   opens FILE with no sharing, as a virus scanner or a sync client
//                            does; prints "held", keeps it MS milliseconds, then "released"
//   win_probe open-as-excel FILE MS
//                            opens FILE for reading while another program writes it, as a
//                            spreadsheet does (read and write sharing); prints "held", keeps
//                            it MS milliseconds, then "released"
//   win_probe window TITLE   waits up to 20 s for a visible top-level window of that title;
//                            prints "window L T R B work L T R B dpi N": its frame and the free
//                            area of its monitor in pixels, and the monitor's dpi
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define _WIN32_WINNT 0x0A00

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int hold(const wchar_t *file, int ms, DWORD sharing)
{
    const HANDLE handle = CreateFileW(file, GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        std::printf("refused %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(ms));
    CloseHandle(handle);
    std::printf("released\n");
    return 0;
}

int window(const wchar_t *title)
{
    // Pixels as they are, not as a program unaware of the scale would see them.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    for (int waited = 0; waited < 20000; waited += 100) {
        const HWND found = FindWindowW(nullptr, title);
        if (found && IsWindowVisible(found)) {
            RECT frame {};
            GetWindowRect(found, &frame);
            MONITORINFO monitor {};
            monitor.cbSize = sizeof monitor;
            GetMonitorInfoW(MonitorFromWindow(found, MONITOR_DEFAULTTONEAREST), &monitor);
            const RECT &work = monitor.rcWork;
            std::printf("window %ld %ld %ld %ld work %ld %ld %ld %ld dpi %u\n", frame.left,
                        frame.top, frame.right, frame.bottom, work.left, work.top, work.right,
                        work.bottom, GetDpiForWindow(found));
            return 0;
        }
        Sleep(100);
    }
    std::printf("none\n");
    return 1;
}

} // namespace

int main()
{
    // The arguments as Unicode: a title such as "Nastavení času" does not survive the ANSI
    // code page that main's arguments come in.
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"hold" && argc == 4) {
        return hold(argv[2], _wtoi(argv[3]), 0);
    }
    if (command == L"open-as-excel" && argc == 4) {
        return hold(argv[2], _wtoi(argv[3]), FILE_SHARE_READ | FILE_SHARE_WRITE);
    }
    if (command == L"window" && argc == 3) {
        return window(argv[2]);
    }
    std::fprintf(stderr, "usage: win_probe hold FILE MS | open-as-excel FILE MS | window TITLE\n");
    return 2;
}
