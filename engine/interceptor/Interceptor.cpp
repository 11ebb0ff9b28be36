#include <interceptor/Interceptor.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include <interceptor/FlatMesh.h>
#include <interceptor/FrameClock.h>
#include <interceptor/SceneCoordinates.h>

namespace {

constexpr double degrees = 180.0 / 3.14159265358979323846;

// A small aircraft, nose along -z, up +y, span along x, about 2.1 units
// long and 2.2 wide: a diamond fuselage, a swept wing, a tailplane and a fin.
PrimitiveIndexed* buildAircraftMesh() {
    interceptor::FlatMesh m;
    const kwVec3 nose(0, 0, -Interceptor::noseOffset), tail(0, 0, 0.9f);
    const kwVec3 top(0, 0.25f, 0.1f), bottom(0, -0.2f, 0.1f), left(-0.22f, 0, 0.1f), right(0.22f, 0, 0.1f);
    const kwVec3 inside(0, 0, 0.1f);
    for (const kwVec3& end : {nose, tail}) {
        m.outward(end, right, top, inside);
        m.outward(end, top, left, inside);
        m.outward(end, left, bottom, inside);
        m.outward(end, bottom, right, inside);
    }
    m.twoSided(kwVec3(-1.1f, 0.02f, 0.55f), kwVec3(1.1f, 0.02f, 0.55f), kwVec3(0, 0.02f, -0.55f));
    m.twoSided(kwVec3(-0.5f, 0.02f, 0.95f), kwVec3(0.5f, 0.02f, 0.95f), kwVec3(0, 0.02f, 0.55f));
    m.twoSided(kwVec3(0, 0.1f, 0.35f), kwVec3(0, 0.6f, 0.95f), kwVec3(0, 0.1f, 0.9f));
    return m.build();
}

// A missile 1.6 long, nose along -z: a body flattened so that its upper
// faces catch light from above, and a tail fin, about 0.8 across.
PrimitiveIndexed* buildMissileMesh() {
    interceptor::FlatMesh m;
    const kwVec3 tip(0, 0, -0.8f), back(0, 0, 0.8f), inside(0, 0, 0);
    const kwVec3 ring[4] = {kwVec3(0.2f, 0, -0.2f), kwVec3(0, 0.1f, -0.2f), kwVec3(-0.2f, 0, -0.2f),
                            kwVec3(0, -0.1f, -0.2f)};
    for (int i = 0; i < 4; ++i) {
        m.outward(tip, ring[i], ring[(i + 1) % 4], inside);
        m.outward(back, ring[i], ring[(i + 1) % 4], inside);
    }
    m.twoSided(kwVec3(-0.4f, 0.01f, 0.8f), kwVec3(0.4f, 0.01f, 0.8f), kwVec3(0, 0.01f, 0.2f));
    return m.build();
}

float clampf(float v, float lo, float hi) { return std::max(lo, std::min(hi, v)); }

}  // namespace

Interceptor::Interceptor() : missileMeshHolder(new kwNode) {
    addChild(buildAircraftMesh());
    missileMeshHolder->addChild(buildMissileMesh());
}

Interceptor::~Interceptor() {
    for (std::uint32_t i = 0; i < pending.count; ++i) delete pending.data[i];
    // Missiles still in a scene keep the shared mesh as their child; it goes
    // with the last of them.
    delete missileMeshHolder;
}

void Interceptor::setSpeed(float s) {
    speed = std::isfinite(s) ? s : 0.0f;
    ++setSpeedCalls;
}

void Interceptor::setHPRSpeed(float heading, float pitch, float roll) {
    headingSpeed = std::isfinite(heading) ? heading : 0.0f;
    pitchSpeed = std::isfinite(pitch) ? pitch : 0.0f;
    rollSpeed = std::isfinite(roll) ? roll : 0.0f;
    ++setHPRSpeedCalls;
}

void Interceptor::getPosition(kwVec3& position) const {
    position = interceptor::nodeToScene(this, kwVec3(0, 0, 0));
}

