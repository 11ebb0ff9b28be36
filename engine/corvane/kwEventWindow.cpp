#include <corvane/kwEventWindow.h>

#include <corvane/kwWindowBackend.h>
#include <win32/win32.h>

#include <type_traits>

// Handlers written with the Windows names override the window procedure.
static_assert(std::is_same<HWND, kw::HWND>::value && std::is_same<UINT, kw::UINT>::value &&
                  std::is_same<WPARAM, kw::WPARAM>::value && std::is_same<LPARAM, kw::LPARAM>::value &&
                  std::is_same<LRESULT, kw::LRESULT>::value,
              "kw:: window types differ from the Windows names");

namespace {

kwWindowScript* activeScript = nullptr;

WPARAM mouseFlags(const unsigned char buttons[3]) {
    WPARAM flags = 0;
    if (buttons[0]) flags |= MK_LBUTTON;
    if (buttons[1]) flags |= MK_MBUTTON;
    if (buttons[2]) flags |= MK_RBUTTON;
    return flags;
}

// Position packed as a window message's lParam: x low, y high, 16 bits each.
LPARAM packPoint(int x, int y) {
    return LPARAM((unsigned(x) & 0xFFFFu) | ((unsigned(y) & 0xFFFFu) << 16));
}

int pointX(LPARAM p) { return static_cast<short>(static_cast<unsigned>(p) & 0xFFFFu); }
int pointY(LPARAM p) { return static_cast<short>((static_cast<unsigned>(p) >> 16) & 0xFFFFu); }

}  // namespace

void kwEventWindow::useScript(kwWindowScript* script) { activeScript = script; }
kwWindowScript* kwEventWindow::getScript() { return activeScript; }

kwEventWindow::kwEventWindow(int w, int h, void* ownerPointer) : kwWindow(w, h, nullptr), owner(ownerPointer) {
    buttonDown[0] = buttonDown[1] = buttonDown[2] = 0;
}

kwEventWindow::~kwEventWindow() = default;

HWND kwEventWindow::getHandle() const { return static_cast<HWND>(backend->handle()); }

void kwEventWindow::refresh() {
    backend->present();
    HWND hwnd = getHandle();
    kwWindowEvent e;
    while (backend->poll(e)) {
        switch (e.type) {
            case kwWindowEvent::Key: {
                // lParam as Windows gives it: repeat count 1, bit 30 the
                // previous state, bit 31 set on release.
                LPARAM flags = 1;
                if (e.repeat || !e.down) flags |= LPARAM(1) << 30;
                if (!e.down) flags |= LPARAM(1u << 31);
                WndProc(hwnd, e.down ? WM_KEYDOWN : WM_KEYUP, e.vk, flags);
                break;
            }
            case kwWindowEvent::MouseMove:
                WndProc(hwnd, WM_MOUSEMOVE, mouseFlags(e.buttons), packPoint(e.x, e.y));
                break;
            case kwWindowEvent::Button: {
                static const UINT downMessage[3] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
                static const UINT upMessage[3] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
                unsigned char held[3] = {buttonDown[0], buttonDown[1], buttonDown[2]};
                held[e.button] = e.down ? 1 : 0;
                WndProc(hwnd, e.down ? downMessage[e.button] : upMessage[e.button], mouseFlags(held),
                        packPoint(e.x, e.y));
                break;
            }
            case kwWindowEvent::Close:
                WndProc(hwnd, WM_CLOSE, 0, 0);
                break;
            case kwWindowEvent::Resize:
                WndProc(hwnd, WM_SIZE, 0, packPoint(e.x, e.y));
                break;
            case kwWindowEvent::Message:
                WndProc(hwnd, e.message, e.wParam, e.lParam);
                break;
            case kwWindowEvent::None:
                break;
        }
    }
    ++refreshCount;
}

void kwEventWindow::mouseMove(int, int, int) {}
void kwEventWindow::keyEvent(unsigned, bool) {}

LRESULT kwEventWindow::WndProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            keyEvent(unsigned(wParam), true);
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            keyEvent(unsigned(wParam), false);
            break;
        case WM_MOUSEMOVE:
            buttonDown[0] = (wParam & MK_LBUTTON) ? 1 : 0;
            buttonDown[1] = (wParam & MK_MBUTTON) ? 1 : 0;
            buttonDown[2] = (wParam & MK_RBUTTON) ? 1 : 0;
            mouseMove(pointX(lParam), pointY(lParam), int(wParam));
            break;
        case WM_LBUTTONDOWN: buttonDown[0] = 1; break;
        case WM_LBUTTONUP: buttonDown[0] = 0; break;
        case WM_MBUTTONDOWN: buttonDown[1] = 1; break;
        case WM_MBUTTONUP: buttonDown[1] = 0; break;
        case WM_RBUTTONDOWN: buttonDown[2] = 1; break;
        case WM_RBUTTONUP: buttonDown[2] = 0; break;
        case WM_CLOSE:
            isOpen = 0;
            break;
        case WM_SIZE:
            // The window changed size itself: record it, do not resize again.
            kwRenderTarget::setSize(pointX(lParam), pointY(lParam));
            break;
        default:
            break;
    }
    return 0;
}
