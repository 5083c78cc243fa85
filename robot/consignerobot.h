#pragma once

// The target pose as the controller takes it. Goes on the wire in the order X, Y, Z, P, R.
struct ConsigneRobot
{
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    double R = 0.0; // roll
    double P = 0.0; // pitch
    char nomPoint[80] = {};

    // The five values of `pose`; the point's name stays.
    void prendrePose(const ConsigneRobot& pose)
    {
        X = pose.X;
        Y = pose.Y;
        Z = pose.Z;
        R = pose.R;
        P = pose.P;
    }
};

enum class CommandePince
{
    Aucune,
    Ouvrir, // "open\r"
    Fermer, // "close\r"
};
