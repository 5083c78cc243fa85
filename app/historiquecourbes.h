#pragma once

#include "robot/evenementsuivi.h"

#include <QString>
#include <cstddef>
#include <vector>

class QIODevice;

// What the plot window keeps of the arm's following: the last five minutes of targets, poses
// written and positions listed, and the marks between them, in a memory fixed at construction
// (kOctets), whatever the length of the run.
//
// Each series is a ring of kPointsParSerie points, 50 a second over five minutes. Targets are kept
// one per 20 ms slot, the last of the slot: a dragged slider asks for hundreds a second, the tick
// for 20. The line carries about six poses and two listings a second, far under the ring's rate;
// should a series ever go faster, its oldest points go first. The marks have a ring of their own.
// Whatever lies more than five minutes before the latest point is neither shown nor written out.
//
// A pose written is kept as it went on the wire (each value as the protocol writes it); a point
// that is not a finite number went nowhere and is not kept.
//
// Threads: one thread (the GUI's); no locking.
class HistoriqueCourbes
{
public:
    enum Serie
    {
        Cible,
        PoseEcrite,
        PositionListee,
    };
    static constexpr int kSeries = 3;
    struct Point
    {
        qint64 ms;
        double x, y, z;
    };
    struct Marque
    {
        qint64 ms;
        EvenementSuivi::Genre genre;
    };

    static constexpr qint64 kDureeMs = 5 * 60 * 1000;
    static constexpr qint64 kPasCibleMs = 20;
    static constexpr int kPointsParSerie = int(kDureeMs / kPasCibleMs) + 1; // both ends
    static constexpr int kMarques = 3000;
    static constexpr std::size_t kOctets =
        kSeries * kPointsParSerie * sizeof(Point) + kMarques * sizeof(Marque);

    HistoriqueCourbes();

    void ajouter(const EvenementSuivi& evenement);
    // The latest time kept, -1 when nothing is; the earliest within the five minutes.
    qint64 dernierMs() const { return m_dernierMs; }
    qint64 premierMs() const;
    // Grows with every point or mark kept: a view that drew at one count has nothing new to draw
    // while it stays.
    quint64 changements() const { return m_changements; }

    // The points of a series from `debut` to `fin`, in time order, with the last one before
    // `debut` (what held when the span starts).
    std::vector<Point> points(Serie serie, qint64 debut, qint64 fin) const;
    std::vector<Marque> marques(qint64 debut, qint64 fin) const;

    // Everything within the five minutes as CSV, one row per point or mark in time order:
    // "ms,serie,x,y,z" (a mark leaves x, y and z empty). False when the device refused a write.
    bool ecrireCsv(QIODevice& sortie) const;
    // The same to a file, whole or not at all; the reason in `erreur` when it could not be.
    bool exporterCsv(const QString& chemin, QString* erreur) const;

    // The name of a series or a mark in the CSV.
    static const char* nom(EvenementSuivi::Genre genre);

private:
    template <typename T> struct Anneau
    {
        std::vector<T> cases;
        int debut = 0;
        int taille = 0;

        explicit Anneau(int capacite) : cases(std::size_t(capacite)) {}
        T& operator[](int i) { return cases[std::size_t((debut + i) % int(cases.size()))]; }
        const T& operator[](int i) const
        {
            return cases[std::size_t((debut + i) % int(cases.size()))];
        }
        // Kept in time order: an element from another thread may arrive after a later one.
        void inserer(const T& e);
        // The first index whose time is `ms` or later.
        int depuis(qint64 ms) const;
    };

    qint64 debutFenetre() const { return m_dernierMs - kDureeMs; }

    std::vector<Anneau<Point>> m_series;
    Anneau<Marque> m_marques{kMarques};
    qint64 m_dernierMs = -1;
    quint64 m_changements = 0;
};
