// Input for a scripted window (see kwEventWindow::useScript): key and mouse
// events queued for given refreshes, and the refresh after which the window
// closes. Refreshes are numbered from 0 (the first refresh() call is 0).
//
//   kwWindowScript script;
//   script.key(0, VK_UP, true).key(5, VK_UP, false)
//         .mouse(2, 100, 100, true, false, false)   // left held, at (100, 100)
//         .closeAfter(10);                          // 10 refreshes, then closed
//   kwEventWindow::useScript(&script);
//
// Events of one refresh are delivered in the order they were queued.
// closeAfter(n) clears isOpen at the end of refresh n - 1, so a frame loop
// that tests isOpen before each frame runs exactly n frames; closeAfter(0)
// gives a window that is closed from the start. Without closeAfter the window
// closes after the refresh of the last queued event (after refresh 0 when
// nothing is queued).
#pragma once

#include <vector>

#include <corvane/corvaneExport.h>

class CORVANE_API kwWindowScript {
public:
    struct Event {
        enum Type { Key, Mouse, Buttons } type;
        int refresh;
        unsigned vk;             // Key
        bool down;               // Key
        int x, y;                // Mouse
        bool buttons[3];         // Mouse, Buttons: left, middle, right
    };

    kwWindowScript() = default;
    ~kwWindowScript();
    kwWindowScript(const kwWindowScript&) = delete;
    kwWindowScript& operator=(const kwWindowScript&) = delete;

    // Key `vk` goes down (down true) or up during refresh `refresh`.
    kwWindowScript& key(int refresh, unsigned vk, bool down);
    // Down at `refresh` and up at `refresh + 1`.
    kwWindowScript& press(int refresh, unsigned vk);
    // The mouse moves to (x, y) with these buttons held (they are set first).
    kwWindowScript& mouse(int refresh, int x, int y, bool left = false, bool middle = false, bool right = false);
    // The buttons change without motion.
    kwWindowScript& buttons(int refresh, bool left, bool middle, bool right);
    // The window closes after `refreshes` refreshes.
    kwWindowScript& closeAfter(int refreshes);

    // The refresh count after which the window closes.
    int getCloseAfter() const;
    const std::vector<Event>& getEvents() const { return events; }

private:
    std::vector<Event> events;
    int close = -1;
};
