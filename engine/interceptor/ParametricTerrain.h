// An endless lit height-field terrain around the viewer. The plane of the
// terrain is the x-z plane of the node's coordinates and the height is y;
// the height field is one fixed function of the plane point, so the same
// place always looks the same.
//
// Levels of detail. The plane is cut into square tiles at every lattice
// level: level 0's tiles are terrainTileSize across, and each level's tiles
// are three of the level below across (a level L + 1 tile is exactly 3 x 3
// level L tiles, all levels aligned so that the origin is a tile's centre).
// Each level is a grid of tileCells x tileCells cells a tile, on one global
// lattice whose step grows threefold a level. A drawn level is a block of
// blockTiles x blockTiles of its tiles centred on the tile of the next level
// up under the viewer; every drawn level but the finest leaves out the hole
// that the level below fills. So the levels nest without gaps or overlaps,
// each reaching reach(L) from the viewer at least.
//
// Which levels. Levels are chosen by their size on screen: a level whose
// cells are everywhere smaller than morphEnd of their distance from the
// camera has the next level's shape (see morphing); two levels finer than
// the first that does not, the finest drawn, are not drawn (vertex lighting
// still tells their vertices apart), so from high above, or with the world
// shrunk, the finest drawn level is a coarse one. As the finest drawn
// level's cells shrink toward the size at which it goes, its vertices slide
// onto the next level's (the same way its folded edge goes, see seams), so
// that it is that level, bit for bit, before it goes: the lighting at the
// vertices does not jump. From the finest, as many levels are drawn as the
// view needs to reach the edge of the window, whose shape setViewAspect
// gives; never more than maxLevels, whatever the scale.
//
// Morphing. A vertex whose cell spans between morphStart and morphEnd of its
// distance from the camera blends its height and normal toward the surface
// of the next level up (its triangles, interpolated), fully so when the cell
// is morphEnd or less: detail fades as it gets small on screen, and where a
// level's block ends, or moves when the viewer crosses a tile, it already
// looks like the coarser level (no boundary and no popping). A coarse level
// leaves out the hills or ripples whose wavelength its lattice cannot sample
// (three steps a wavelength at least); the finer level has faded them out
// before it gives way.
//
// Seams. The outer edge of a level inside a coarser one has no vertices of
// its own: each of its vertices is a copy of the coarser level's vertex
// record at the same lattice point, and the vertices in between are folded
// onto the nearest of those, so the edge is made of exactly the coarser
// level's edges and vertices, bit for bit (no T-junctions, no cracks).
//
// What the view needs. The current position is given as setCurrentPos
// receives it, (x, z, height), in the scene root's coordinates. The terrain
// assumes the camera velkin uses: viewAbove scene units above the viewer,
// looking straight down with a vertical field of view of 60 degrees. At
// every update it takes the viewer and the camera through the transforms
// above it (which the mouse may have moved, turned or scaled since) into its
// own units. A level's grid, and each vertex's height and normal with the
// level's own detail, are computed anew only when the tiles it is laid out
// around change; when the camera moves, only the morph toward the coarser
// level, and which cells lie within the view's reach (the others are not
// drawn), are recomputed, and a level that comes out the same is not handed
// to the renderer again.
#pragma once

#include <cstdint>
#include <vector>

#include <corvane/PrimitiveIndexed.h>
#include <interceptor/interceptorExport.h>
#include <moorlat/TileTerrain.h>

class INTERCEPTOR_API ParametricTerrain : public TileTerrain {
public:
    static constexpr float terrainTileSize = 8.0f;  // level 0 tile side
    static constexpr int tileCells = 4;             // grid cells along a tile's side
    static constexpr float gridSpacing = terrainTileSize / tileCells;  // level 0 lattice step
    static constexpr int levelFactor = 3;           // tile side ratio of neighbouring levels
    static constexpr int blockTiles = 15;           // a level's block side, in its tiles
    static constexpr int maxLevels = 20;            // levels drawn at once
    static constexpr int maxLatticeLevel = 60;      // coarsest lattice level (3^60 steps)
    // A vertex starts to morph toward the coarser level when its cell spans
    // morphStart of its distance from the camera, and has when it spans morphEnd.
    static constexpr double morphStart = 1.0 / 12.0;
    static constexpr double morphEnd = 1.0 / 24.0;
    // Height of the camera the view is measured for above the viewer (velkin's).
    static constexpr float viewAbove = 20.0f;
    // Lowest and highest points of the height field.
    static constexpr float lowest = -2.6f;
    static constexpr float highest = -0.4f;

