// The OpenGL 2.1 fixed-function renderer.
#include <corvane/kwGLApi.h>
#include <corvane/kwGLRenderer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <corvane/Primitive.h>
#include <corvane/kwLight.h>
#include <corvane/kwMaterial.h>
#include <corvane/kwScene.h>
#include <corvane/kwSpotLight.h>
#include <corvane/kwState.h>
#include <corvane/kwTexture.h>
#include <corvane/kwTransform.h>

namespace {

enum ClientArray { VertexArray = 1, NormalArray = 2, TexCoordArray = 4 };

// Fixed-function defaults, for geometry drawn with no material in force.
const kwMaterial& defaultMaterial() {
    static const kwMaterial material;
    return material;
}

bool validDrawMode(int mode) { return mode >= GL_POINTS && mode <= GL_POLYGON; }

}  // namespace

void kwGLViewport(int x, int y, int width, int height) { glViewport(x, y, width, height); }

void kwGLClear(const float color[4]) {
    glClearColor(color[0], color[1], color[2], color[3]);
    glDepthMask(GL_TRUE);
    glStencilMask(~0u);
    glClearStencil(0);
    // The stencil is cleared too, though nothing uses it: where depth and
    // stencil share one buffer, clearing depth alone costs a masked write.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void kwGLReadPixels(int width, int height, unsigned char* rgb) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    // GL gives the bottom row first; callers want the top row first.
    const std::size_t row = std::size_t(width) * 3;
    std::vector<unsigned char> swap(row);
    for (int y = 0; y < height / 2; ++y) {
        unsigned char* a = rgb + std::size_t(y) * row;
        unsigned char* b = rgb + std::size_t(height - 1 - y) * row;
        std::memcpy(swap.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap.data(), row);
    }
}

kwGLRenderer::kwGLRenderer() {
    GLint lights = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    maxLights = lights > 0 ? lights : 8;
    states.reserve(32);
}

// The context that made the GL objects is current here (the window makes
// sure of it before deleting its renderer).
kwGLRenderer::~kwGLRenderer() {
    for (kwGpuArrays* a : arrays) {
        deadBuffers.push_back(a->vertexBuffer);
        if (a->indexBuffer) deadBuffers.push_back(a->indexBuffer);
        a->primitive->gpuArrays = nullptr;
        delete a;
    }
    for (kwGpuTexture* t : textures) {
        deadTextures.push_back(t->name);
        t->texture->gpuTexture = nullptr;
        delete t;
    }
    arrays.clear();
    textures.clear();
    deleteForgotten();
}

void kwGLRenderer::forget(kwGpuArrays* record) {
    auto it = std::find(arrays.begin(), arrays.end(), record);
    if (it != arrays.end()) arrays.erase(it);
    deadBuffers.push_back(record->vertexBuffer);
    if (record->indexBuffer) deadBuffers.push_back(record->indexBuffer);
    record->primitive->gpuArrays = nullptr;
    delete record;
}

void kwGLRenderer::forget(kwGpuTexture* record) {
    auto it = std::find(textures.begin(), textures.end(), record);
    if (it != textures.end()) textures.erase(it);
    deadTextures.push_back(record->name);
    record->texture->gpuTexture = nullptr;
    delete record;
}

void kwGLRenderer::deleteForgotten() {
    if (!deadBuffers.empty()) {
        glDeleteBuffers(GLsizei(deadBuffers.size()), deadBuffers.data());
        deadBuffers.clear();
    }
    if (!deadTextures.empty()) {
        glDeleteTextures(GLsizei(deadTextures.size()), deadTextures.data());
        deadTextures.clear();
    }
}

