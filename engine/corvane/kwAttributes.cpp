// Out-of-line constructors and destructors of the render attributes, so that
// each class has one home for its virtual table.
#include <corvane/kwLight.h>
#include <corvane/kwMaterial.h>
#include <corvane/kwSpotLight.h>
#include <corvane/kwState.h>

kwMaterial::kwMaterial() = default;
kwMaterial::~kwMaterial() = default;
kwLight::kwLight() = default;
kwLight::~kwLight() = default;
kwSpotLight::kwSpotLight() = default;
kwSpotLight::~kwSpotLight() = default;
kwState::kwState() = default;
kwState::~kwState() = default;
