// Something a scene can be drawn into: a window, or a scripted stand-in for
// one in tests. Virtual operations, in slot order: clear, bind, setSize,
// current, destructor; windows add theirs after these.
#pragma once

#include <cstdint>

#include <corvane/corvaneExport.h>

class kwContext;

class CORVANE_API kwRenderTarget {
public:
    kwRenderTarget(int width, int height);
    kwRenderTarget(const kwRenderTarget&) = delete;
    kwRenderTarget& operator=(const kwRenderTarget&) = delete;

    // Clears colour and depth to the clear colour. Does nothing when the
    // target cannot draw.
    virtual void clear();
    // Directs drawing at the whole target (the viewport covers width x height).
    virtual void bind();
    // Records a new size; a window also resizes itself.
    virtual void setSize(int width, int height);
    // Makes the target's drawing context the current one. Returns false when
    // the target has nothing to draw into (a scripted window): callers then
    // skip every drawing call.
    virtual bool current();
    // Not noexcept, as node destructors: a window's destruction may carry
    // the engine's char* text to the program's handler.
    virtual ~kwRenderTarget() noexcept(false);

    // The rendering context that draws into this target. Never null: a target
    // that cannot draw hands out a context whose hooks do nothing, so the
    // update traversal still runs.
    kwContext* getContext() const { return context; }

    void setClearColor(float r, float g, float b, float a);
    const float* getClearColor() const { return clearColor; }

    std::int32_t width;
    std::int32_t height;

protected:
    kwContext* context = nullptr;  // owned by the subclass that set it
    float clearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};