void kwGLRenderer::beginFrame(const float projection[16], const float view[16], const kwScene& scene) {
    deleteForgotten();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_LIGHTING);
    // Normals are not all unit length (and the world may be scaled).
    glEnable(GL_NORMALIZE);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int i = 0; i < maxLights; ++i) glDisable(GLenum(GL_LIGHT0 + i));

    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    lightsInUse = 0;
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, &scene.getAmbient().x);
    if (scene.hasHeadlight()) {
        // In eye coordinates: from the camera, along its view.
        const GLfloat position[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glLightfv(GL_LIGHT0, GL_AMBIENT, black);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_SPECULAR, white);
        glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f);
        glEnable(GL_LIGHT0);
        lightsInUse = 1;
    }
    glLoadMatrixf(view);
    const kwVec3& sky = scene.getSky();
    if ((sky.x > 0.0f || sky.y > 0.0f || sky.z > 0.0f) && lightsInUse < maxLights) {
        // A directional light in the scene root's coordinates, diffuse only:
        // a highlight from it would wash every face that looks up white.
        const GLenum id = GLenum(GL_LIGHT0 + lightsInUse++);
        const kwVec3& from = scene.getSkyDirection();
        const GLfloat position[4] = {from.x, from.y, from.z, 0.0f};
        const GLfloat colour[4] = {sky.x, sky.y, sky.z, 1.0f};
        const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glLightfv(id, GL_POSITION, position);
        glLightfv(id, GL_AMBIENT, black);
        glLightfv(id, GL_DIFFUSE, colour);
        glLightfv(id, GL_SPECULAR, black);
        glLightf(id, GL_SPOT_CUTOFF, 180.0f);
        glEnable(id);
    }

    states.clear();
    material = nullptr;
    applyMaterial(&defaultMaterial());
    material = nullptr;
    texture = nullptr;
    if (textureEnabled) glDisable(GL_TEXTURE_2D);
    textureEnabled = false;
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    clientArrays = VertexArray;
}

void kwGLRenderer::pushTransform(const kwTransform& transform) {
    glPushMatrix();
    glMultMatrixf(transform.matrix);
}

void kwGLRenderer::popTransform() { glPopMatrix(); }

void kwGLRenderer::pushState(const kwState& state) {
    StateEntry entry{&state, -1, material, texture};
    if (const kwLight* light = state.light.get()) {
        if (lightsInUse < maxLights) {
            const GLenum id = GLenum(GL_LIGHT0 + lightsInUse);
            entry.lightIndex = lightsInUse++;
            // The position (and a spot's direction) go through the modelview
            // in force now: the light sits in this node's coordinates.
            glLightfv(id, GL_POSITION, &light->position.x);
            glLightfv(id, GL_AMBIENT, &light->ambient.x);
            glLightfv(id, GL_DIFFUSE, &light->diffuse.x);
            glLightfv(id, GL_SPECULAR, &light->specular.x);
            if (const auto* spot = dynamic_cast<const kwSpotLight*>(light)) {
                glLightfv(id, GL_SPOT_DIRECTION, &spot->direction.x);
                glLightf(id, GL_SPOT_CUTOFF, std::clamp(spot->cutoff, 0.0f, 90.0f));
                glLightf(id, GL_SPOT_EXPONENT, std::clamp(spot->exponent, 0.0f, 128.0f));
            } else {
                glLightf(id, GL_SPOT_CUTOFF, 180.0f);
            }
            glEnable(id);
        }
    }
    if (state.material) applyMaterial(state.material.get());
    if (state.texture) texture = state.texture.get();
    states.push_back(entry);
}

void kwGLRenderer::popState() {
    if (states.empty()) return;
    const StateEntry entry = states.back();
    states.pop_back();
    if (entry.lightIndex >= 0) {
        glDisable(GLenum(GL_LIGHT0 + entry.lightIndex));
        --lightsInUse;
    }
    applyMaterial(entry.material);
    texture = entry.texture;
}

void kwGLRenderer::applyMaterial(const kwMaterial* m) {
    if (m == material) return;
    material = m;
    if (!m) m = &defaultMaterial();
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &m->ambient.x);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &m->diffuse.x);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, &m->specular.x);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &m->emission.x);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m->shininess, 0.0f, 128.0f));
}

unsigned kwGLRenderer::textureName(const kwTexture& t) {
    kwGpuTexture* record = t.gpuTexture;
    if (record && record->owner != this) {
        kwReleaseGpu(record);
        record = nullptr;
    }
    if (!record) {
        GLuint name = 0;
        glGenTextures(1, &name);
        record = new kwGpuTexture{this, &t, name, t.getVersion() - 1};
        textures.push_back(record);
        t.gpuTexture = record;
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    } else {
        glBindTexture(GL_TEXTURE_2D, record->name);
    }
    if (record->version != t.getVersion()) {
        record->version = t.getVersion();
        const GLenum format = t.getFormat() == texRGBA ? GL_RGBA : GL_RGB;
        glTexImage2D(GL_TEXTURE_2D, 0, t.getFormat() == texRGBA ? GL_RGBA8 : GL_RGB8, t.getWidth(), t.getHeight(), 0,
                     format, GL_UNSIGNED_BYTE, t.getPixels());
    }
    return record->name;
}

