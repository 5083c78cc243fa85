#include "robot/piloterobot.h"

PiloteRobot::PiloteRobot(const QString& port, BornesLiaison bornes, QObject* parent)
    : QObject(parent), liaison(port, bornes)
{
    qRegisterMetaType<IssueAttente>();
    qRegisterMetaType<EvenementSuivi>();
    // Called on the thread of the wait; the signals reach the window queued.
    liaison.setObservateur([this](IssueAttente issue) {
        emit issueLiaison(issue);
        using G = EvenementSuivi::Genre;
        if (issue != IssueAttente::Interrompu)
            emit evenementSuivi({issue == IssueAttente::Recu      ? G::Retour
                                 : issue == IssueAttente::Silence ? G::PanneSilence
                                                                  : G::PanneRaccroche,
                                 horlogeSuiviMs()});
    });
}

PiloteRobot::~PiloteRobot()
{
    arreter();
    fermer();
}

void PiloteRobot::demarrer(const ConsigneRobot& depart)
{
    consigneRobot.ecrire(depart);
    emit evenementSuivi(
        {EvenementSuivi::Genre::Cible, horlogeSuiviMs(), depart.X, depart.Y, depart.Z});

    threadMouvement = std::make_unique<ThreadMouvement>(
        liaison, mutex, consigneRobot, mouvementDemande, arretThreads, m_demarrageFini, m_ordres);
    connect(threadMouvement.get(), &ThreadMouvement::ouverture, this, &PiloteRobot::ouverture);
    connect(threadMouvement.get(), &ThreadMouvement::homingTermine, this,
            &PiloteRobot::homingTermine);
    connect(threadMouvement.get(), &ThreadMouvement::evenement, this, &PiloteRobot::evenementSuivi);
    threadMouvement->start(QThread::NormalPriority);

    threadPosition = std::make_unique<ThreadPosition>(liaison, mutex, consigneRobot, arretThreads,
                                                      m_demarrageFini, positionRobot);
    connect(threadPosition.get(), &ThreadPosition::positionLue, this, &PiloteRobot::positionListee);
    connect(threadPosition.get(), &ThreadPosition::evenement, this, &PiloteRobot::evenementSuivi);
    threadPosition->start(QThread::NormalPriority);
}

void PiloteRobot::arreter()
{
    arretThreads.lever();
    // Wake a worker that waits on the line; the link stays open until both have left.
    liaison.interrompre();
    if (threadMouvement)
        threadMouvement->wait();
    if (threadPosition)
        threadPosition->wait();
    threadMouvement.reset();
    threadPosition.reset();
}

bool PiloteRobot::tracer(const QString& fichier)
{
    return liaison.activerTrace(fichier, nullptr);
}

void PiloteRobot::fermer()
{
    liaison.Fermer();
}

void PiloteRobot::demanderHoming(const ConsigneRobot& poseApres)
{
    m_ordres.poseHoming.ecrire(poseApres);
    m_ordres.homing.lever();
}

bool PiloteRobot::demanderHome()
{
    if (m_ordres.homeEnCours.exchange(true))
        return false;
    m_ordres.home.lever();
    return true;
}

void PiloteRobot::demanderPince(CommandePince commande)
{
    m_ordres.pince.demander(commande);
}
