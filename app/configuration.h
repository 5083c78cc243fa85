#pragma once

#include "robot/liaisonserie.h"

#include <QString>

// What the command line chooses. Without options the program behaves as it always did: the
// first serial port and no glove source other than a real one.
struct ConfigurationZelvor
{
    QString port = QStringLiteral("COM1");
    QString gant = QStringLiteral("none"); // "none", "virtual" or "replay:FILE"
    QString enregistrementGant;            // --glove-record FILE, empty for none
    bool simulation = false;               // --simulate: the controller is simulated in-process
    QString transcriptSimulation;          // --sim-transcript FILE, empty for none
    BornesLiaison bornes;
};
