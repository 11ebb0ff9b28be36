// A terrain cut into square tiles. The terrain is told where the viewer is
// (setCurrentPos); it keeps that position and the centre of the tile it is
// built around. Positions are (x, y) on the terrain's plane and z the
// height above it. Moving within one tile changes nothing else; moving into
// another tile moves the centre to that tile's centre, and a subclass that
// builds geometry rebuilds then, and only then.
#pragma once

#include <cstdint>

#include <corvane/kwNode.h>
#include <corvane/kwVec3.h>
#include <moorlat/moorlatExport.h>

class MOORLAT_API TileTerrain : public kwNode {
public:
    // `tileSize`: edge length of one tile in the plane's units, > 0.
    explicit TileTerrain(float tileSize = 8.0f);
    ~TileTerrain() override;

    // Stores `position` as the current position and re-centres the terrain
    // on the tile that holds it (see positionChanged).
    void setCurrentPos(const kwVec3& position);

    MOORLAT_INLINE_EXPORT const kwVec3& getCenterPos() const { return centerPos; }
    MOORLAT_INLINE_EXPORT const kwVec3& getCurrentPos() const { return currentPos; }

    float getTileSize() const { return tileSize; }
    // Calls of setCurrentPos so far.
    std::uint32_t getPositionUpdateCount() const { return positionUpdates; }
    // Times the centre moved to another tile (construction counts as the first).
    std::uint32_t getTileChangeCount() const { return tileChanges; }

    // Centre of the tile that holds the plane point (x, y); tiles are
    // aligned so that the origin is the centre of a tile.
    kwVec3 tileCenterOf(float x, float y) const;

protected:
    // Called by setCurrentPos after storing the position. The default
    // re-centres on the tile holding the position's (x, y); a subclass that
    // reads the position differently re-centres its own way.
    virtual void positionChanged();
    // Called after the centre moved to another tile; subclasses mark their
    // geometry for rebuilding here. The default does nothing.
    virtual void tileChanged();
    // Re-centres on the tile holding the plane point (x, y); calls
    // tileChanged and returns true when that is another tile.
    bool recenter(float x, float y);

    kwVec3 centerPos;   // centre of the tile the terrain is built around
    kwVec3 currentPos;  // last position given to setCurrentPos

private:
    float tileSize;
    std::uint32_t positionUpdates = 0;
    std::uint32_t tileChanges = 1;
};
