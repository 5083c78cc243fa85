#pragma once

// The arm's workspace as this program drives it, in the controller's units: the start pose, the
// manual sliders, the box a glove target is clamped to, how the glove's position maps onto the
// arm and onto the 3D view, and the gripper finger's threshold. The window, the tracking and the
// virtual glove's panel all read it from here.

// One axis the operator drives by hand: its slider's range, and its place at start-up (the start
// pose). Y is shown on its slider with its sign turned; the range is symmetric.
struct AxeManuel
{
    int minimum;
    int maximum;
    int depart;
};

constexpr AxeManuel kAxeX{1745, 4300, 3162};
constexpr AxeManuel kAxeY{-4500, 4500, 0};
constexpr AxeManuel kAxeZ{550, 4900, 2450};
constexpr AxeManuel kAxeR{-1000, 1000, 0};
constexpr AxeManuel kAxeP{-1000, 0, -850};

// The point the start pose is taught as.
constexpr const char* kNomPointDepart = "A";

// The box a glove target is clamped to: the sliders' reach. Y's range is symmetric, so it holds
// for Y as the controller takes it as well as for the target before its sign is turned.
constexpr float kMinX = kAxeX.minimum, kMaxX = kAxeX.maximum;
constexpr float kMinY = kAxeY.minimum, kMaxY = kAxeY.maximum;
constexpr float kMinZ = kAxeZ.minimum, kMaxZ = kAxeZ.maximum;

// The mapping. A glove unit is a thousandth of a half-range: the glove's origin is the start
// pose's place, and 1000 glove units from it is one half-range away. The view draws both points
// in its own units: 5/256 of a glove unit, and a robot half-range as 19.53 view units (not
// exactly 19.53125: the view was drawn with that value).
constexpr double kEchelleGantRobot = 0.001;
constexpr double kCentreX = kAxeX.depart, kDemiPlageX = 4300.0;
constexpr double kDemiPlageY = 4500.0; // Y is centred on 0, its start place
constexpr double kCentreZ = kAxeZ.depart, kDemiPlageZ = 4900.0;
constexpr float kEchelleGantVue = 0.01953125f;
constexpr double kEchelleRobotVue = 19.5312497089617;

// A gripper-finger bend above this value means the finger is bent; bends run from 0 to 255.
constexpr int kSeuilPince = 50;
constexpr int kFlexionMax = 255;
