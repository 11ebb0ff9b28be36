#include <velkin/MaterialState.h>

#include <corvane/kwMaterial.h>

kwState* makeMaterialState(float r, float g, float b) {
    kwMaterial* material = new kwMaterial();
    material->setAmbient(0.16f, 0.16f, 0.16f, 0.5f);
    material->setSpecular(1.0f, 1.0f, 1.0f, 1.0f);
    material->setDiffuse(r, g, b, 1.0f);
    material->setEmission(0.0f, 0.0f, 0.0f, 0.5f);
    material->setShininess(128.0f);
    kwState* state = new kwState();
    state->material = material;
    return state;
}
