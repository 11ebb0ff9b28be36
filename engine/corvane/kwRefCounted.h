// Base of the reference-counted render attributes (states, materials, lights,
// textures). A new object starts with a count of 0: the holder slot it is
// assigned to takes the first reference.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwAligned.h>

class CORVANE_API kwRefCounted {
public:
    KW_ALIGNED_NEW

    kwRefCounted() = default;
    kwRefCounted(const kwRefCounted&) = delete;
    kwRefCounted& operator=(const kwRefCounted&) = delete;
    virtual ~kwRefCounted();

    int refCount = 0;
};
