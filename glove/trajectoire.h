#pragma once

#include "glove/etatgant.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

// The replay file: plain text, one sample per line,
//     t_ms x y z f0 f1 f2 f3 f4 b0 b1
// t_ms an integer, non-decreasing, in ms from the first re-zeroing; x y z floats with '.' as
// the decimal point; five bends 0..255; two buttons 0 or 1. Fields are separated by spaces or
// tabs, '#' starts a comment line, blank lines are ignored, and the first line that is neither
// may be the header "zelvor-gant 1".

struct EchantillonGant
{
    qint64 tempsMs = 0;
    EtatGant etat;
};

// Parses a whole file's content. On error returns false and sets `erreur` to one line,
// "nomFichier:ligne: problem". Any input is safe to pass.
bool analyserTrajectoire(const QByteArray& contenu, const QString& nomFichier,
                         std::vector<EchantillonGant>* echantillons, QString* erreur);

// Reads and parses a file in one pass, holding only the samples. Anything but a regular file (a
// FIFO, a device) and a file too large to be a trajectory are refused before a byte is read.
bool chargerTrajectoire(const QString& fichier, std::vector<EchantillonGant>* echantillons,
                        QString* erreur);

// What a recording starts with: the header and a comment naming the columns.
QByteArray enteteTrajectoire();

// One sample as a full line, newline included; floats written so that they read back exactly.
QByteArray formaterEchantillon(const EchantillonGant& echantillon);
