#pragma once

#include "robot/consignerobot.h"

#include <QMutex>
#include <atomic>
#include <condition_variable>
#include <deque>
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

// The gripper commands that wait for the line, in the order the finger crossed the threshold. A
// quick pinch made while a pose is on the wire is a "close" and an "open", and both go out: the
// gripper closes on what it held for that moment. Only a repeat of the state last asked for
// collapses, and a command once handed to the line is never taken back.
class PinceDemandee
{
public:
    explicit PinceDemandee(Reveil* reveil) : m_drapeau(reveil) {}
    void demander(CommandePince commande);
    // The command to send now, or Aucune; it stops being pending.
    CommandePince prendre();
    // A command that did not get its prompt goes out again before the ones that followed it.
    void rendre(CommandePince commande);
    const Drapeau& drapeau() const { return m_drapeau; }

private:
    // An outage that lasts while the finger keeps pinching must not grow the queue without end;
    // past this, the oldest close-and-open pair goes, which leaves the gripper where it ends.
    static constexpr std::size_t kAttenteMax = 32;

    mutable std::mutex m_verrou;
    std::deque<CommandePince> m_attente;
    CommandePince m_derniere = CommandePince::Aucune; // the last one asked for
    Drapeau m_drapeau;
};
