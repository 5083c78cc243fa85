#pragma once

#include <cstddef>
#include <type_traits>

// The glove's device record as the tracking tick reads it, in place, on every tick. Only the
// fields below are meaningful; the reserved bytes keep them at the offsets the window relies on.
struct EnregistrementP5
{
    unsigned char reserve0[932];
    float positionX;
    float positionY;
    float positionZ;
    unsigned char reserve1[12];
    unsigned char
        flexion[5]; // one bend per finger, grows as the finger bends; [1] drives the gripper
    unsigned char bouton[2]; // nonzero while pressed: [0] re-zeroes the glove, [1] homes the robot
};

static_assert(std::is_standard_layout<EnregistrementP5>::value,
              "the record is read at fixed byte offsets");
static_assert(sizeof(float) == 4, "positions are 32-bit floats");
static_assert(offsetof(EnregistrementP5, positionX) == 932, "position X at 932");
static_assert(offsetof(EnregistrementP5, positionY) == 936, "position Y at 936");
static_assert(offsetof(EnregistrementP5, positionZ) == 940, "position Z at 940");
static_assert(offsetof(EnregistrementP5, reserve1) == 944, "reserved bytes at 944");
static_assert(offsetof(EnregistrementP5, flexion) == 956, "bends at 956..960");
static_assert(offsetof(EnregistrementP5, flexion) + 1 == 957, "gripper finger bend at 957");
static_assert(offsetof(EnregistrementP5, bouton) == 961, "first button at 961");
static_assert(offsetof(EnregistrementP5, bouton) + 1 == 962, "second button at 962");