kwVec3 Interceptor::getAttitude() const {
    // The matrix is translate * rotY(heading) * rotX(pitch) * rotZ(bank):
    // the nose (-z axis) gives heading and pitch, the wing (x axis) the bank.
    const double fx = -matrix[8], fy = -matrix[9], fz = -matrix[10];
    const double flen = std::sqrt(fx * fx + fy * fy + fz * fz);
    if (flen == 0.0) return kwVec3();
    const double heading = std::atan2(-fx, -fz) * degrees;
    const double pitch = std::asin(std::max(-1.0, std::min(1.0, fy / flen))) * degrees;
    const double xlen = std::sqrt(double(matrix[0]) * matrix[0] + double(matrix[1]) * matrix[1] +
                                  double(matrix[2]) * matrix[2]);
    const double cp = std::cos(pitch / degrees);
    double bank = 0.0;
    if (xlen > 0.0 && cp > 1e-6) bank = std::asin(std::max(-1.0, std::min(1.0, matrix[1] / xlen / cp))) * degrees;
    return kwVec3(float(heading), float(pitch), float(bank));
}

void Interceptor::advance(double seconds) {
    if (!(seconds > 0.0) || !std::isfinite(seconds)) return;
    const kwVec3 attitude = getAttitude();
    const float targetBank = clampf(headingSpeed / 250.0f, -1.0f, 1.0f) * maxBank;
    if (speed == 0.0f && headingSpeed == 0.0f && pitchSpeed == 0.0f && std::fabs(attitude.z - targetBank) < 0.01f)
        return;

    const double dt = seconds;
    const double heading = attitude.x + headingSpeed * headingUnit * dt;
    const double pitch = clampf(float(attitude.y + pitchSpeed * pitchUnit * dt), -maxPitch, maxPitch);
    // The bank follows the turn at bankRate degrees a second: a full bank
    // builds up, and levels out, within a quarter second.
    const double bankStep = bankRate * dt, bankGap = double(targetBank) - attitude.z;
    const double bank = std::fabs(bankGap) <= bankStep ? double(targetBank) : attitude.z + (bankGap > 0 ? bankStep : -bankStep);

    const double h = heading / degrees, p = pitch / degrees, distance = double(speed) * speedUnit * dt;
    const float x = float(matrix[12] - std::sin(h) * std::cos(p) * distance);
    const float y = clampf(float(matrix[13] + std::sin(p) * distance), minHeight, maxHeight);
    const float z = float(matrix[14] - std::cos(h) * std::cos(p) * distance);

    // translate * rotY(heading) * rotX(pitch) * rotZ(bank): operations
    // compose in the parent's frame, so the bank comes first.
    reset();
    rotate(float(bank), 0, 0, 1);
    rotate(float(pitch), 1, 0, 0);
    rotate(float(heading), 0, 1, 0);
    translate(x, y, z);
    transformDirty = 1;
    makeParentBoundary();
}

void Interceptor::update(kwContext* context) {
    advance(interceptor::elapsedSince(lastTick));
    kwTransformNode::update(context);
}

void Interceptor::missileFire(int launcher) {
    if (launcher != 0) {
        std::fprintf(stderr, "Interceptor: no launcher %d; nothing fired\n", launcher);
        return;
    }
    if (stock == 0) return;
    if (stock > 0) --stock;
    // Launched from the nose, level with the aircraft's attitude, in the
    // coordinates of the aircraft's parent, where the missile will hang.
    kwTransform launch;
    for (int i = 0; i < 16; ++i) launch.matrix[i] = matrix[i];
    launch.translateLocal(0.0f, 0.0f, -noseOffset);
    kwNode* mesh = missileMeshHolder->children.count ? missileMeshHolder->children.data[0] : nullptr;
    pending.add(new Missile(launch, mesh, std::max(0.0f, speed * speedUnit) + missileSpeed, missileLifetime));
    ++missilesLaunched;
}

kw::vector<Missile*> Interceptor::getFiredMissile() {
    kw::vector<Missile*> handed;
    handed = std::move(pending);
    return handed;
}
