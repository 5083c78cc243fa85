// Feeds arbitrary traffic to the controller's interpreter, with time passing between the pieces,
// and checks the promise the program's serial link relies on: one '>' per line received, never
// one more (no echoed or noisy prompt), never one fewer while the controller is meant to answer.
//
// Input layout: three bytes of options, then pieces of [ms to let pass][length][bytes].
//   byte 0: bit 0 noise, bit 1 long listings, bit 2 instantaneous moves,
//           bits 3-4: 1 silent after n lines, 2 hang up after n lines, else answers everything;
//   byte 1: n (0..15);
//   byte 2: duration of HOME, in tens of ms.
#include "sim/interpreteurscorbot.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void exiger(bool condition)
{
    if (!condition)
        std::abort();
}

void verifierEtat(const InterpreteurScorbot& interpreteur, qint64 ms)
{
    // Every taught value is within what a listing line can show; moves stay between poses.
    const PoseBras p = interpreteur.etat(ms).position;
    for (int v : {p.X, p.Y, p.Z, p.P, p.R})
        exiger(v >= -99999 && v <= 99999);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    if (taille < 3)
        return 0;
    OptionsInterpreteur options;
    options.bruit = donnees[0] & 1;
    options.listingLong = donnees[0] & 2;
    options.vitesse = (donnees[0] & 4) ? 0.0 : 2000.0;
    const int mode = (donnees[0] >> 3) & 3;
    if (mode == 1)
        options.silenceApres = donnees[1] & 15;
    else if (mode == 2)
        options.raccrocheApres = donnees[1] & 15;
    options.homeMs = donnees[2] * 10;
    options.graine = donnees[1];
    const bool repondTout = mode != 1 && mode != 2;

    InterpreteurScorbot interpreteur(options);
    qint64 ms = 0;
    qint64 invites = 0;
    const auto compter = [&invites](const QByteArray& sortie) { invites += sortie.count('>'); };

    std::size_t i = 3;
    while (i < taille) {
        ms += donnees[i++];
        compter(interpreteur.avancer(ms));
        if (i >= taille)
            break;
        std::size_t longueur = donnees[i++];
        if (longueur > taille - i)
            longueur = taille - i;
        const QByteArray morceau(reinterpret_cast<const char*>(donnees + i), qsizetype(longueur));
        i += longueur;
        compter(interpreteur.recevoir(morceau, ms));
        verifierEtat(interpreteur, ms);
        // Never more prompts than lines, not even halfway through.
        exiger(invites <= interpreteur.nombreLignes());
    }

    // Let every HOME finish, and the lines held back behind it run.
    for (int tour = 0; tour < 1000 && interpreteur.prochaineEcheance() >= 0; ++tour) {
        ms = std::max(ms, interpreteur.prochaineEcheance());
        compter(interpreteur.avancer(ms));
    }
    exiger(interpreteur.prochaineEcheance() < 0);
    verifierEtat(interpreteur, ms);
    if (repondTout)
        exiger(invites == interpreteur.nombreLignes());
    else
        exiger(invites <= interpreteur.nombreLignes());
    return 0;
}