    ParametricTerrain();
    ~ParametricTerrain() override;

    // Height of the terrain at plane point (x, z), with all its detail:
    // rolling hills between `lowest` and `highest`, below an aircraft flying
    // at height 0.5 or more. Level 0 shows exactly this near the camera.
    static float heightAt(float x, float z);
    // Units lattice level `level` reaches from the viewer at least, in every
    // direction along x and z, wherever the viewer stands.
    static double reach(int level);

    // Width over height of the window the camera draws into (1 until told);
    // values that are not positive and finite are ignored.
    void setViewAspect(double aspect);
    double getViewAspect() const { return viewAspect; }

    // Takes the viewer and the view through the transforms above, picks
    // the levels, rebuilds or morphs those that changed, then updates the subtree.
    void update(kwContext* context) override;

    // Updates whose level layout changed (construction counts as the first).
    std::uint32_t getRebuildCount() const { return rebuilds; }
    // Levels laid out anew in all, one level at a time.
    std::uint32_t getLevelRebuildCount() const { return levelRebuilds; }
    // Updates that only recomputed heights because the camera moved.
    std::uint32_t getMorphCount() const { return morphs; }
    // Levels drawn now (1 to maxLevels), finest first.
    int getLevelCount() const { return builtCount; }
    // Lattice level of the finest drawn level (0: cells of gridSpacing).
    int getFinestLevel() const { return builtFinest; }
    // How far from the viewer the view reaches on the lowest ground, in the
    // terrain's units, as last measured (infinite when the view meets the
    // horizon, for a world turned on its side).
    double getViewReach() const { return viewReach; }
    // The `slot`th drawn level's mesh, finest first; an undrawn slot's mesh
    // has no indices.
    const PrimitiveIndexed* getLevelMesh(int slot) const;
    // The finest level's mesh.
    const PrimitiveIndexed* getMesh() const { return getLevelMesh(0); }
    // Triangles drawn now, all levels together.
    unsigned getTriangleCount() const;

protected:
    // Takes the position (scene coordinates) into this node's plane,
    // re-centres the level 0 tile on it and lays out the levels the view
    // needs; the rebuild waits for update.
    void positionChanged() override;

private:
    // Where a drawn level lies: its lattice level, the centres (in level 0
    // lattice steps) of the tile of the next level up that it is centred on
    // and of its own tile that holds the hole, and whether a coarser level
    // surrounds it and a finer one fills a hole in it.
    struct Layout {
        int level = 0;
        double centreX = 0, centreZ = 0, holeX = 0, holeZ = 0;
        bool surrounded = false, holed = false;
        bool operator==(const Layout& o) const {
            return level == o.level && centreX == o.centreX && centreZ == o.centreZ && holeX == o.holeX &&
                   holeZ == o.holeZ && surrounded == o.surrounded && holed == o.holed;
        }
    };
    struct Level {
        PrimitiveIndexed* mesh = nullptr;  // a child of this node, which owns it
        vertexN3V3* vertices = nullptr;    // handed to the mesh, which owns them
        unsigned short* indices = nullptr;
        // What depends on the layout only, kept until it changes: each
        // vertex's record with this level's own detail, unmorphed (folded
        // edge vertices have none), and for the coarsest level the next
        // level's records over the block, which it morphs toward.
        std::vector<vertexN3V3> unmorphed;
        std::vector<vertexN3V3> coarser;
        Layout built;
        bool drawn = false;
    };

    void layOut(double viewerX, double viewerZ, int finest, int count);
    // Lays the level's grid out anew and computes its own records.
    void sample(int slot);
    // Morphs the level's heights for the camera now and chooses its cells;
    // returns whether any vertex or index changed (the mesh then uploads anew).
    bool build(int slot);
    void hide(int slot);

    Level levels[maxLevels];
    Layout wanted[maxLevels];
    int wantedCount = 1;
    int builtCount = 0;
    int builtFinest = 0;
    double viewReach = 0;
    double collapse = 0;  // how far the finest level's vertices have slid onto the next level's
    double viewAspect = 1.0;
    double viewer[2] = {0.0, 0.0};         // the viewer on the plane, in level 0 steps
    double builtReach = 0;                 // the view's reach the cells were chosen for
    double eye[3] = {0.0, 0.0, 0.0};       // the camera in this node's units
    double builtEye[3] = {0.0, 0.0, 0.0};  // the camera the heights were computed for
    std::uint32_t rebuilds = 0;
    std::uint32_t levelRebuilds = 0;
    std::uint32_t morphs = 0;
};
