// A render state holding a new material with velkin's lighting terms and
// the diffuse colour (r, g, b, 1). The state's only reference is the holder
// slot the caller assigns it to next.
#pragma once

#include <corvane/kwState.h>

kwState* makeMaterialState(float r, float g, float b);
