#include <moorlat/TileTerrain.h>

#include <cmath>
#include <cstdio>

TileTerrain::TileTerrain(float size) : tileSize(size) {
    if (!(tileSize > 0.0f) || !std::isfinite(tileSize)) {
        std::fprintf(stderr, "TileTerrain: tile size %g is not a positive number; using 8\n", double(size));
        tileSize = 8.0f;
    }
}

TileTerrain::~TileTerrain() = default;

kwVec3 TileTerrain::tileCenterOf(float x, float y) const {
    // Positions that are not finite stay on the current tile.
    if (!std::isfinite(x) || !std::isfinite(y)) return centerPos;
    const double tx = std::floor(double(x) / tileSize + 0.5);
    const double ty = std::floor(double(y) / tileSize + 0.5);
    return kwVec3(float(tx * tileSize), float(ty * tileSize), 0.0f);
}

bool TileTerrain::recenter(float x, float y) {
    const kwVec3 c = tileCenterOf(x, y);
    if (c.x == centerPos.x && c.y == centerPos.y) return false;
    centerPos = c;
    ++tileChanges;
    tileChanged();
    return true;
}

void TileTerrain::setCurrentPos(const kwVec3& position) {
    currentPos = position;
    ++positionUpdates;
    positionChanged();
}

void TileTerrain::positionChanged() { recenter(currentPos.x, currentPos.y); }

void TileTerrain::tileChanged() {}
