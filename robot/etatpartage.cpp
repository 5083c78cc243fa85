#include "robot/etatpartage.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

ConsignePartagee consigneRobot;
Drapeau mouvementDemande;
Drapeau arretThreads;
PositionRobot positionRobot;

namespace {
// One wake-up for all flags: raises are rare (tens a second at most) and there are two waiters.
std::mutex verrouReveil;
std::condition_variable reveil;
} // namespace

void Drapeau::lever()
{
    m_valeur.store(true);
    // Taking the lock orders the store before any waiter's check, so no wake-up is lost.
    {
        std::lock_guard<std::mutex> verrou(verrouReveil);
    }
    reveil.notify_all();
}

void attendreDrapeaux(const Drapeau& a, const Drapeau& b, int delaiMs)
{
    const auto leve = [&] { return a.estLeve() || b.estLeve(); };
    std::unique_lock<std::mutex> verrou(verrouReveil);
    if (delaiMs < 0)
        reveil.wait(verrou, leve);
    else
        reveil.wait_for(verrou, std::chrono::milliseconds(delaiMs), leve);
}

ConsigneRobot ConsignePartagee::copie() const
{
    QMutexLocker verrou(&m_verrou);
    return m_valeur;
}

void ConsignePartagee::ecrire(const ConsigneRobot& consigne)
{
    QMutexLocker verrou(&m_verrou);
    m_valeur = consigne;
}
