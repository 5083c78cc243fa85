#pragma once

#include "robot/consignerobot.h"

#include <QMutex>
#include <atomic>
#include <condition_variable>
#include <initializer_list>
#include <mutex>

// What the flags of one robot side wake their waiters with. Raises are rare (tens a second at
// most) and there are two waiters, so one wake-up serves every flag of the group.
class Reveil
{
public:
    void notifier();
    std::mutex verrou;
    std::condition_variable condition;
};

// A one-byte flag shared between threads without the line mutex. Raising it wakes every worker
// that waits on the flags of its group, so a worker sleeps instead of polling.
class Drapeau
{
public:
    explicit Drapeau(Reveil* reveil) : m_reveil(reveil) {}
    void lever();
    void baisser() { m_valeur.store(false); }
    bool estLeve() const { return m_valeur.load(); }
    // Clears the flag and says whether it was raised, in one step.
    bool prendre() { return m_valeur.exchange(false); }
    Reveil* reveil() const { return m_reveil; }

private:
    std::atomic<bool> m_valeur{false};
    Reveil* m_reveil;
};

// Waits until one of `drapeaux` (all of one group) is raised, or `delaiMs` passes (-1: no limit).
// Returns at once when one of them is raised already.
void attendreDrapeaux(std::initializer_list<const Drapeau*> drapeaux, int delaiMs = -1);

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

// The gripper command that waits for the line. Only the newest wish counts: a command that is
// overtaken by its opposite before it was ever tried is dropped, since the gripper already is
// where the operator wants it.
class PinceDemandee
{
public:
    explicit PinceDemandee(Reveil* reveil) : m_drapeau(reveil) {}
    void demander(CommandePince commande);
    // The command to send now, or Aucune; it stops being pending.
    CommandePince prendre();
    // A command that did not get its prompt waits again, unless a newer one waits already.
    void rendre(CommandePince commande);
    const Drapeau& drapeau() const { return m_drapeau; }

private:
    mutable std::mutex m_verrou;
    CommandePince m_commande = CommandePince::Aucune;
    bool m_dejaTentee = false;
    Drapeau m_drapeau;
};
