#include "robot/piloterobot.h"

PiloteRobot::PiloteRobot(const QString& port, BornesLiaison bornes, QObject* parent)
    : QObject(parent), liaison(port, bornes)
{
    qRegisterMetaType<IssueAttente>();
    // Called on the thread of the wait; the signal reaches the window queued.
    liaison.setObservateur([this](IssueAttente issue) { emit issueLiaison(issue); });
}

PiloteRobot::~PiloteRobot()
{
    arreter();
    fermer();
}

int PiloteRobot::ouvrir()
{
    return liaison.Ouvrir();
}

void PiloteRobot::demarrer(const ConsigneRobot& depart)
{
    consigneRobot.ecrire(depart);

    threadMouvement = std::make_unique<ThreadMouvement>();
    threadMouvement->SetMouvementDemande(&mouvementDemande);
    threadMouvement->SetLiaison(&liaison);
    threadMouvement->SetArret(&arretThreads);
    threadMouvement->SetMutex(&mutex);
    threadMouvement->SetConsigne(&consigneRobot);
    threadMouvement->SetOrdres(&ordres);
    threadMouvement->SetDemarrage(&demarrageFini);
    connect(threadMouvement.get(), &ThreadMouvement::homingTermine, this,
            &PiloteRobot::homingTermine);
    threadMouvement->start(QThread::NormalPriority);

    threadPosition = std::make_unique<ThreadPosition>();
    threadPosition->SetLiaison(&liaison);
    threadPosition->SetArret(&arretThreads);
    threadPosition->SetMutex(&mutex);
    threadPosition->SetConsigne(&consigneRobot);
    threadPosition->SetPosition(&positionRobot.X, &positionRobot.Y, &positionRobot.Z);
    threadPosition->SetDemarrage(&demarrageFini);
    connect(threadPosition.get(), &ThreadPosition::positionLue, this, &PiloteRobot::positionListee);
    threadPosition->start(QThread::NormalPriority);
}

void PiloteRobot::arreter()
{
    arretThreads.lever();
    // Wake a worker that waits on the line; the link stays open until both have left.
    liaison.Interrompre();
    if (threadMouvement)
        threadMouvement->wait();
    if (threadPosition)
        threadPosition->wait();
    threadMouvement.reset();
    threadPosition.reset();
}

void PiloteRobot::fermer()
{
    liaison.Fermer();
}

void PiloteRobot::demanderHoming(const ConsigneRobot& poseApres)
{
    ordres.poseHoming.ecrire(poseApres);
    ordres.homing.lever();
}

bool PiloteRobot::demanderHome()
{
    if (ordres.homeEnCours.exchange(true))
        return false;
    ordres.home.lever();
    return true;
}

void PiloteRobot::demanderPince(CommandePince commande)
{
    ordres.pince.demander(commande);
}
