// The Win32 window backend: a native window with a WGL OpenGL context.
//
// The window's procedure keeps the messages a kwEventWindow handles (keys,
// mouse, size, close) in a queue, unchanged; poll() pumps the thread's
// message queue and hands them out, and kwEventWindow::refresh delivers them
// to its WndProc as they came. WM_CLOSE is only recorded: the window stays
// until its kwWindow is destroyed, as the program expects to read isOpen.
// Ctrl-C and Ctrl-Break in the console post WM_CLOSE to every open window,
// so a console program closes as cleanly as when its window is closed.
#include <corvane/kwWindowBackend.h>

#include <corvane/kwGLApi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include <corvane/kwGLRenderer.h>
#include <corvane/kwWindowScript.h>

kwWindowBackend* kwMakeScriptBackend(const kwWindowScript& script);

kwGLExtensions kwGLExt = {};

bool kwGLLoadExtensions(const char** missing) {
    struct Entry {
        const char* name;
        PROC* slot;
    };
    const Entry entries[] = {
        {"glGenBuffers", reinterpret_cast<PROC*>(&kwGLExt.genBuffers)},
        {"glDeleteBuffers", reinterpret_cast<PROC*>(&kwGLExt.deleteBuffers)},
        {"glBindBuffer", reinterpret_cast<PROC*>(&kwGLExt.bindBuffer)},
        {"glBufferData", reinterpret_cast<PROC*>(&kwGLExt.bufferData)},
    };
    for (const Entry& e : entries) {
        PROC p = wglGetProcAddress(e.name);
        // Some drivers answer 1, 2, 3 or -1 instead of null for a missing entry.
        const INT_PTR code = reinterpret_cast<INT_PTR>(p);
        if (code >= -1 && code <= 3) {
            if (missing) *missing = e.name;
            return false;
        }
        *e.slot = p;
    }
    return true;
}

namespace {

const char className[] = "corvaneWindow";
const DWORD windowStyle = WS_OVERLAPPEDWINDOW;

// Engine fatal errors are thrown as text; the buffer outlives the throw.
[[noreturn]] void fail(const char* what) {
    static char message[512];
    const DWORD code = GetLastError();
    char reason[256] = "";
    if (code == 0 ||
        !FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, reason,
                        sizeof reason, nullptr)) {
        std::snprintf(reason, sizeof reason, "error %lu", static_cast<unsigned long>(code));
    }
    // FormatMessage ends its text with a line break.
    reason[std::strcspn(reason, "\r\n")] = '\0';
    std::snprintf(message, sizeof message, "%s: %s", what, reason);
    throw static_cast<char*>(message);
}

// The program's name without folder and ".exe", as the window's default title.
const char* programName() {
    static char name[MAX_PATH];
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return "corvane";
    const char* base = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') base = p + 1;
    }
    std::snprintf(name, sizeof name, "%s", base);
    const std::size_t n = std::strlen(name);
    if (n > 4 && _stricmp(name + n - 4, ".exe") == 0) name[n - 4] = '\0';
    return name;
}

// The open windows, for the console's Ctrl-C handler, which runs on a
// thread of its own.
std::mutex openWindowsLock;
std::vector<HWND> openWindows;

BOOL WINAPI consoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    std::lock_guard<std::mutex> hold(openWindowsLock);
    if (openWindows.empty()) return FALSE;  // no window to close: the default ends the program
    for (HWND w : openWindows) PostMessageA(w, WM_CLOSE, 0, 0);
    return TRUE;
}

// Registers the window class and the console handler once per process.
void registerOnce() {
    static bool done = false;
    if (done) return;
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;  // replaced per window once its backend is attached
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) fail("cannot register the window class");
    SetConsoleCtrlHandler(consoleControl, TRUE);
    done = true;
}

// Outer window size for a client area of width x height.
SIZE outerSize(int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, windowStyle, FALSE);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

