// Umbrella header of ornatex: image loaders and mesh primitives.
#pragma once

#include <ornatex/imageloaders/ImageLoaderTGA.h>
