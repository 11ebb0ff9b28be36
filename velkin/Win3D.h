// velkin's window: 500 x 500 pixels. It records which of the flight keys are
// held, as byte flags the frame reads, and lets the mouse move, turn and
// scale one transform, the target: the right button drags it, the left
// button turns it about its own origin, both together scale and roll it.
// Q undoes the mouse's work. One event's scale is at least minScaleFactor,
// and the target's own scale stays between minTargetScale and maxTargetScale:
// beyond them single-precision coordinates (or the camera's far clip) would
// no longer hold the terrain.
#pragma once

#include <corvane/kwEventWindow.h>
#include <corvane/kwTransform.h>

class WindowApp;

class Win3D : public kwEventWindow {
public:
    // Smallest scale one both-button event applies.
    static constexpr float minScaleFactor = 0.05f;
    // Bounds of the scale the mouse gives the target (0.05^18 and 1000).
    static constexpr float minTargetScale = 3.8e-24f;
    static constexpr float maxTargetScale = 1000.0f;

    explicit Win3D(WindowApp* owner);
    ~Win3D() override;

    void mouseMove(int x, int y, int flags) override;
    void keyEvent(unsigned key, bool down) override;

    // Key flags: the `down` value of the latest event for the key.
    unsigned char keyUp;
    unsigned char keyRight;
    unsigned char keyLeft;
    unsigned char keyDown;
    unsigned char keyR;
    unsigned char keyShift;
    unsigned char keySpace;  // pressed and not yet served; the missile step clears it
    unsigned char keyControl;

    kwTransform* target;  // changed by the mouse; not owned
    float moveX;          // x translation of the last move event
    float mouseX;         // x of the previous mouse event / width
    float moveY;          // y translation of the last move event
    float mouseY;         // y of the previous mouse event / height
    float angleX;         // turn about x of the last turn event
    float angleY;         // turn about y of the last turn event
    float roll;           // turn about z of the last scale event
    float scaleFactor;    // scale of the last scale event
};
