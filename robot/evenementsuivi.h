#pragma once

#include <QMetaType>
#include <QtGlobal>

// One thing the robot side did, with its time, for whoever follows the arm over time: what the
// operator asked for, what went on the wire, where the controller listed the arm, and the marks
// between them (gripper, homing, outages).
//
// Positions are in the controller's units, Y as the controller takes it, so that the three kinds
// of point compare directly.
struct EvenementSuivi
{
    enum class Genre
    {
        Cible,          // a target asked for (a slider, a tick, homing's pose after)
        PoseEcrite,     // a pose whose exchange ended with its last prompt
        PositionListee, // a listing read back
        Fermeture,      // "close" answered
        Ouverture,      // "open" answered
        DebutHoming,    // "home" written
        FinHoming,      // homing's wait ended
        PanneSilence,   // E0005: the controller stopped answering
        PanneRaccroche, // E0006: the line hung up
        Retour,         // traffic resumed
    };
    Genre genre = Genre::Cible;
    qint64 ms = 0; // horlogeSuiviMs() when it happened
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};
Q_DECLARE_METATYPE(EvenementSuivi)

// Milliseconds on a monotonic clock shared by every thread of the process; starts at the first
// call.
qint64 horlogeSuiviMs();
