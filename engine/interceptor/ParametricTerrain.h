// An endless lit height-field terrain around the viewer. The plane of the
// terrain is the x-z plane of the node's coordinates and the height is y;
// the height field is one fixed function of the plane point, so the same
// place always looks the same.
//
// The plane is cut into square tiles of terrainTileSize (TileTerrain's
// tiles, aligned so the origin is a tile's centre). The terrain draws the
// block of (2 tileRing + 1)^2 tiles around the tile under the viewer as one
// grid mesh whose vertices lie on one global lattice, gridSpacing apart:
// every vertex is computed from its own lattice coordinates only, so tiles
// meet without cracks or seams, and a tile looks the same from whichever
// centre it was built.
//
// The block reaches coverage() units from the centre tile's centre in every
// direction: enough for a camera viewAbove units above the highest flying
// height (Interceptor::maxHeight) looking straight down with a vertical
// field of view of 60 degrees in a square window, turned any way about the
// vertical, wherever the viewer stands within the centre tile.
//
// The current position is given as setCurrentPos receives it, (x, z,
// height), in the scene root's coordinates. At every update the terrain takes
// it through the transforms above it (which the mouse may have moved, turned
// or scaled since) to find the tile under the viewer; the grid is rebuilt
// only when that is another tile, at most once per update, always the same
// fixed amount of work, with the arrays rewritten in place.
#pragma once

#include <cstdint>

#include <corvane/PrimitiveIndexed.h>
#include <interceptor/interceptorExport.h>
#include <moorlat/TileTerrain.h>

class INTERCEPTOR_API ParametricTerrain : public TileTerrain {
public:
    static constexpr float terrainTileSize = 8.0f;
    static constexpr int tileCells = 4;  // grid cells along a tile's side
    static constexpr int tileRing = 6;   // tiles drawn on each side of the centre tile
    static constexpr float gridSpacing = terrainTileSize / tileCells;
    static constexpr int gridSize = (2 * tileRing + 1) * tileCells + 1;  // vertices along each side
    // Height of the camera the block is sized for above the viewer (velkin's).
    static constexpr float viewAbove = 20.0f;
    // Lowest and highest points of the height field.
    static constexpr float lowest = -2.6f;
    static constexpr float highest = -0.4f;

    ParametricTerrain();
    ~ParametricTerrain() override;

    // Height of the terrain at plane point (x, z): rolling hills between
    // `lowest` and `highest`, below an aircraft flying at height 0.5 or more.
    static float heightAt(float x, float z);
    // Units the block reaches from the centre tile's centre along x and z.
    static constexpr float coverage() { return (tileRing + 0.5f) * terrainTileSize; }

    // Finds the tile under the viewer through the transforms above, rebuilds
    // the grid if that tile changed, then updates the subtree.
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
