#pragma once

#include <QThread>
#include <mutex>

class ConsignePartagee;
class Drapeau;
class LiaisonSerie;
class QMutex;

// Sends the target pose to the controller whenever a move is requested.
//
// Threads: waits for `mouvementDemande` or `arretThreads` without spinning; takes the line mutex
// around each pose exchange. The request is taken when the pose is copied, so a request made
// while a pose is on the wire survives and the newest pose always goes out.
class ThreadMouvement : public QThread
{
    Q_OBJECT

public:
    explicit ThreadMouvement(QObject* parent = nullptr);
    ~ThreadMouvement() override;

    void SetArret(Drapeau* arret) { m_arret = arret; }
    void SetMouvementDemande(Drapeau* demande) { m_demande = demande; }
    void SetMutex(QMutex* mutex) { m_mutex = mutex; }
    void SetConsigne(ConsignePartagee* consigne) { m_consigne = consigne; }
    void SetLiaison(LiaisonSerie* liaison) { m_liaison = liaison; }

    // Pause before a failed pose is tried again, so that retries do not hold the line all the time.
    void setPauseApresEchecMs(int ms) { m_pauseApresEchecMs = ms; }

protected:
    void run() override;

private:
    // Held by run() for its whole length and taken by the destructor after wait(): Qt learns
    // that a thread ended under a lock of its own, which ThreadSanitizer cannot see.
    std::mutex m_vie;
    Drapeau* m_arret = nullptr;
    Drapeau* m_demande = nullptr;
    QMutex* m_mutex = nullptr;
    ConsignePartagee* m_consigne = nullptr;
    LiaisonSerie* m_liaison = nullptr;
    int m_pauseApresEchecMs = 500;
};
