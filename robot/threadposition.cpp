#include "robot/threadposition.h"

#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"

#include <QMutexLocker>

ThreadPosition::ThreadPosition(LiaisonSerie& liaison, QMutex& mutex, ConsignePartagee& consigne,
                               Drapeau& arret, Drapeau& demarrageFini, PositionRobot& position)
    : m_liaison(liaison), m_mutex(mutex), m_consigne(consigne), m_arret(arret),
      m_demarrageFini(demarrageFini), m_position(position)
{
}

ThreadPosition::~ThreadPosition()
{
    wait();
    std::lock_guard<std::mutex> fin(m_vie);
}

void ThreadPosition::run()
{
    std::lock_guard<std::mutex> vie(m_vie);
    attendreDrapeaux({&m_demarrageFini, &m_arret});
    char listing[kTailleListing];
    while (!m_arret.estLeve()) {
        IssueAttente issue;
        {
            QMutexLocker verrou(&m_mutex);
            if (m_arret.estLeve())
                break;
            // Letters missing from the answer keep the values they had.
            int x = m_position.X.load();
            int y = m_position.Y.load();
            int z = m_position.Z.load();
            issue = m_liaison.LirePosition(m_consigne.copie(), listing, sizeof listing, &x, &y, &z);
            if (issue == IssueAttente::Recu) {
                m_position.X.store(x);
                m_position.Y.store(y);
                m_position.Z.store(z);
                emit positionLue(x, y, z);
                emit evenement({EvenementSuivi::Genre::PositionListee, horlogeSuiviMs(), double(x),
                                double(y), double(z)});
            }
        }
        if (issue == IssueAttente::Interrompu)
            break;
        attendreDrapeaux({&m_arret}, m_periodeMs);
    }
}
