// Vertex records: tightly packed single-precision floats in the order their
// names give (T texture, N normal, V position).
#pragma once

struct vertexV2 {
    float x, y;
};

struct vertexN3V3 {
    float nx, ny, nz;
    float x, y, z;
};

struct vertexT2V3 {
    float s, t;
    float x, y, z;
};

struct vertexT2N3V3 {
    float s, t;
    float nx, ny, nz;
    float x, y, z;
};

static_assert(sizeof(vertexV2) == 8, "vertexV2 must be packed");
static_assert(sizeof(vertexN3V3) == 24, "vertexN3V3 must be packed");
static_assert(sizeof(vertexT2V3) == 20, "vertexT2V3 must be packed");
static_assert(sizeof(vertexT2N3V3) == 32, "vertexT2N3V3 must be packed");
