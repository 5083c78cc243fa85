#pragma once

#include "glove/sourcegant.h"
#include "robot/liaisonserie.h"

#include <QString>
#include <functional>

class PiloteRobot;

// What the command line chooses. Without options the program behaves as it always did: the
// first serial port and no glove source other than a real one.
struct ConfigurationZelvor
{
    QString port = QStringLiteral("COM1");
    // "none", "virtual", "replay:FILE", "osc:...", "osc.tcp:...", "manette" or "manette:N"
    QString gant = QStringLiteral("none");
    // The source `gant` names, built by the command line; empty when the window is to build it.
    SourceGantPreparee sourceGant;
    QString sortieTrajectoire;             // --glove-record FILE, empty for none
    bool simulation = false;               // --simulate: the controller is simulated in-process
    QString transcriptSimulation;          // --sim-transcript FILE, empty for none
    QString trace;                         // --trace FILE ("-": standard error), empty for none
    QString langue = QStringLiteral("fr"); // --langue: "fr" or "en"
    BornesLiaison bornes;
    bool courbes = false;   // --courbes: the plot window opens with the main window
    QString fichierCourbes; // --courbes=FILE: what it kept is written there at the end
    // Called with the robot side once its port is open, before it starts, for whoever follows
    // its signals from the first target on; empty for none.
    std::function<void(const PiloteRobot&)> suivrePilote;
};
