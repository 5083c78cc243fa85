#include "glove/tic.h"

#include <cmath>

ResultatTic calculerTic(const EchantillonTic& gant, const int robot[3], EtatSuivi& etat)
{
    ResultatTic r;
    // A gripper command is asked for only when the bend crosses the threshold.
    const bool doigtPlie = doigtEstPlie(gant.flexionPince);
    if (!doigtPlie && !etat.pinceOuverte) {
        r.pince = GestePince::Ouvrir;
        etat.pinceOuverte = true;
        etat.pinceFermee = false;
    } else if (doigtPlie && !etat.pinceFermee) {
        r.pince = GestePince::Fermer;
        etat.pinceFermee = true;
        etat.pinceOuverte = false;
    }

    if (gant.bouton1) // the glove was re-zeroed for this tick
        etat.positionGantPrecedente = {};
    r.home = gant.bouton2;

    r.positionGant = filtreBande(gant.position, etat.positionGantPrecedente, etat.bandeFiltre);
    r.pointGant = pointGantVue(r.positionGant);
    r.pointRobot = pointRobotVue(robot[0], robot[1], robot[2]);
    r.delta = {r.pointGant.X - r.pointRobot.X, r.pointGant.Y - r.pointRobot.Y,
               r.pointGant.Z - r.pointRobot.Z};
    const Vecteur3f cible = bornerCible(cibleDepuisGant(r.positionGant));

    r.consigneValide = std::isfinite(cible.X) && std::isfinite(cible.Y) && std::isfinite(cible.Z);
    if (!r.consigneValide)
        return r;
    r.consigneX = cible.X;
    r.consigneY = -static_cast<double>(cible.Y);
    r.consigneZ = cible.Z;

    const Vecteur3f& p = r.positionGant;
    const Vecteur3f& avant = etat.positionGantPrecedente;
    if (p.X == avant.X && p.Y == avant.Y && p.Z == avant.Z)
        return r;
    etat.positionGantPrecedente = p;
    r.mouvement = etat.suiviActif;
    return r;
}
