// Lighting terms of a surface, as fixed-function lighting uses them.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwRefCounted.h>
#include <corvane/kwVec4.h>

class CORVANE_API kwMaterial : public kwRefCounted {
public:
    kwMaterial();
    ~kwMaterial() override;

    void setAmbient(float r, float g, float b, float a) { ambient = kwVec4(r, g, b, a); }
    void setDiffuse(float r, float g, float b, float a) { diffuse = kwVec4(r, g, b, a); }
    void setSpecular(float r, float g, float b, float a) { specular = kwVec4(r, g, b, a); }
    void setEmission(float r, float g, float b, float a) { emission = kwVec4(r, g, b, a); }
    void setShininess(float s) { shininess = s; }

    // Defaults are those of fixed-function lighting.
    kwVec4 ambient{0.2f, 0.2f, 0.2f, 1.0f};
    kwVec4 diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    kwVec4 specular{0.0f, 0.0f, 0.0f, 1.0f};
    kwVec4 emission{0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
};
