// A perspective camera: where it stands, what it looks at, its near and far
// clipping planes and its vertical field of view. The projection is fitted
// to the aspect ratio of the target it renders into.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwAligned.h>
#include <corvane/kwVec3.h>

class CORVANE_API kwCamera {
public:
    KW_ALIGNED_NEW

    kwCamera();
    virtual ~kwCamera();

    void setPos(float x, float y, float z);
    void lookAt(float x, float y, float z);
    void setClips(float nearClip, float farClip);
    void setFieldOfView(float degrees);  // vertical, default 60

    const kwVec3& getPosition() const { return position; }
    const kwVec3& getTarget() const { return target; }
    float getNear() const { return nearClip; }
    float getFar() const { return farClip; }
    float getFieldOfView() const { return fieldOfView; }

    // The view matrix (column-major): the camera at the origin looking down
    // -z. Its up vector is world +y, or world -z when the view direction is
    // within a few degrees of vertical (a camera looking straight down sees
    // -z at the top of the picture). A camera whose target is its position
    // looks down -z.
    void getViewMatrix(float out[16]) const;
    // The perspective projection (column-major) for a target of
    // width x height pixels; a degenerate size counts as square.
    void getProjectionMatrix(int width, int height, float out[16]) const;

private:
    kwVec3 position{0.0f, 0.0f, 0.0f};
    kwVec3 target{0.0f, 0.0f, -1.0f};
    float nearClip = 0.5f;
    float farClip = 1000.0f;
    float fieldOfView = 60.0f;
};
