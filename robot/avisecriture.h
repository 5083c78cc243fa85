#pragma once

#include <QString>
#include <functional>

// A file the program writes as it runs, the line's trace or the glove's recording, that can no
// longer be written (a full disk, a file-size limit, a reader gone from a pipe). The program goes
// on without that file and says so once: one line on the standard error, and the listener (the
// window, which shows a box that does not block it). Whoever signals has stopped writing the
// file, so each file is signalled at most once.
//
// Threads: signaler() from any thread (the trace is written on the robot side's workers, the
// recording on a writer thread of its own); the listener runs on the signalling thread and must
// only hand the news over (a queued call). A lock serialises the calls with
// definirEcouteur(): once that returns, the former listener is neither running nor called again.
namespace avisecriture {

enum class Fichier
{
    Trace,       // --trace
    Trajectoire, // --glove-record
};

using Ecouteur = std::function<void(Fichier quoi, const QString& fichier, const QString& raison)>;

// `fichier` as the command line named it ("-" for the standard error); `raison` one line.
void signaler(Fichier quoi, const QString& fichier, const QString& raison);
// Empty to forget it.
void definirEcouteur(Ecouteur ecouteur);

} // namespace avisecriture
