// An endless lit height-field terrain around the viewer. The plane of the
// terrain is the x-z plane of the node's coordinates and the height is y;
// the height field is one fixed function of the plane point, so the same
// place always looks the same.
//
// Levels of detail. The plane is cut into square tiles at every level: level
// 0's tiles are terrainTileSize across, and each level's tiles are three of
// the level below across (a level L + 1 tile is exactly 3 x 3 level L tiles,
// all levels aligned so that the origin is a tile's centre). Each level is a
// grid of tileCells x tileCells cells a tile, on one global lattice whose
// step grows threefold a level. Level 0 draws a block of innerTiles x
// innerTiles tiles centred on the level 1 tile under the viewer; each level
// L >= 1 draws ringTiles x ringTiles of its tiles centred on the level L + 1
// tile under the viewer, leaving out the hole that level L - 1 fills. So the
// levels nest without gaps or overlaps, each reaching reach(L) from the
// viewer at least, and the levels drawn are only as many as the view needs:
// the triangle count grows with the logarithm of the view's size, and is
// bounded by maxLevels however far the world is shrunk.
//
// Seams: the outer edge of a level that has a coarser level around it takes
// its heights and normals from the coarser level's edge (its own vertices
// between two coarse ones lie on the straight coarse edge), so neighbouring
// levels meet without cracks. A coarse level leaves out the hills or
// ripples whose wavelength its lattice step cannot sample (three steps a
// wavelength at least) instead of showing them aliased: far away and from
// high above, the terrain is a smooth lit plain at its mean height.
//
// What the view needs. The current position is given as setCurrentPos
// receives it, (x, z, height), in the scene root's coordinates. The terrain
// assumes the camera velkin uses: viewAbove scene units above the viewer,
// looking straight down with a vertical field of view of 60 degrees into a
// square window. At every update it takes the viewer and that view cone
// through the transforms above it (which the mouse may have moved, turned
// or scaled since) into its own units, finds how far from the viewer the
// view reaches on its lowest ground, and keeps enough levels to cover that.
// A level is rebuilt only when the tiles it is laid out around change, or
// when it gains or loses the coarser level around it; always in place, at
// most once per update.
#pragma once

#include <cstdint>

#include <corvane/PrimitiveIndexed.h>
#include <interceptor/interceptorExport.h>
#include <moorlat/TileTerrain.h>

class INTERCEPTOR_API ParametricTerrain : public TileTerrain {
public:
    static constexpr float terrainTileSize = 8.0f;  // level 0 tile side
    static constexpr int tileCells = 4;             // grid cells along a tile's side
    static constexpr float gridSpacing = terrainTileSize / tileCells;  // level 0 lattice step
    static constexpr int levelFactor = 3;           // tile side ratio of neighbouring levels
    static constexpr int innerTiles = 15;           // level 0's block side, in its tiles
    static constexpr int ringTiles = 9;             // other levels' block side, in their tiles
    static constexpr int maxLevels = 20;
    // Height of the camera the view is measured for above the viewer (velkin's).
    static constexpr float viewAbove = 20.0f;
    // Lowest and highest points of the height field.
    static constexpr float lowest = -2.6f;
    static constexpr float highest = -0.4f;

    ParametricTerrain();
    ~ParametricTerrain() override;

    // Height of the terrain at plane point (x, z), with all its detail:
    // rolling hills between `lowest` and `highest`, below an aircraft flying
    // at height 0.5 or more. Level 0 shows exactly this.
    static float heightAt(float x, float z);
    // Units a level reaches from the viewer at least, in every direction
    // along x and z, wherever the viewer stands.
    static double reach(int level);

    // Takes the viewer and the view through the transforms above, picks
    // the levels, rebuilds those whose layout changed, then updates the subtree.
    void update(kwContext* context) override;

    // Updates that rebuilt at least one level (construction counts as the first).
    std::uint32_t getRebuildCount() const { return rebuilds; }
    // Levels rebuilt in all, one level at a time.
    std::uint32_t getLevelRebuildCount() const { return levelRebuilds; }
    // Levels drawn now (1 to maxLevels), finest first.
    int getLevelCount() const { return builtCount; }
    // How far from the viewer the view reaches on the lowest ground, in the
    // terrain's units, as last measured (infinite when the view meets the
    // horizon, for a world turned on its side).
    double getViewReach() const { return viewReach; }
    // Level `level`'s mesh; an undrawn level's mesh has no indices.
    const PrimitiveIndexed* getLevelMesh(int level) const;
    // Level 0's mesh.
    const PrimitiveIndexed* getMesh() const { return getLevelMesh(0); }

protected:
    // Takes the position (scene coordinates) into this node's plane,
    // re-centres the level 0 tile on it and lays out the levels the view
    // needs; the rebuild waits for update.
    void positionChanged() override;

private:
    // Where a level lies: the centres (in level 0 lattice steps) of the tile
    // of the next level up that it is centred on and of its own tile that
    // holds the hole, and whether a coarser level surrounds it.
    struct Layout {
        double centreX = 0, centreZ = 0, holeX = 0, holeZ = 0;
        bool surrounded = false;
        bool operator==(const Layout& o) const {
            return centreX == o.centreX && centreZ == o.centreZ && holeX == o.holeX && holeZ == o.holeZ &&
                   surrounded == o.surrounded;
        }
    };
    struct Level {
        PrimitiveIndexed* mesh = nullptr;  // a child of this node, which owns it
        vertexN3V3* vertices = nullptr;    // handed to the mesh, which owns them
        unsigned short* indices = nullptr;
        Layout built;
        bool drawn = false;
    };

    void layOut(double viewerX, double viewerZ, int count);
    void build(int level);
    void hide(int level);

    Level levels[maxLevels];
    Layout wanted[maxLevels];
    int wantedCount = 1;
    int builtCount = 0;
    double viewReach = 0;
    std::uint32_t rebuilds = 0;
    std::uint32_t levelRebuilds = 0;
};
