#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QtGlobal>
#include <random>

// A pose in the controller's units, in the order the controller teaches it.
struct PoseBras
{
    int X = 0;
    int Y = 0;
    int Z = 0;
    int P = 0;
    int R = 0;
};

// What a panel may show of the simulated arm.
struct EtatBras
{
    PoseBras position;        // where the arm is at the time asked for
    bool homing = false;      // a HOME runs and has not finished
    bool enMouvement = false; // a MOVE or a HOME has not reached its end pose
    bool pinceOuverte = true; // OPEN was the last gripper command (the gripper starts open)
};

// One line the controller received, without its line end; ms counts from the simulator's start.
struct LigneRecue
{
    qint64 ms = 0;
    QByteArray ligne;
};

struct OptionsInterpreteur
{
    int homeMs = 3000;        // how long a HOME takes; 0 finishes it at once
    double vitesse = 2000.0;  // units per second on each axis; <= 0 makes moves instantaneous
    int silenceApres = -1;    // answer this many lines, then write nothing at all (-1: never)
    int raccrocheApres = -1;  // answer this many lines, hang up on the next one (-1: never)
    bool bruit = false;       // mix random bytes (never '>') into what is written
    bool listingLong = false; // pad every listing past 200 bytes
    quint32 graine = 1;       // seed of the noise
};

// The robot controller's command interpreter, without any I/O: bytes go in with the time they
// arrive, bytes to write come out. Time is whatever the caller passes (ms, never decreasing), so
// homing and motion are tested without waiting.
//
// Promises the program relies on: every command or value line is answered by exactly one '>'
// (the last byte of its answer), and no other '>' is ever written, not even as an echo or noise.
//
// Not thread-safe: one owner calls it (the pseudo-terminal driver holds a lock around it).
class InterpreteurScorbot
{
public:
    explicit InterpreteurScorbot(const OptionsInterpreteur& options = {});

    // Feeds received bytes; returns what the controller writes in reply, echo included. Input
    // that arrives while a HOME runs waits until it has finished.
    QByteArray recevoir(const QByteArray& octets, qint64 ms);
    // Lets time pass: returns what became due (the end of a HOME and the answers queued behind).
    QByteArray avancer(qint64 ms);
    // When avancer() will next have something to write; -1 if nothing is pending.
    qint64 prochaineEcheance() const;

    EtatBras etat(qint64 ms) const;
    // Lines received since the last call, in order.
    QList<LigneRecue> prendreLignes();
    int nombreLignes() const { return m_lignes; }
    // The line count reached raccrocheApres + 1: the owner must close the line. Final.
    bool raccrochageDemande() const { return m_raccroche; }

    void setSilencieux(bool silencieux) { m_silencieux = silencieux; }
    void setBruit(bool bruit) { m_options.bruit = bruit; }
    void setListingLong(bool listingLong) { m_options.listingLong = listingLong; }

    // Where HOME ends and where the arm starts.
    static PoseBras poseRepos() { return {3162, 0, 2450, -850, 0}; }
    static constexpr int longueurNomMax = 8;
    static constexpr int longueurLigneMax = 80;

private:
    struct Point
    {
        QByteArray nom; // upper case, as defined
        bool enseigne = false;
        PoseBras pose;
    };
    // A straight-line motion; HOME uses one too, with its own duration.
    struct Trajet
    {
        PoseBras depart;
        PoseBras arrivee;
        qint64 debutMs = 0;
        qint64 finMs = 0;
    };

    void traiterFile(qint64 ms, QByteArray& sortie);
    void traiterOctet(char octet, qint64 ms, QByteArray& sortie);
    QByteArray executer(const QByteArray& ligne, qint64 ms);
    QByteArray valeurEnseignee(const QByteArray& ligne);
    QByteArray listing(const QByteArray& titre, const PoseBras& pose) const;
    QByteArray bruiter(const QByteArray& texte);
    bool muet() const;
    PoseBras positionA(qint64 ms) const;

    OptionsInterpreteur m_options;
    std::mt19937 m_alea;

    QMap<QByteArray, Point> m_points;
    QByteArray m_file; // received, not yet processed (held back while a HOME runs)
    QByteArray m_ligne;
    bool m_crPrecedent = false;

    QByteArray m_nomEnseigne; // point being taught; empty when no TEACH runs
    int m_indexEnseigne = 0;
    int m_valeurs[5] = {};

    Trajet m_trajet;
    bool m_homing = false;
    bool m_pinceOuverte = true;
    qint64 m_dernierMs = 0;

    int m_lignes = 0;
    QList<LigneRecue> m_nouvelles;
    bool m_silencieux = false;
    bool m_raccroche = false;
};
