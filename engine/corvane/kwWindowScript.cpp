#include <corvane/kwWindowScript.h>

#include <corvane/kwEventWindow.h>

kwWindowScript::~kwWindowScript() {
    if (kwEventWindow::getScript() == this) kwEventWindow::useScript(nullptr);
}

kwWindowScript& kwWindowScript::key(int refresh, unsigned vk, bool down) {
    Event e{};
    e.type = Event::Key;
    e.refresh = refresh;
    e.vk = vk;
    e.down = down;
    events.push_back(e);
    return *this;
}

kwWindowScript& kwWindowScript::press(int refresh, unsigned vk) {
    return key(refresh, vk, true).key(refresh + 1, vk, false);
}

kwWindowScript& kwWindowScript::mouse(int refresh, int x, int y, bool left, bool middle, bool right) {
    Event e{};
    e.type = Event::Mouse;
    e.refresh = refresh;
    e.x = x;
    e.y = y;
    e.buttons[0] = left;
    e.buttons[1] = middle;
    e.buttons[2] = right;
    events.push_back(e);
    return *this;
}

kwWindowScript& kwWindowScript::buttons(int refresh, bool left, bool middle, bool right) {
    Event e{};
    e.type = Event::Buttons;
    e.refresh = refresh;
    e.buttons[0] = left;
    e.buttons[1] = middle;
    e.buttons[2] = right;
    events.push_back(e);
    return *this;
}

kwWindowScript& kwWindowScript::closeAfter(int refreshes) {
    close = refreshes < 0 ? 0 : refreshes;
    return *this;
}

int kwWindowScript::getCloseAfter() const {
    if (close >= 0) return close;
    int last = 0;
    for (const Event& e : events)
        if (e.refresh + 1 > last) last = e.refresh + 1;
    return last > 0 ? last : 1;
}
