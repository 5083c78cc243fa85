#pragma once

#include "glove/suivi.h"

// The gripper command a tick asks for; the window turns it into the robot side's own.
enum class GestePince
{
    Aucun,
    Ouvrir,
    Fermer,
};

// What the glove gave at one tick. The position is read after the re-zeroing that the first
// button asks for, so that a held button reads the new origin.
struct EchantillonTic
{
    unsigned char flexionPince = 0; // the gripper finger's bend
    bool bouton1 = false;           // re-zero the glove
    bool bouton2 = false;           // home the robot
    Vecteur3f position{};
};

// What the tracking keeps from one tick to the next.
struct EtatSuivi
{
    bool suiviActif = false;  // moves may be requested
    bool pinceOuverte = true; // "open" is the gripper command last asked for
    bool pinceFermee = false; // "close" is the gripper command last asked for
    float bandeFiltre = 30.0f;
    Vecteur3f positionGantPrecedente{}; // the glove's position at the last tick that changed
};

// Everything one tick does, for the window to apply.
struct ResultatTic
{
    GestePince pince = GestePince::Aucun;
    bool home = false;
    Vecteur3f positionGant{}; // the readouts, after the band filter
    Vecteur3f pointGant{};    // the view's two points, in view units
    Vecteur3f pointRobot{};
    Vecteur3f delta{}; // glove point minus robot point, as the delta readouts show it
    // The target as the controller takes it (Y's sign turned); false when the glove gave a
    // position that is not a number, and the last good target then stays.
    bool consigneValide = false;
    double consigneX = 0.0, consigneY = 0.0, consigneZ = 0.0;
    bool mouvement = false; // the target is to be sent
    // False while the source has lost its device (a pad pulled out): the hand holds, and the
    // caption above the readouts says why.
    bool appareilPresent = true;
};

// One tick of glove tracking: gripper, buttons, band filter, view points, mapping and clamping,
// change test. `robot` is the robot's position as last listed. Updates `etat`.
ResultatTic calculerTic(const EchantillonTic& gant, const int robot[3], EtatSuivi& etat);
