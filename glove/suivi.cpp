#include "glove/suivi.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// Converting a finite double beyond the float range is undefined; NaN and infinities convert as
// they are.
float versFloat(double v)
{
    return static_cast<float>(std::isfinite(v) ? std::clamp(v, double(-FLT_MAX), double(FLT_MAX))
                                               : v);
}

} // namespace

bool doigtEstPlie(unsigned char flexion)
{
    return flexion > kSeuilPince;
}

float filtreBande(float lecture, float precedente, float bande)
{
    return std::fabs(lecture - precedente) <= bande ? precedente : lecture;
}

Vecteur3f filtreBande(Vecteur3f lecture, Vecteur3f precedente, float bande)
{
    Vecteur3f r;
    r.X = filtreBande(lecture.X, precedente.X, bande);
    r.Y = filtreBande(lecture.Y, precedente.Y, bande);
    r.Z = filtreBande(lecture.Z, precedente.Z, bande);
    return r;
}

Vecteur3f pointGantVue(Vecteur3f positionGant)
{
    return {positionGant.X * kEchelleGantVue, positionGant.Y * kEchelleGantVue,
            positionGant.Z * kEchelleGantVue};
}

Vecteur3f pointRobotVue(int x, int y, int z)
{
    Vecteur3f r;
    r.X = static_cast<float>(y * (1.0 / kDemiPlageY) * kEchelleRobotVue);
    r.Y = static_cast<float>((z - kCentreZ) * (1.0 / kDemiPlageZ) * kEchelleRobotVue);
    r.Z = static_cast<float>((x - kCentreX) * (1.0 / kDemiPlageX) * kEchelleRobotVue);
    return r;
}

Vecteur3f cibleDepuisGant(Vecteur3f positionGant)
{
    Vecteur3f r;
    r.X = versFloat(double(positionGant.Z) * kEchelleGantRobot * kDemiPlageX + kCentreX);
    r.Y = versFloat(double(positionGant.X) * kEchelleGantRobot * kDemiPlageY);
    r.Z = versFloat(double(positionGant.Y) * kEchelleGantRobot * kDemiPlageZ + kCentreZ);
    return r;
}

Vecteur3f bornerCible(Vecteur3f cible)
{
    // An infinity would be clamped like any large value: keep it, like NaN, visibly not a target.
    const auto borner = [](float& v, float bas, float haut) {
        if (std::isfinite(v))
            v = std::clamp(v, bas, haut);
    };
    borner(cible.X, kMinX, kMaxX);
    borner(cible.Y, kMinY, kMaxY);
    borner(cible.Z, kMinZ, kMaxZ);
    return cible;
}
