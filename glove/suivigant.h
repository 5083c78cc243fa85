#pragma once

#include "glove/tic.h"

#include <memory>
#include <optional>

class CP5DLL;

// Glove tracking, as one object: the glove it reads, the state kept from one tick to the next, and
// the robot's position as last listed. At each tick it reads the glove's device record, re-zeroes
// the glove when its first button asks, and runs the tick; the result is everything the window
// shows of that tick and everything it asks of the robot side. It has no widget and does not
// know the robot side: the window hands it the listings and turns its result into requests.
//
// Threads: the GUI thread only, like the glove it reads.
class SuiviGant
{
public:
    // Opens the glove (P5_Init()).
    explicit SuiviGant(std::unique_ptr<CP5DLL> gant);
    ~SuiviGant();
    SuiviGant(const SuiviGant&) = delete;
    SuiviGant& operator=(const SuiviGant&) = delete;

    CP5DLL& gant() const { return *m_gant; }
    // A glove was there when the object was made.
    bool gantDetecte() const { return m_gantDetecte; }
    // Whether the ticks may ask for moves (Lancer, or the manual mode's box).
    void armer(bool actif) { m_etat.suiviActif = actif; }
    // The robot's position as listed; the next ticks measure the glove against it.
    void noterPositionRobot(int x, int y, int z);
    // One tick; nothing while the glove is absent or closed.
    std::optional<ResultatTic> tic();

private:
    std::unique_ptr<CP5DLL> m_gant;
    bool m_gantDetecte = false;
    // suiviActif, pinceOuverte, pinceFermee, bandeFiltre, positionGantPrecedente.
    EtatSuivi m_etat;
    int m_positionRobot[3] = {0, 0, 0};
};
