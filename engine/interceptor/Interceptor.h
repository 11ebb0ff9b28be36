// The aircraft: a transform node carrying a small lit mesh built in code.
// Its matrix is its flight state (position and attitude, nose along -z);
// setSpeed and setHPRSpeed give rates that are applied per second of
// elapsed time at each update, so it flies the same at any frame rate.
//
// Units: the forward speed is in half scene units per second (18.5 flies
// 9.25 units a second); the heading speed in quarter degrees per second (250
// turns 62.5 degrees a second, positive to the left); the pitch speed in
// 0.15 degrees per second (300 climbs at 45 degrees a second, positive nose
// up). The aircraft banks into turns by itself; the roll speed is kept but
// not flown. Pitch stays within +-50 degrees and the height within
// [minHeight, maxHeight], so the terrain below stays in view.
//
// Missiles: missileFire launches them from the nose along the heading;
// getFiredMissile hands each launched missile over exactly once.
#pragma once

#include <cstdint>

#include <corvane/kwTransformNode.h>
#include <corvane/kwVec3.h>
#include <corvane/kwVector.h>
#include <interceptor/Missile.h>
#include <interceptor/interceptorExport.h>

class INTERCEPTOR_API Interceptor : public kwTransformNode {
public:
    static constexpr float speedUnit = 0.5f;     // scene units per second per unit of speed
    static constexpr float headingUnit = 0.25f;  // degrees per second per unit of heading speed
    static constexpr float pitchUnit = 0.15f;    // degrees per second per unit of pitch speed
    static constexpr float maxPitch = 50.0f;     // degrees
    static constexpr float maxBank = 30.0f;      // degrees, reached in a full-rate turn
    static constexpr float bankRate = 120.0f;    // degrees per second toward the turn's bank
    static constexpr float minHeight = 0.5f;
    static constexpr float maxHeight = 30.0f;
    static constexpr float noseOffset = 1.2f;        // nose ahead of the origin
    static constexpr float missileSpeed = 8.0f;      // units per second on top of the aircraft's
    static constexpr float missileLifetime = 4.0f;   // seconds

    Interceptor();
    ~Interceptor() override;

    // Forward speed for the coming frames.
    void setSpeed(float speed);
    // Heading, pitch and roll speeds for the coming frames.
    void setHPRSpeed(float heading, float pitch, float roll);

    // The aircraft's position in the scene root's coordinates, the ones the
    // camera is placed in: its own translation taken through the transforms
    // of the nodes above it.
    void getPosition(kwVec3& position) const;

    // Launches missiles for the next getFiredMissile. Launcher 0 fires one
    // missile from the nose along the current heading, if the stock is not
    // empty; other launchers do not exist and fire nothing (reported on
    // standard error).
    void missileFire(int launcher);
    // Missiles left to fire; negative (the default) is an endless supply.
    void setMissileStock(int missiles) { stock = missiles; }
    int getMissileStock() const { return stock; }
    // Hands over the missiles launched since the previous call, each once.
    // The caller destroys the vector; the missiles are the caller's to hang
    // into the scene (under the aircraft's parent) and are then owned there.
    kw::vector<Missile*> getFiredMissile();

    // Flies on by `seconds` of elapsed time with the current speeds.
    // Non-positive or non-finite steps are ignored.
    void advance(double seconds);
    // Advances by the time elapsed since the previous update, then updates
    // the subtree.
    void update(kwContext* context) override;

    // Observation, for tests and tools.
    float getSpeed() const { return speed; }
    kwVec3 getHPRSpeed() const { return kwVec3(headingSpeed, pitchSpeed, rollSpeed); }
    std::uint32_t getSetSpeedCount() const { return setSpeedCalls; }
    std::uint32_t getSetHPRSpeedCount() const { return setHPRSpeedCalls; }
    std::uint32_t getMissilesLaunched() const { return missilesLaunched; }
    // Heading (degrees, 0 = toward -z, positive to the left), pitch and bank
    // as the matrix holds them now.
    kwVec3 getAttitude() const;

private:
    float speed = 0.0f;
    float headingSpeed = 0.0f;
    float pitchSpeed = 0.0f;
    float rollSpeed = 0.0f;
    std::uint32_t setSpeedCalls = 0;
    std::uint32_t setHPRSpeedCalls = 0;
    std::uint32_t missilesLaunched = 0;
    int stock = -1;
    long long lastTick = 0;
    kw::vector<Missile*> pending;  // launched, not yet handed over; owned here until then
    kwNode* missileMeshHolder;     // keeps the missiles' shared mesh alive; never drawn
};
