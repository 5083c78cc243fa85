#pragma once

#include "glove/trajectoire.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>

// A recording that cannot be written any more: the file as it was named, and the reason in one
// line. Called on the thread that found the failure, at most once per recording.
using SurEchecEcriture = std::function<void(const QString& fichier, const QString& raison)>;

// Writes a glove recording on a thread of its own, so that the thread that records (the GUI
// thread) hands samples over and never waits on the disk, even when a replay brings a million
// samples at once.
//
// What it promises about the file: the header, then whole lines, each sample in the order it was
// handed over. A write that fails (a full disk, a file-size limit) cuts the file back to its last
// whole line, so that it replays up to its last whole sample; the recording stops there and the
// failure is reported once (SurEchecEcriture). When it is closed, what is still queued is written
// for at most kDelaiFin, so that the program ends promptly; samples left after that are reported as
// lost the same way.
//
// Threads: ouvrir(), ajouter() and the destructor on the owner's thread; the file is written only
// on the writer's thread, which the destructor joins.
class EcrivainTrajectoire
{
public:
    // How long a closing recording may still write what is queued.
    static constexpr std::chrono::milliseconds kDelaiFin{200};
    // Samples waiting to be written, at most: more than a replay file can hold, so that a replay
    // never overflows it; a live source that outruns the disk that long stops the recording.
    static constexpr std::size_t kAttenteMax = std::size_t(1) << 22;

    // Creates or empties `fichier` and starts the writer. Null with the system's reason when the
    // file cannot be opened.
    static std::unique_ptr<EcrivainTrajectoire> ouvrir(const QString& fichier, QString* erreur,
                                                       SurEchecEcriture surEchec = {});
    ~EcrivainTrajectoire();
    EcrivainTrajectoire(const EcrivainTrajectoire&) = delete;
    EcrivainTrajectoire& operator=(const EcrivainTrajectoire&) = delete;

    // Queues a sample. False once the recording has stopped: nothing more will be written.
    bool ajouter(const EchantillonGant& echantillon);

private:
    EcrivainTrajectoire(int fd, const QString& fichier, SurEchecEcriture surEchec);
    void executer();
    bool ecrire(const QByteArray& octets);
    void echouer(const QString& raison);

    const int m_fd;
    std::atomic<bool> m_signale{false};
    const QString m_fichier;
    const SurEchecEcriture m_surEchec;
    off_t m_taille = 0; // bytes of whole lines in the file; the writer's own

    std::mutex m_verrou; // protects the four below; held by ajouter() and by the writer
    std::condition_variable m_condition; // a sample queued, or the end asked for
    std::deque<EchantillonGant> m_attente;
    bool m_fin = false;    // the owner closes the recording
    bool m_arrete = false; // nothing more is written: a failure, or the end
    std::chrono::steady_clock::time_point m_echeance; // with m_fin: when to give up writing

    std::thread m_fil;
};
