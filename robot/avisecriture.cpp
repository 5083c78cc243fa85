#include "robot/avisecriture.h"

#include <cstdio>
#include <mutex>

namespace avisecriture {

namespace {
std::mutex verrou; // protects ecouteur, and keeps it alive while it runs
Ecouteur ecouteur;
} // namespace

void signaler(Fichier quoi, const QString& fichier, const QString& raison)
{
    // Said even when the failing file is the standard error itself: the write fails as quietly.
    const bool trace = quoi == Fichier::Trace;
    std::fprintf(stderr, "zelvor: %s %s: %s; %s\n", trace ? "--trace" : "--glove-record",
                 qPrintable(fichier), qPrintable(raison),
                 trace ? "tracing stopped, the link goes on"
                       : "recording stopped, the file replays up to its last whole sample");
    std::fflush(stderr);
    std::lock_guard<std::mutex> garde(verrou);
    if (ecouteur)
        ecouteur(quoi, fichier, raison);
}

void definirEcouteur(Ecouteur nouveau)
{
    std::lock_guard<std::mutex> garde(verrou);
    ecouteur = std::move(nouveau);
}

} // namespace avisecriture
