// A light that shines in a cone around a direction.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwLight.h>
#include <corvane/kwVec3.h>

class CORVANE_API kwSpotLight : public kwLight {
public:
    kwSpotLight();
    ~kwSpotLight() override;

    void setDirection(float x, float y, float z) { direction = kwVec3(x, y, z); }
    void setCutoff(float degrees) { cutoff = degrees; }
    void setExponent(float e) { exponent = e; }

    // By default the cone points down and forward (toward -y and -z) at 45
    // degrees, so a light placed above and in front of the origin lights the
    // ground around it.
    kwVec3 direction{0.0f, -0.70710678f, -0.70710678f};
    float cutoff = 60.0f;   // half-angle of the cone in degrees
    float exponent = 2.0f;  // falloff toward the cone's edge
};
