#pragma once

#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"
#include "robot/threadmouvement.h"
#include "robot/threadposition.h"

#include <QObject>
#include <memory>

Q_DECLARE_METATYPE(IssueAttente)

// The robot side: owner of the link to the controller, of the one line lock, of the target pose
// with its flags and of the listed position, and of the two workers that alone talk to the line.
// The window asks (a request and a flag, never a wait) and is told through queued signals.
//
// Threads: the public members are called on the GUI thread; they only write the pose and raise
// flags, so none of them waits on the line. The signals are emitted on the workers' threads and
// reach GUI-thread receivers queued.
class PiloteRobot : public QObject
{
    Q_OBJECT

public:
    explicit PiloteRobot(const QString& port, BornesLiaison bornes = {}, QObject* parent = nullptr);
    ~PiloteRobot() override;

    // Sets the start pose, then starts the workers: the command worker opens the port (ouverture()
    // tells how it went), sends the start-up sequence ("open", the start pose) and asks for the
    // pose once more; listings follow it.
    void demarrer(const ConsigneRobot& depart);
    // Stops both workers (the line's waits are interrupted) and waits for them; idempotent.
    void arreter();
    // Closes the port, once the workers are stopped.
    void fermer();

    // The pose: write some fields and ask for the pose to be sent.
    template <typename Fonction> void demanderPose(Fonction f)
    {
        ConsigneRobot cible;
        consigneRobot.modifier([&](ConsigneRobot& c) {
            f(c);
            cible = c;
        });
        mouvementDemande.lever();
        emit evenementSuivi(
            {EvenementSuivi::Genre::Cible, horlogeSuiviMs(), cible.X, cible.Y, cible.Z});
    }
    // Some fields of the pose, without asking for it to be sent.
    template <typename Fonction> void modifierPose(Fonction f) { consigneRobot.modifier(f); }
    // Homing, then the given pose (its five values) is the target, then the gripper opens.
    // homingTermine() tells when it has ended.
    void demanderHoming(const ConsigneRobot& poseApres);
    // Home alone; false, and nothing asked, while one is asked or under way already.
    bool demanderHome();
    void demanderPince(CommandePince commande);

    QString nomPort() const { return liaison.nomPort(); }
    // The eventfd that interrupts every wait on the line (for a signal handler).
    int descripteurInterruption() const { return liaison.descripteurInterruption(); }
    // Every byte of the line from now on to `fichier` ("-": the standard error); false when it
    // cannot be written. Before demarrer() only.
    bool tracer(const QString& fichier);

signals:
    // 1 open and configured, 2 cannot be opened, 3 cannot be configured.
    void ouverture(int etat);
    void positionListee(int x, int y, int z);
    // The outcome of the link's waits, each time it changes.
    void issueLiaison(IssueAttente issue);
    void homingTermine(IssueAttente issue);
    // Targets, poses written, listings and marks, each with its time, as they happen.
    void evenementSuivi(EvenementSuivi evenement);

private:
    Reveil m_reveil;
    // Taken around every exchange on the serial line, by the workers only; never nested, never
    // held while waiting for anything but the line.
    QMutex mutex;
    LiaisonSerie liaison;
    ConsignePartagee consigneRobot;
    Drapeau mouvementDemande{&m_reveil}; // a new target waits to be sent
    Drapeau arretThreads{&m_reveil};     // the workers must leave their loops
    Drapeau m_demarrageFini{&m_reveil};
    OrdresRobot m_ordres{&m_reveil};
    PositionRobot positionRobot;
    std::unique_ptr<ThreadMouvement> threadMouvement;
    std::unique_ptr<ThreadPosition> threadPosition;
};
