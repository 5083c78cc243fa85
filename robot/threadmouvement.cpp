#include "robot/threadmouvement.h"

#include "robot/liaisonserie.h"

#include <QMutexLocker>

ThreadMouvement::ThreadMouvement(LiaisonSerie& liaison, QMutex& mutex, ConsignePartagee& consigne,
                                 Drapeau& mouvementDemande, Drapeau& arret, Drapeau& demarrageFini,
                                 OrdresRobot& ordres)
    : m_liaison(liaison), m_mutex(mutex), m_consigne(consigne), m_demande(mouvementDemande),
      m_arret(arret), m_demarrageFini(demarrageFini), m_ordres(ordres)
{
}

ThreadMouvement::~ThreadMouvement()
{
    // The owner stops the thread first; never destroy a running QThread.
    wait();
    std::lock_guard<std::mutex> fin(m_vie);
}

void ThreadMouvement::demarrage()
{
    {
        QMutexLocker verrou(&m_mutex);
        if (m_liaison.commencerEchange("demarrage") == IssueAttente::Recu) {
            m_liaison.Envoyer("open\r");
            if (m_liaison.AttendreCaractere(">") == IssueAttente::Recu) {
                signaler(EvenementSuivi::Genre::Ouverture);
                const ConsigneRobot depart = m_consigne.copie();
                if (m_liaison.EnvoyerConsigne(depart) == IssueAttente::Recu)
                    signaler(EvenementSuivi::Genre::PoseEcrite, depart);
            } else {
                m_ordres.pince.rendre(CommandePince::Ouvrir); // opened once the line answers
            }
        } else {
            m_ordres.pince.rendre(CommandePince::Ouvrir);
        }
    }
    m_demande.lever();
    m_demarrageFini.lever();
}

IssueAttente ThreadMouvement::homing()
{
    IssueAttente issue = m_liaison.commencerEchange("home");
    if (issue != IssueAttente::Recu)
        return issue;
    m_liaison.Envoyer("home\r");
    signaler(EvenementSuivi::Genre::DebutHoming);
    issue = m_liaison.AttendreCaractere(">", GenreAttente::Home);
    // Not homed, or not known to be: nothing more is written under this hold, and the line
    // settles before the next exchange as after any abandoned wait.
    if (issue != IssueAttente::Recu)
        return issue;
    const ConsigneRobot pose = m_ordres.poseHoming.copie();
    m_consigne.modifier([&](ConsigneRobot& c) { c.prendrePose(pose); });
    m_demande.lever();
    signaler(EvenementSuivi::Genre::Cible, pose);
    m_liaison.Envoyer("open\r");
    const IssueAttente ouverture = m_liaison.AttendreCaractere(">");
    if (ouverture == IssueAttente::Recu)
        signaler(EvenementSuivi::Genre::Ouverture);
    return ouverture;
}

std::optional<IssueAttente> ThreadMouvement::prochainEchange()
{
    if (m_ordres.homing.prendre()) {
        const IssueAttente issue = homing();
        signaler(EvenementSuivi::Genre::FinHoming);
        emit homingTermine(issue);
        return issue;
    }
    if (const CommandePince pince = m_ordres.pince.prendre(); pince != CommandePince::Aucune) {
        const IssueAttente issue = m_liaison.echangeSimple(
            pince == CommandePince::Ouvrir ? "open\r" : "close\r", GenreAttente::Echange, "pince");
        if (issue == IssueAttente::Recu)
            signaler(pince == CommandePince::Ouvrir ? EvenementSuivi::Genre::Ouverture
                                                    : EvenementSuivi::Genre::Fermeture);
        // A command that did not get its prompt goes out again once the line answers.
        if (issue != IssueAttente::Recu && issue != IssueAttente::Interrompu)
            m_ordres.pince.rendre(pince);
        return issue;
    }
    if (m_ordres.home.prendre()) {
        signaler(EvenementSuivi::Genre::DebutHoming);
        const IssueAttente issue = m_liaison.echangeSimple("home\r", GenreAttente::Home, "home");
        m_ordres.homeEnCours.store(false);
        signaler(EvenementSuivi::Genre::FinHoming);
        return issue;
    }
    if (!m_demande.prendre())
        return std::nullopt;
    const ConsigneRobot pose = m_consigne.copie();
    const IssueAttente issue = m_liaison.EnvoyerConsigne(pose);
    if (issue == IssueAttente::Recu)
        signaler(EvenementSuivi::Genre::PoseEcrite, pose);
    // The pose did not reach the controller: ask for it again (a newer request may be waiting
    // already, which is the same request).
    if (issue != IssueAttente::Recu && issue != IssueAttente::Interrompu)
        m_demande.lever();
    return issue;
}

void ThreadMouvement::signaler(EvenementSuivi::Genre genre, const ConsigneRobot& pose)
{
    emit evenement({genre, horlogeSuiviMs(), pose.X, pose.Y, pose.Z});
}

void ThreadMouvement::run()
{
    std::lock_guard<std::mutex> vie(m_vie);
    if (!m_liaison.estOuvert()) {
        // Here rather than on the window's thread: a connection over the network may take
        // seconds, and a signal meanwhile must end the program at once.
        const int etat = m_liaison.Ouvrir();
        if (m_liaison.estInterrompu())
            return;
        emit ouverture(etat);
        if (etat != 1)
            return;
    }
    demarrage();
    while (!m_arret.estLeve()) {
        attendreDrapeaux(
            {&m_demande, &m_arret, &m_ordres.homing, &m_ordres.home, &m_ordres.pince.drapeau()});
        if (m_arret.estLeve())
            break;
        std::optional<IssueAttente> issue;
        {
            QMutexLocker verrou(&m_mutex);
            if (m_arret.estLeve())
                break;
            issue = prochainEchange();
        }
        if (issue == IssueAttente::Interrompu)
            break;
        if (issue && *issue != IssueAttente::Recu) {
            // Let the line rest a little before the request that failed is tried again.
            attendreDrapeaux({&m_arret}, m_pauseApresEchecMs);
        }
    }
}
