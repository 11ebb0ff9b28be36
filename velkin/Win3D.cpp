#include <velkin/Win3D.h>

#include <algorithm>
#include <cmath>

#include <win32/win32.h>

namespace {

// Letters have the virtual-key codes of their capitals.
constexpr unsigned keyCodeQ = 'Q';
constexpr unsigned keyCodeR = 'R';

}  // namespace

Win3D::Win3D(WindowApp* owner) : kwEventWindow(500, 500, owner) {
    keyUp = keyRight = keyLeft = keyDown = 0;
    keyR = keyShift = keySpace = keyControl = 0;
    target = nullptr;
    moveX = mouseX = moveY = mouseY = 0.0f;
    angleX = angleY = roll = 0.0f;
    scaleFactor = 1.0f;
}

Win3D::~Win3D() = default;

void Win3D::keyEvent(unsigned key, bool down) {
    const unsigned char flag = down ? 1 : 0;
    switch (key) {
        case VK_UP: keyUp = flag; break;
        case VK_RIGHT: keyRight = flag; break;
        case VK_LEFT: keyLeft = flag; break;
        case VK_DOWN: keyDown = flag; break;
        case keyCodeR: keyR = flag; break;
        case VK_SHIFT: keyShift = flag; break;
        case VK_SPACE: keySpace = flag; break;
        case VK_CONTROL: keyControl = flag; break;
        case keyCodeQ:
            // Press and release alike undo the mouse's work.
            angleX = angleY = roll = 0.0f;
            scaleFactor = 1.0f;
            if (target) target->reset();
            break;
        default: break;
    }
}

void Win3D::mouseMove(int x, int y, int) {
    // A window with no area has no position to measure against: dividing by
    // its size would put infinities into the target.
    if (width <= 0 || height <= 0) return;
    // Single-precision operands, double-precision arithmetic.
    const double nx = double(float(x)) / double(float(width));
    const double ny = double(float(y)) / double(float(height));
    if (target) {
        const bool a = buttonDown[0] != 0;
        const bool b = buttonDown[2] != 0;
        if (b && !a) {  // move
            moveX = float(nx - mouseX);
            moveY = float(mouseY - ny);
            target->translate(moveX, moveY, 0.0f);
        } else if (a && !b) {  // turn about the target's own origin
            const float tx = target->matrix[12], ty = target->matrix[13], tz = target->matrix[14];
            target->translate(-tx, -ty, -tz);
            angleY = float((nx - mouseX) * 100.0);
            angleX = float((ny - mouseY) * 100.0);
            target->rotate(angleX, 1.0f, 0.0f, 0.0f);
            target->rotate(angleY, 0.0f, 1.0f, 0.0f);
            target->translate(tx, ty, tz);
        } else if (a && b) {  // scale and roll about the target's own origin
            const float tx = target->matrix[12], ty = target->matrix[13], tz = target->matrix[14];
            target->translate(-tx, -ty, -tz);
            roll = float((nx - mouseX) * 100.0);
            // A cursor that leaves the window can ask for 0 or less, which
            // would flatten or mirror the world: keep a small positive floor.
            scaleFactor = std::max(float((ny - mouseY) + 1.0), minScaleFactor);
            // The target's scale now: the length of its first column.
            const double now = std::sqrt(double(target->matrix[0]) * target->matrix[0] +
                                         double(target->matrix[1]) * target->matrix[1] +
                                         double(target->matrix[2]) * target->matrix[2]);
            if (now > 0.0)
                scaleFactor = float(std::min(std::max(double(scaleFactor), minTargetScale / now), maxTargetScale / now));
            target->scale(scaleFactor, scaleFactor, scaleFactor);
            target->rotate(roll, 0.0f, 0.0f, 1.0f);
            target->translate(tx, ty, tz);
        }
    }
    mouseX = float(nx);
    mouseY = float(ny);
}