class Win32Backend : public kwWindowBackend {
public:
    Win32Backend(int width, int height, const char* title) {
        registerOnce();
        const SIZE outer = outerSize(width, height);
        hwnd = CreateWindowExA(0, className, title ? title : programName(), windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                               outer.cx, outer.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!hwnd) fail("cannot create window");
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Backend::windowProc));
        dc = GetDC(hwnd);
        if (!dc || !choosePixelFormat()) {
            destroyWindow();
            fail("cannot set an OpenGL pixel format");
        }
        gl = wglCreateContext(dc);
        if (!gl || !wglMakeCurrent(dc, gl)) {
            if (gl) wglDeleteContext(gl);
            destroyWindow();
            fail("cannot create OpenGL context");
        }
        const char* missing = nullptr;
        if (!kwGLLoadExtensions(&missing)) {
            static char message[160];
            std::snprintf(message, sizeof message, "the OpenGL driver lacks %s (OpenGL 1.5 or later needed)",
                          missing);
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(gl);
            destroyWindow();
            throw static_cast<char*>(message);
        }
        // No vsync; a driver that refuses is fine.
        typedef BOOL(WINAPI * SwapIntervalProc)(int);
        if (auto swapInterval = reinterpret_cast<SwapIntervalProc>(
                reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")))) {
            swapInterval(0);
        }
        renderer = new kwGLRenderer();
        {
            std::lock_guard<std::mutex> hold(openWindowsLock);
            openWindows.push_back(hwnd);
        }
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }

    ~Win32Backend() override {
        wglMakeCurrent(dc, gl);
        delete renderer;
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(gl);
        {
            std::lock_guard<std::mutex> hold(openWindowsLock);
            openWindows.erase(std::remove(openWindows.begin(), openWindows.end(), hwnd), openWindows.end());
        }
        destroyWindow();
    }

    kwContext* context() override { return renderer; }
    bool canDraw() const override { return true; }

    bool makeCurrent() override {
        if (wglGetCurrentContext() != gl) wglMakeCurrent(dc, gl);
        return true;
    }

    void present() override { SwapBuffers(dc); }
    void viewport(int x, int y, int width, int height) override { kwGLViewport(x, y, width, height); }
    void clear(const float color[4]) override { kwGLClear(color); }
    void readPixels(int width, int height, unsigned char* rgb) override { kwGLReadPixels(width, height, rgb); }

    bool poll(kwWindowEvent& out) override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (pending.empty()) return false;
        out = pending.front();
        pending.pop_front();
        return true;
    }

    void resize(int width, int height) override {
        const SIZE outer = outerSize(width, height);
        SetWindowPos(hwnd, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void move(int x, int y) override {
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void* handle() override { return hwnd; }

private:
    bool choosePixelFormat() {
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 24;
        pfd.cDepthBits = 24;
        pfd.cStencilBits = 8;
        pfd.iLayerType = PFD_MAIN_PLANE;
        const int format = ChoosePixelFormat(dc, &pfd);
        return format != 0 && SetPixelFormat(dc, format, &pfd);
    }

    void destroyWindow() {
        if (dc) ReleaseDC(hwnd, dc);
        dc = nullptr;
        if (hwnd) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
        hwnd = nullptr;
    }

    // Keeps the messages a kwEventWindow handles; everything else gets the
    // default handling. Mouse input is captured while a button is held, so
    // a drag that leaves the window still ends with its button release.
    static LRESULT CALLBACK windowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (!self) return DefWindowProcA(w, message, wParam, lParam);
        switch (message) {
            case WM_LBUTTONDOWN:
            case WM_MBUTTONDOWN:
            case WM_RBUTTONDOWN:
                SetCapture(w);
                break;
            case WM_LBUTTONUP:
            case WM_MBUTTONUP:
            case WM_RBUTTONUP:
                if (!(wParam & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON))) ReleaseCapture();
                break;
            case WM_KEYDOWN:
            case WM_KEYUP:
            case WM_MOUSEMOVE:
            case WM_SIZE:
                break;
            case WM_SYSKEYDOWN:
            case WM_SYSKEYUP:
                // Alt and F10 arrive as system keys; they still open the
                // window menu and the like through the default handling.
                self->keep(message, wParam, lParam);
                return DefWindowProcA(w, message, wParam, lParam);
            case WM_CLOSE:
                self->keep(message, wParam, lParam);
                return 0;
            default:
                return DefWindowProcA(w, message, wParam, lParam);
        }
        self->keep(message, wParam, lParam);
        return 0;
    }

    void keep(UINT message, WPARAM wParam, LPARAM lParam) {
        kwWindowEvent e;
        e.type = kwWindowEvent::Message;
        e.message = message;
        e.wParam = wParam;
        e.lParam = lParam;
        pending.push_back(e);
    }

    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HGLRC gl = nullptr;
    kwGLRenderer* renderer = nullptr;
    std::deque<kwWindowEvent> pending;
};

}  // namespace

kwWindowBackend* kwWindowBackend::create(int width, int height, const char* title, const kwWindowScript* script) {
    if (script) return kwMakeScriptBackend(*script);
    return new Win32Backend(width, height, title);
}
