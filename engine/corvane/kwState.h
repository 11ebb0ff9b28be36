// Render state carried by a node: material, light and texture, each held by a
// reference-counted slot.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwLight.h>
#include <corvane/kwMaterial.h>
#include <corvane/kwRef.h>
#include <corvane/kwRefCounted.h>
#include <corvane/kwTexture.h>

class CORVANE_API kwState : public kwRefCounted {
public:
    kwState();
    ~kwState() override;

    kw::ref<kwMaterial> material;
    kw::ref<kwLight> light;
    kw::ref<kwTexture> texture;
};
