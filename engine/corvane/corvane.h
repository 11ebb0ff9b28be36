// Umbrella header of corvane: math, textures, scene graph, primitives,
// scenes, cameras and windows.
#pragma once

#include <corvane/corvaneExport.h>  // first: tells a pre-C++17 compiler what it lacks
#include <corvane/Primitive.h>
#include <corvane/PrimitiveIndexed.h>
#include <corvane/PrimitiveInterleaved.h>
#include <corvane/kwBoundary.h>
#include <corvane/kwCamera.h>
#include <corvane/kwContext.h>
#include <corvane/kwEventWindow.h>
#include <corvane/kwLight.h>
#include <corvane/kwMaterial.h>
#include <corvane/kwNode.h>
#include <corvane/kwRef.h>
#include <corvane/kwRenderTarget.h>
#include <corvane/kwScene.h>
#include <corvane/kwSpotLight.h>
#include <corvane/kwState.h>
#include <corvane/kwTexture.h>
#include <corvane/kwTransform.h>
#include <corvane/kwTransformNode.h>
#include <corvane/kwVec2.h>
#include <corvane/kwVec3.h>
#include <corvane/kwVec4.h>
#include <corvane/kwVector.h>
#include <corvane/kwWindow.h>
#include <corvane/kwWindowScript.h>
#include <corvane/vertexFormats.h>
