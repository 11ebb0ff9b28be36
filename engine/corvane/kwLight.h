// A light source. Its position (w = 1 a point, w = 0 a direction) is given in
// the coordinates of the node whose state holds the light.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwRefCounted.h>
#include <corvane/kwVec4.h>

class CORVANE_API kwLight : public kwRefCounted {
public:
    kwLight();
    ~kwLight() override;

    void setPosition(float x, float y, float z, float w) { position = kwVec4(x, y, z, w); }
    void setAmbient(float r, float g, float b, float a) { ambient = kwVec4(r, g, b, a); }
    void setDiffuse(float r, float g, float b, float a) { diffuse = kwVec4(r, g, b, a); }
    void setSpecular(float r, float g, float b, float a) { specular = kwVec4(r, g, b, a); }

    kwVec4 position{0.0f, 0.0f, 1.0f, 0.0f};
    kwVec4 ambient{0.0f, 0.0f, 0.0f, 1.0f};
    kwVec4 diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    kwVec4 specular{1.0f, 1.0f, 1.0f, 1.0f};
};
