#pragma once

#include "glove/espacetravail.h"

// The tracking tick's arithmetic, kept apart from the window so that every number can be checked
// without a glove, a port or a widget. Positions are 32-bit floats; where a step is said to run
// in double precision, its result is rounded to float once, at the end.

struct Vecteur3f
{
    float X, Y, Z;
};

bool doigtEstPlie(unsigned char flexion);

// Dead band: a reading within `bande` of the previous accepted value (|lecture - precedente| <=
// bande) keeps the previous value, so that the glove's jitter does not make the robot twitch; a
// reading outside the band is taken as is.
float filtreBande(float lecture, float precedente, float bande);
Vecteur3f filtreBande(Vecteur3f lecture, Vecteur3f precedente, float bande);

// Glove position to view units (single precision).
Vecteur3f pointGantVue(Vecteur3f positionGant);

// Robot position as the controller lists it to view units, drawn on the view axis of the glove
// axis that drives each robot axis (double precision).
Vecteur3f pointRobotVue(int x, int y, int z);

// Glove position to the robot target, before clamping (double precision). Glove X drives robot
// Y, glove Y drives robot Z, glove Z drives robot X. A finite position gives a finite target (a
// result beyond the float range stops at its largest value); NaN and infinities pass through.
Vecteur3f cibleDepuisGant(Vecteur3f positionGant);

// Clamps a target to the workspace. A coordinate that is not a finite number is left as it is, for
// the caller to see that there is no target to send.
Vecteur3f bornerCible(Vecteur3f cible);
