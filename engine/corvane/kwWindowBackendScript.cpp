// The scripted window backend: no display, no OpenGL. Each present() starts
// the next refresh; poll() then hands out the script's events for it, and a
// close once the script's refresh count is reached.
#include <corvane/kwWindowBackend.h>

#include <algorithm>
#include <vector>

#include <corvane/kwContext.h>
#include <corvane/kwWindowScript.h>

namespace {

class ScriptBackend : public kwWindowBackend {
public:
    explicit ScriptBackend(const kwWindowScript& script)
        : events(script.getEvents()), closeAfter(script.getCloseAfter()) {
        // Events of a refresh keep the order they were queued in.
        std::stable_sort(events.begin(), events.end(),
                         [](const kwWindowScript::Event& a, const kwWindowScript::Event& b) {
                             return a.refresh < b.refresh;
                         });
        while (next < events.size() && events[next].refresh < 0) ++next;
    }

    kwContext* context() override { return &noDrawing; }
    bool canDraw() const override { return false; }
    bool makeCurrent() override { return false; }

    void present() override {
        end = next;
        while (end < events.size() && events[end].refresh <= refresh) ++end;
        ++refresh;
        closePending = !closed && refresh >= closeAfter;
    }

    bool poll(kwWindowEvent& out) override {
        out = kwWindowEvent();
        if (takeButtonChange(out)) return true;
        while (next < end) {
            const kwWindowScript::Event& e = events[next++];
            if (e.type == kwWindowScript::Event::Key) {
                out.type = kwWindowEvent::Key;
                out.vk = e.vk;
                out.down = e.down;
                return true;
            }
            if (e.type == kwWindowScript::Event::Mouse) {
                out.type = kwWindowEvent::MouseMove;
                out.x = e.x;
                out.y = e.y;
                for (int b = 0; b < 3; ++b) {
                    held[b] = pendingButtons[b] = e.buttons[b];
                    out.buttons[b] = e.buttons[b] ? 1 : 0;
                }
                return true;
            }
            // Buttons: one message per button that changed.
            for (int b = 0; b < 3; ++b) pendingButtons[b] = e.buttons[b];
            if (takeButtonChange(out)) return true;
        }
        if (closePending) {
            closePending = false;
            closed = true;
            out.type = kwWindowEvent::Close;
            return true;
        }
        return false;
    }

    void resize(int, int) override {}
    void move(int, int) override {}
    void* handle() override { return this; }
    bool closedAtStart() const override { return closeAfter <= 0; }

private:
    bool takeButtonChange(kwWindowEvent& out) {
        for (int b = 0; b < 3; ++b) {
            if (pendingButtons[b] != held[b]) {
                held[b] = pendingButtons[b];
                out.type = kwWindowEvent::Button;
                out.button = b;
                out.down = held[b];
                return true;
            }
        }
        return false;
    }

    std::vector<kwWindowScript::Event> events;
    std::size_t next = 0;
    std::size_t end = 0;
    int closeAfter;
    int refresh = 0;
    bool closePending = false;
    bool closed = false;
    bool held[3] = {false, false, false};
    bool pendingButtons[3] = {false, false, false};
    kwContext noDrawing;
};

}  // namespace

kwWindowBackend* kwMakeScriptBackend(const kwWindowScript& script) { return new ScriptBackend(script); }
