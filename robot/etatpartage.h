#pragma once

#include "robot/consignerobot.h"

#include <QMutex>
#include <atomic>

// A one-byte flag shared between threads without the line mutex. Raising it wakes every worker
// that waits for a flag, so a worker sleeps instead of polling.
class Drapeau
{
public:
    void lever();
    void baisser() { m_valeur.store(false); }
    bool estLeve() const { return m_valeur.load(); }
    // Clears the flag and says whether it was raised, in one step.
    bool prendre() { return m_valeur.exchange(false); }

private:
    std::atomic<bool> m_valeur{false};
};

// Waits until `a` or `b` is raised, or `delaiMs` passes (-1: no limit). Returns at once when one
// of them is raised already.
void attendreDrapeaux(const Drapeau& a, const Drapeau& b, int delaiMs = -1);

// The target pose behind a small lock of its own, so that a worker never copies a pose that mixes
// two writes. No serial exchange ever holds this lock: writers never wait for the line.
class ConsignePartagee
{
public:
    ConsigneRobot copie() const;
    void ecrire(const ConsigneRobot& consigne);
    // One field or several, written under the lock.
    template <typename Fonction> void modifier(Fonction f)
    {
        QMutexLocker verrou(&m_verrou);
        f(m_valeur);
    }

private:
    mutable QMutex m_verrou;
    ConsigneRobot m_valeur;
};

// The robot point's coordinates as last listed by the controller.
struct PositionRobot
{
    std::atomic<int> X{0};
    std::atomic<int> Y{0};
    std::atomic<int> Z{0};
};

// Program-wide shared state: the window sets the start values and hands the addresses to the
// workers.
extern ConsignePartagee consigneRobot;
extern Drapeau mouvementDemande; // a new target waits to be sent
extern Drapeau arretThreads;     // the workers must leave their loops
extern PositionRobot positionRobot;
