#pragma once

#include "sim/interpreteurscorbot.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct OptionsSimulateur
{
    int baud = 9600;           // pace of the line, 11 bit times a byte (8N2); 0: no pacing
    int homeMs = 3000;         // how long a HOME takes
    double vitesse = 2000.0;   // units per second on each axis
    int silenceApres = -1;     // answer this many lines, then write nothing (-1: never)
    int raccrocheApres = -1;   // answer this many lines, hang up on the next one (-1: never)
    bool bruit = false;        // random bytes mixed into the answers, never '>'
    bool listingLong = false;  // listings padded past 200 bytes
    quint32 graineBruit = 0;   // 0: a random seed
    QString lien;              // symbolic link to the device, made at start, removed at stop
    QString fichierTranscript; // every received line appended as "ms<TAB>line", flushed each line
    // Hear only what arrives while the program's side of the line is set to 9600 baud 8N2: a
    // real controller at other settings receives garbage and answers nothing sensible.
    bool exigerReglage = false;
};

// The robot controller on a pseudo-terminal: the program opens peripherique() as its serial
// port and talks to an InterpreteurScorbot, at the pace of a real line.
//
// Threads: one thread of its own serves the line between demarrer() and arreter(). Every public
// member may be called from any other thread; arreter() and the destructor must not run
// concurrently with the other members.
class SimulateurPty
{
public:
    using LigneRecue = ::LigneRecue;

    SimulateurPty();
    ~SimulateurPty();
    SimulateurPty(const SimulateurPty&) = delete;
    SimulateurPty& operator=(const SimulateurPty&) = delete;

    bool demarrer(const OptionsSimulateur& options, QString* erreur = nullptr);
    // The slave side, e.g. /dev/pts/5; stays valid after a hang-up until arreter().
    QString peripherique() const { return m_peripherique; }
    // Returns once the thread has ended and everything is closed (the link removed).
    void arreter();
    bool enMarche() const { return m_thread.joinable(); }
    bool raccroche() const { return m_raccroche.load(); }

    QList<LigneRecue> transcript() const;
    // True once at least n lines were received, false if delaiMs passed first.
    bool attendreLignes(int n, int delaiMs);

    void setSilencieux(bool silencieux);
    // Closes the line now; returns once it is closed.
    void raccrocher();
    void setBruit(bool bruit);
    void setListingLong(bool listingLong);
    EtatBras etat() const;

private:
    void boucle();
    qint64 servir(const QByteArray& lot, qint64 maintenantUs, QByteArray& sortie);
    void consigner(const QList<LigneRecue>& lignes);
    void fermerLigne();
    void reveiller();
    qint64 microsecondes() const;
    void nettoyer();

    OptionsSimulateur m_options;
    QString m_peripherique;
    int m_maitre = -1;
    int m_esclave = -1; // held so that the pseudo-terminal survives the program closing its side
    int m_reveil = -1;  // eventfd: arreter(), raccrocher()
    QFile m_fichier;    // written by the thread only while it runs
    bool m_lienCree = false;
    std::chrono::steady_clock::time_point m_debut;
    std::thread m_thread;
    std::atomic<bool> m_arret{false};
    std::atomic<bool> m_raccrocherDemande{false};
    std::atomic<bool> m_raccroche{false};

    // Protects m_interpreteur and m_transcript; held by the thread for each call into the
    // interpreter and by the public members; never held across a system call that can block
    // (closing the line's descriptors, in fermerLigne(), does not).
    mutable std::mutex m_verrou;
    std::condition_variable m_changement; // a line arrived or the line was closed
    InterpreteurScorbot m_interpreteur;
    QList<LigneRecue> m_transcript;
};
