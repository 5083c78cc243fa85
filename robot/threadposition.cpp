#include "robot/threadposition.h"

#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"

#include <QMutexLocker>

ThreadPosition::ThreadPosition(QObject* parent) : QThread(parent) {}

ThreadPosition::~ThreadPosition()
{
    wait();
    std::lock_guard<std::mutex> fin(m_vie);
}

void ThreadPosition::run()
{
    std::lock_guard<std::mutex> vie(m_vie);
    if (!m_liaison || !m_arret || !m_mutex || !m_consigne || !m_x || !m_y || !m_z)
        return;
    if (m_demarrageFini)
        attendreDrapeaux({m_demarrageFini, m_arret});
    char listing[kTailleListing];
    while (!m_arret->estLeve()) {
        IssueAttente issue;
        {
            QMutexLocker verrou(m_mutex);
            if (m_arret->estLeve())
                break;
            // Letters missing from the answer keep the values they had.
            int x = m_x->load();
            int y = m_y->load();
            int z = m_z->load();
            issue =
                m_liaison->LirePosition(m_consigne->copie(), listing, sizeof listing, &x, &y, &z);
            if (issue == IssueAttente::Recu) {
                m_x->store(x);
                m_y->store(y);
                m_z->store(z);
                emit positionLue(x, y, z);
                emit evenement({EvenementSuivi::Genre::PositionListee, horlogeSuiviMs(), double(x),
                                double(y), double(z)});
            }
        }
        if (issue == IssueAttente::Interrompu)
            break;
        attendreDrapeaux({m_arret}, m_periodeMs);
    }
}
