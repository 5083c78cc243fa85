#pragma once

#include "robot/evenementsuivi.h"

#include <QThread>
#include <atomic>
#include <mutex>

class ConsignePartagee;
class Drapeau;
class LiaisonSerie;
class QMutex;
struct PositionRobot;

// Lists the robot point every half second, keeps the shared position current and reports every
// listing that was read.
//
// Threads: takes the line mutex around each listing only; sleeps outside it, and wakes at once
// when `arretThreads` is raised. Begins once the start-up sequence has ended.
class ThreadPosition : public QThread
{
    Q_OBJECT

public:
    static constexpr std::size_t kTailleListing = 140;

    // Everything is the robot side's, which outlives the thread. The first listing waits for
    // `demarrageFini` (the start-up sequence's end).
    ThreadPosition(LiaisonSerie& liaison, QMutex& mutex, ConsignePartagee& consigne, Drapeau& arret,
                   Drapeau& demarrageFini, PositionRobot& position);
    ~ThreadPosition() override;

    void setPeriodeMs(int ms) { m_periodeMs = ms; }

signals:
    void positionLue(int x, int y, int z);
    void evenement(EvenementSuivi evenement);

protected:
    void run() override;

private:
    // Held by run() for its whole length and taken by the destructor after wait(): Qt learns
    // that a thread ended under a lock of its own, which ThreadSanitizer cannot see.
    std::mutex m_vie;
    LiaisonSerie& m_liaison;
    QMutex& m_mutex;
    ConsignePartagee& m_consigne;
    Drapeau& m_arret;
    Drapeau& m_demarrageFini;
    PositionRobot& m_position;
    int m_periodeMs = 500;
};
