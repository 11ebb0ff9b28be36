#include <ornatex/primitives/kwCylinder.h>

kwCylinder::kwCylinder(float radius, float length) : kwCone(radius, radius, length) {}

kwCylinder::~kwCylinder() = default;
