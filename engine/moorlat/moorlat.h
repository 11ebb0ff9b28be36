// Umbrella header of moorlat: tiled terrain.
#pragma once

#include <moorlat/TileTerrain.h>
