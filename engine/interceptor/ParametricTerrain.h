// A lit height-field terrain around the viewer: a square grid of
// gridSize x gridSize vertices, gridSpacing apart, centred on the tile that
// holds the current position. The plane of the terrain is the x-z plane of
// the node's coordinates and the height is y. The current position is given
// as setCurrentPos receives it, (x, z, height), in the scene root's
// coordinates; the terrain takes it through the transforms above it, so it
// stays under the viewer when those transforms move, turn or scale it.
//
// The grid is rebuilt at an update only when the position has moved into
// another tile, at most once per update, always the same fixed amount of
// work; the arrays are rewritten in place.
#pragma once

#include <cstdint>

#include <corvane/PrimitiveIndexed.h>
#include <interceptor/interceptorExport.h>
#include <moorlat/TileTerrain.h>

class INTERCEPTOR_API ParametricTerrain : public TileTerrain {
public:
    static constexpr int gridSize = 33;           // vertices along each side
    static constexpr float gridSpacing = 1.5f;    // units between vertices
    static constexpr float terrainTileSize = 8.0f;

    ParametricTerrain();
    ~ParametricTerrain() override;

    // Height of the terrain at plane point (x, z): rolling hills between
    // -2.6 and -0.4, below an aircraft flying at height 0.5 or more.
    static float heightAt(float x, float z);

    // Rebuilds the grid if the tile changed since the last update, then
    // updates the subtree.
    void update(kwContext* context) override;

    // Times the grid was built (construction counts as the first).
    std::uint32_t getRebuildCount() const { return rebuilds; }
    const PrimitiveIndexed* getMesh() const { return mesh; }

protected:
    // Re-centres on the tile under the current position, taken from scene
    // coordinates into this node's plane; the rebuild waits for update.
    void positionChanged() override;
    void tileChanged() override;

private:
    void rebuild();

    PrimitiveIndexed* mesh;
    vertexN3V3* vertices;
    unsigned short* indices;
    std::uint32_t rebuilds = 0;
    bool dirty = false;
};
