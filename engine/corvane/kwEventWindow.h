// A window that dispatches its input to virtual handlers, the way a Windows
// window procedure does.
//
// refresh() presents the frame drawn since the last refresh and then
// dispatches the pending input through WndProc:
//   - keys as WM_KEYDOWN / WM_KEYUP with Windows virtual-key codes in wParam
//     (arrows 37-40, Shift 16, Control 17, Alt 18, Space 32, Enter 13,
//     Escape 27, Tab 9, Backspace 8, '0'-'9' 48-57, 'A'-'Z' 65-90,
//     F1-F12 112-123; other keys are not reported); a held key repeats as
//     further key-downs. WndProc calls keyEvent(vk, down).
//   - mouse motion as WM_MOUSEMOVE (wParam: MK_LBUTTON 1, MK_RBUTTON 2,
//     MK_MBUTTON 0x10; lParam: x in the low 16 bits, y in the high 16 bits,
//     pixels from the top-left corner). WndProc first sets buttonDown from the
//     flags, then calls mouseMove(x, y, flags).
//   - button presses and releases as WM_LBUTTONDOWN/UP, WM_MBUTTONDOWN/UP,
//     WM_RBUTTONDOWN/UP, which update buttonDown (no mouseMove).
//   - closing the window (or SIGINT/SIGTERM) as WM_CLOSE, which clears isOpen.
//
// Scripted windows for tests: call kwEventWindow::useScript(&script) BEFORE
// constructing the window. Every window constructed while a script is in use
// is scripted: it opens nothing, draws nothing, and each refresh() delivers
// the script's events for that refresh through the same WndProc path.
// Refreshes are counted from 0 per window. useScript(nullptr) goes back to
// real windows; a script that is destroyed stops being used. The script must
// outlive the windows built with it.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwWin32Types.h>
#include <corvane/kwWindow.h>
#include <corvane/kwWindowScript.h>

class CORVANE_API kwEventWindow : public kwWindow {
public:
    // `owner` is an opaque pointer kept for the application; never read here.
    kwEventWindow(int width, int height, void* owner);
    ~kwEventWindow() override;

    // Presents the frame and dispatches pending input (see above).
    virtual void refresh();
    // The mouse moved to (x, y), pixels from the top-left corner; flags as
    // WM_MOUSEMOVE's wParam. Does nothing here.
    virtual void mouseMove(int x, int y, int flags);
    // A key went down (down true) or up; key is the virtual-key code. Does
    // nothing here.
    virtual void keyEvent(unsigned key, bool down);
    // Handles one message as described above; returns 0.
    virtual kw::LRESULT WndProc(kw::HWND hwnd, kw::UINT message, kw::WPARAM wParam, kw::LPARAM lParam);

    // Chooses the script for windows constructed from now on (null: real windows).
    static void useScript(kwWindowScript* script);
    static kwWindowScript* getScript();

    // Refreshes done so far.
    unsigned getRefreshCount() const { return refreshCount; }
    kw::HWND getHandle() const;

    void* owner;
    // Nonzero while the button is held: 0 left, 1 middle, 2 right.
    unsigned char buttonDown[3];

private:
    unsigned refreshCount = 0;
};
