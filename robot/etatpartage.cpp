#include "robot/etatpartage.h"

#include <QDeadlineTimer>
#include <QWaitCondition>

ConsignePartagee consigneRobot;
Drapeau mouvementDemande;
Drapeau arretThreads;
PositionRobot positionRobot;

namespace {
// One wake-up for all flags: raises are rare (tens a second at most) and there are two waiters.
QMutex verrouReveil;
QWaitCondition reveil;
} // namespace

void Drapeau::lever()
{
    m_valeur.store(true);
    // Taking the lock orders the store before any waiter's check, so no wake-up is lost.
    QMutexLocker verrou(&verrouReveil);
    reveil.wakeAll();
}

void attendreDrapeaux(const Drapeau& a, const Drapeau& b, int delaiMs)
{
    QDeadlineTimer echeance(delaiMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                        : QDeadlineTimer(delaiMs));
    QMutexLocker verrou(&verrouReveil);
    while (!a.estLeve() && !b.estLeve()) {
        if (!reveil.wait(&verrouReveil, echeance))
            return;
    }
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
