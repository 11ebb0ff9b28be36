// Umbrella header of ornatex: image loaders and mesh primitives.
#pragma once

#include <ornatex/ornatexExport.h>  // first: tells a pre-C++17 compiler what it lacks
#include <ornatex/decode.h>
#include <ornatex/imageloaders/ImageLoaderRGBA.h>
#include <ornatex/imageloaders/ImageLoaderTGA.h>
#include <ornatex/imageloaders/ImageLoaderTIFF.h>
#include <ornatex/primitives/GridPlan.h>
#include <ornatex/primitives/kwCircle.h>
#include <ornatex/primitives/kwCone.h>
#include <ornatex/primitives/kwCylinder.h>
#include <ornatex/primitives/kwParametric.h>
#include <ornatex/primitives/kwSphere.h>
#include <ornatex/primitives/kwTexCircle.h>