void kwGLRenderer::bindArrays(const Primitive& primitive) {
    kwGpuArrays* record = primitive.gpuArrays;
    if (record && record->owner != this) {
        kwReleaseGpu(record);
        record = nullptr;
    }
    if (!record) {
        GLuint names[2] = {0, 0};
        glGenBuffers(2, names);
        record = new kwGpuArrays{this, &primitive, names[0], names[1], primitive.getArrayVersion() - 1, true};
        arrays.push_back(record);
        primitive.gpuArrays = record;
    }
    glBindBuffer(GL_ARRAY_BUFFER, record->vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, record->indexBuffer);
    if (record->version == primitive.getArrayVersion()) return;

    // The arrays changed: upload them, and check once that every index names
    // a vertex, so a bad index array is refused instead of read past.
    record->version = primitive.getArrayVersion();
    const GLsizeiptr vertexBytes =
        GLsizeiptr(primitive.getVertexCount()) * kwVertexFloats(primitive.getVertexFormat()) * GLsizeiptr(sizeof(float));
    glBufferData(GL_ARRAY_BUFFER, vertexBytes, primitive.getVertexData(), GL_STATIC_DRAW);
    record->drawable = true;
    if (const unsigned short* indices = primitive.getIndexData()) {
        const unsigned count = primitive.getIndexCount();
        for (unsigned i = 0; i < count; ++i) {
            if (indices[i] >= primitive.getVertexCount()) {
                std::fprintf(stderr, "corvane: primitive index %u names vertex %u of %u; not drawn\n", i,
                             unsigned(indices[i]), primitive.getVertexCount());
                record->drawable = false;
                break;
            }
        }
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(count) * GLsizeiptr(sizeof(unsigned short)), indices,
                     GL_STATIC_DRAW);
    }
}

void kwGLRenderer::drawPrimitive(const Primitive& primitive) {
    const kwVertexFormat format = primitive.getVertexFormat();
    if (format == kwVertexFormat::none || !primitive.getVertexData() || !validDrawMode(primitive.drawMode)) return;
    bindArrays(primitive);
    if (!primitive.gpuArrays->drawable) return;

    const GLsizei stride = GLsizei(kwVertexFloats(format) * sizeof(float));
    const bool hasNormals = format == kwVertexFormat::N3V3 || format == kwVertexFormat::T2N3V3;
    const bool hasTexCoords = format == kwVertexFormat::T2V3 || format == kwVertexFormat::T2N3V3;
    const int wanted = VertexArray | (hasNormals ? NormalArray : 0) | (hasTexCoords ? TexCoordArray : 0);
    if ((wanted ^ clientArrays) & NormalArray) {
        if (hasNormals) glEnableClientState(GL_NORMAL_ARRAY);
        else glDisableClientState(GL_NORMAL_ARRAY);
    }
    if ((wanted ^ clientArrays) & TexCoordArray) {
        if (hasTexCoords) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        else glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    clientArrays = wanted;

    const auto offset = [](int floats) { return reinterpret_cast<const void*>(std::size_t(floats) * sizeof(float)); };
    const int position = kwVertexPositionOffset(format);
    glVertexPointer(format == kwVertexFormat::V2 ? 2 : 3, GL_FLOAT, stride, offset(position));
    if (hasNormals) glNormalPointer(GL_FLOAT, stride, offset(hasTexCoords ? 2 : 0));
    else glNormal3f(0.0f, 0.0f, 1.0f);  // flat shapes face +z
    if (hasTexCoords) glTexCoordPointer(2, GL_FLOAT, stride, offset(0));

    const bool textured = hasTexCoords && texture && texture->getPixels();
    if (textured) {
        textureName(*texture);
        if (!textureEnabled) glEnable(GL_TEXTURE_2D);
    } else if (textureEnabled) {
        glDisable(GL_TEXTURE_2D);
    }
    textureEnabled = textured;

    if (primitive.getIndexData()) {
        if (primitive.getIndexCount())
            glDrawElements(GLenum(primitive.drawMode), GLsizei(primitive.getIndexCount()), GL_UNSIGNED_SHORT, nullptr);
    } else {
        glDrawArrays(GLenum(primitive.drawMode), 0, GLsizei(primitive.getVertexCount()));
    }
}
