#pragma once

#include "robot/consignerobot.h"
#include "robot/etatpartage.h"
#include "robot/evenementsuivi.h"

#include <QThread>
#include <mutex>
#include <optional>

class LiaisonSerie;
enum class IssueAttente;

// What the window asks of the command worker besides the pose. The flags belong to the same wake-up
// group as the pose's request flag.
struct OrdresRobot
{
    explicit OrdresRobot(Reveil* reveil) : homing(reveil), home(reveil), pince(reveil) {}

    // "Homing du SCORBOT": home, then the sliders' pose in `poseHoming` becomes the target and is
    // requested, then the gripper is opened, all under one hold of the line mutex.
    Drapeau homing;
    ConsignePartagee poseHoming;
    // The glove's second button: home alone. `homeEnCours` stays up from the request until the
    // exchange has ended, so that a held button homes once at a time.
    Drapeau home;
    std::atomic<bool> homeEnCours{false};
    PinceDemandee pince;
};

// Opens the port unless it is open, then carries out, one exchange per hold of the line mutex,
// everything that writes to the robot: the start-up sequence, then homing, gripper and home
// commands and the target pose whenever they are asked for, in that order of precedence.
//
// Threads: waits on its flags without spinning; takes the line mutex around each exchange. The
// pose request is taken when the pose is copied, so a request made while a pose is on the wire
// survives and the newest pose always goes out. Reports through queued signals only.
class ThreadMouvement : public QThread
{
    Q_OBJECT

public:
    // Everything is the robot side's, which outlives the thread. The start-up sequence ("open",
    // then the start pose) runs first, then `demarrageFini` is raised.
    ThreadMouvement(LiaisonSerie& liaison, QMutex& mutex, ConsignePartagee& consigne,
                    Drapeau& mouvementDemande, Drapeau& arret, Drapeau& demarrageFini,
                    OrdresRobot& ordres);
    ~ThreadMouvement() override;

    // Pause before a failed exchange is tried again, so that retries do not hold the line all the
    // time.
    void setPauseApresEchecMs(int ms) { m_pauseApresEchecMs = ms; }

signals:
    // How opening the port went: 1 open, 2 cannot be opened, 3 cannot be configured. Not sent when
    // the port was open already, nor when shutdown interrupted the opening.
    void ouverture(int etat);
    void homingTermine(IssueAttente issue);
    void evenement(EvenementSuivi evenement);

protected:
    void run() override;

private:
    void demarrage();
    // One exchange, if anything is asked; nothing when nothing is.
    std::optional<IssueAttente> prochainEchange();
    IssueAttente homing();
    void signaler(EvenementSuivi::Genre genre, const ConsigneRobot& pose = {});

    // Held by run() for its whole length and taken by the destructor after wait(): Qt learns
    // that a thread ended under a lock of its own, which ThreadSanitizer cannot see.
    std::mutex m_vie;
    LiaisonSerie& m_liaison;
    QMutex& m_mutex;
    ConsignePartagee& m_consigne;
    Drapeau& m_demande;
    Drapeau& m_arret;
    Drapeau& m_demarrageFini;
    OrdresRobot& m_ordres;
    int m_pauseApresEchecMs = 500;
};
