#pragma once

#include "robot/evenementsuivi.h"

#include <QThread>
#include <atomic>
#include <mutex>

class ConsignePartagee;
class Drapeau;
class LiaisonSerie;
class QMutex;

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

    explicit ThreadPosition(QObject* parent = nullptr);
    ~ThreadPosition() override;

    void SetArret(Drapeau* arret) { m_arret = arret; }
    void SetMutex(QMutex* mutex) { m_mutex = mutex; }
    void SetConsigne(ConsignePartagee* consigne) { m_consigne = consigne; }
    void SetLiaison(LiaisonSerie* liaison) { m_liaison = liaison; }
    void SetPosition(std::atomic<int>* x, std::atomic<int>* y, std::atomic<int>* z)
    {
        m_x = x;
        m_y = y;
        m_z = z;
    }
    // The first listing waits for this flag (the start-up sequence's end).
    void SetDemarrage(Drapeau* fini) { m_demarrageFini = fini; }
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
    std::atomic<int>* m_x = nullptr;
    std::atomic<int>* m_y = nullptr;
    std::atomic<int>* m_z = nullptr;
    Drapeau* m_arret = nullptr;
    QMutex* m_mutex = nullptr;
    ConsignePartagee* m_consigne = nullptr;
    LiaisonSerie* m_liaison = nullptr;
    Drapeau* m_demarrageFini = nullptr;
    int m_periodeMs = 500;
};
