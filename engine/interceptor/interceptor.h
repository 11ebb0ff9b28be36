// Umbrella header of interceptor: the aircraft, its missiles and terrains.
#pragma once

#include <interceptor/Ground.h>
#include <interceptor/Interceptor.h>
#include <interceptor/Missile.h>
#include <interceptor/ParametricTerrain.h>
