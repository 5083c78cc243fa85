#include "robot/threadmouvement.h"

#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"

#include <QMutexLocker>

ThreadMouvement::ThreadMouvement(QObject* parent) : QThread(parent) {}

ThreadMouvement::~ThreadMouvement()
{
    // The owner stops the thread first; never destroy a running QThread.
    wait();
    std::lock_guard<std::mutex> fin(m_vie);
}

void ThreadMouvement::run()
{
    std::lock_guard<std::mutex> vie(m_vie);
    if (!m_liaison || !m_arret || !m_demande || !m_mutex || !m_consigne)
        return;
    while (!m_arret->estLeve()) {
        attendreDrapeaux(*m_demande, *m_arret);
        if (m_arret->estLeve())
            break;
        IssueAttente issue;
        {
            QMutexLocker verrou(m_mutex);
            if (m_arret->estLeve())
                break;
            if (!m_demande->prendre())
                continue;
            issue = m_liaison->EnvoyerConsigne(m_consigne->copie());
        }
        if (issue == IssueAttente::Interrompu)
            break;
        if (issue != IssueAttente::Recu) {
            // The pose did not reach the controller: ask for it again, unless a newer one is
            // already waiting, and let the line rest a little first.
            m_demande->lever();
            attendreDrapeaux(*m_arret, *m_arret, m_pauseApresEchecMs);
        }
    }
}
