#pragma once

#include "sim/simulateurpty.h"

#include <QString>
#include <memory>

struct ConfigurationZelvor;
class GLObjectWindow;
class PanneauGantVirtuel;

// zelvor --simulate: the robot controller simulated inside the program, on a pseudo-terminal
// that the window opens through its ordinary serial path, and the "Gant virtuel" panel beside
// the window. The default pace is a real line's (9600 baud, 8N2) and a real arm's homing time, so
// what the operator sees is what the robot would do.
//
// Lifetime: create it before the window and destroy it after; the simulator stops, and its
// pseudo-terminal disappears, when this object goes (also after SIGTERM, which closes the window
// and so returns from the event loop). Threads: GUI thread only; the simulator runs a thread of
// its own, which never receives the program's SIGINT or SIGTERM.
class ModeSimulation
{
public:
    // The pace of a real controller.
    static OptionsSimulateur optionsReelles();

    explicit ModeSimulation(OptionsSimulateur options = optionsReelles());
    ~ModeSimulation();
    ModeSimulation(const ModeSimulation&) = delete;
    ModeSimulation& operator=(const ModeSimulation&) = delete;

    // Starts the simulator; false with a one-line message when it cannot.
    bool demarrer(QString* erreur = nullptr);
    // The device to open, e.g. /dev/pts/4, once started.
    QString peripherique() const { return m_simulateur.peripherique(); }
    // Points the window's serial port at the simulator.
    void configurer(ConfigurationZelvor& configuration) const;
    // Shows the panel beside `fenetre`, driving the window's glove when that is a virtual one
    // (with another source the panel only shows the arm). The panel lets go of the glove when
    // the window goes.
    void attacher(GLObjectWindow& fenetre);

    SimulateurPty& simulateur() { return m_simulateur; }
    // Null before attacher().
    PanneauGantVirtuel* panneau() const { return m_panneau.get(); }

private:
    OptionsSimulateur m_options;
    SimulateurPty m_simulateur;
    std::unique_ptr<PanneauGantVirtuel> m_panneau;
};
