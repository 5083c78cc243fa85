#include "app/globjectwindow.h"

#include "app/arretsignal.h"
#include "app/traduction.h"
#include "glove/cp5dll.h"
#include "glove/sourcegant.h"
#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"
#include "robot/threadmouvement.h"
#include "robot/threadposition.h"
#include "view/glbox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <cstring>

GLObjectWindow::GLObjectWindow(QWidget* parent, const char* name, ConfigurationZelvor configuration)
    : QWidget(parent), m_configuration(std::move(configuration))
{
    if (name)
        setObjectName(QString::fromLatin1(name));

    construireFormulaire();
    languageChange();

    timer = new QTimer(this);

    QString erreurGant;
    p5 = new CP5DLL(creerSourceGant(m_configuration.gant, &erreurGant));
    const bool gantTrouve = p5->P5_Init() != 0;
    if (!gantTrouve) {
        afficherAucunGant();
        LancerButton->setEnabled(false);
    } else if (!m_configuration.enregistrementGant.isEmpty()) {
        p5->enregistrerVers(m_configuration.enregistrementGant);
    }

    glbox->gloveX = glbox->gloveY = glbox->gloveZ = 0.0f;
    glbox->robotX = glbox->robotY = glbox->robotZ = 0.0f;
    etatPort = 0;
    cibleX = cibleY = cibleZ = 0.0f;
    p5Detecte = gantTrouve;
    doigtPlie = false;
    suiviActif = false;
    pinceFermee = false;
    pinceOuverte = true;
    bandeFiltre = 30.0f;
    positionGant = {};
    positionGantPrecedente = {};
    // The shared state outlives a window; a new one starts from the program's start values.
    arretThreads.baisser();
    mouvementDemande.baisser();
    positionRobot.X = 0;
    positionRobot.Y = 0;
    positionRobot.Z = 0;

    liaison = new LiaisonSerie(m_configuration.port, m_configuration.bornes);
    {
        QMutexLocker verrou(&mutex);
        etatPort = liaison->Ouvrir();
    }
    if (etatPort == 2 || etatPort == 3) {
        const QString titre = traduire("Erreur de configuration du port Série");
        const QString texte =
            etatPort == 2
                ? traduire("Impossible d'ouvrir le port %1.\nCode erreur : E0002")
                : traduire("Erreur lors de la configuration du port %1.\nCode erreur : E0003");
        QMessageBox::critical(this, titre, texte.arg(liaison->nomPort()));
        m_statutDemarrage = 1;
        return;
    }
    arretsignal::surveillerInterruption(liaison->descripteurInterruption());
    liaison->setObservateur([this](IssueAttente issue) {
        QMetaObject::invokeMethod(
            this, [this, issue] { signalerIssue(issue); }, Qt::QueuedConnection);
    });

    ConsigneRobot depart;
    depart.X = 3162;
    depart.Y = 0;
    depart.Z = 2450;
    depart.R = 0;
    depart.P = -850;
    std::strcpy(depart.nomPoint, "A");
    consigneRobot.ecrire(depart);

    // No worker runs yet, so the line is ours without the mutex.
    liaison->Envoyer("open\r");
    if (liaison->AttendreCaractere(">") == IssueAttente::Recu) {
        liaison->EnvoyerConsigne(consigneRobot.copie());
    } else {
        // The gripper was not opened: glove mode opens it once the finger is straight and the
        // line answers.
        pinceOuverte = false;
    }

    mouvementDemande.lever();

    threadMouvement = new ThreadMouvement;
    threadMouvement->SetMouvementDemande(&mouvementDemande);
    threadMouvement->SetLiaison(liaison);
    threadMouvement->SetArret(&arretThreads);
    threadMouvement->SetMutex(&mutex);
    threadMouvement->SetConsigne(&consigneRobot);
    threadMouvement->start(QThread::NormalPriority);

    threadPosition = new ThreadPosition;
    threadPosition->SetLiaison(liaison);
    threadPosition->SetArret(&arretThreads);
    threadPosition->SetMutex(&mutex);
    threadPosition->SetConsigne(&consigneRobot);
    threadPosition->SetPosition(&positionRobot.X, &positionRobot.Y, &positionRobot.Z);
    threadPosition->start(QThread::NormalPriority);

    connect(LancerButton, SIGNAL(clicked()), this, SLOT(Lancer()));
    connect(QuitterButton, SIGNAL(clicked()), this, SLOT(close()));
    connect(AboutButton, SIGNAL(clicked()), this, SLOT(Parcourir()));
    connect(HomingButton, SIGNAL(clicked()), this, SLOT(InitRobot()));
    connect(AxeXSlider, SIGNAL(valueChanged(int)), this, SLOT(ActionAxeX(int)));
    connect(AxeYSlider, SIGNAL(valueChanged(int)), this, SLOT(ActionAxeY(int)));
    connect(AxeZSlider, SIGNAL(valueChanged(int)), this, SLOT(ActionAxeZ(int)));
    connect(AxeRSlider, SIGNAL(valueChanged(int)), this, SLOT(ActionAxeR(int)));
    connect(AxePSlider, SIGNAL(valueChanged(int)), this, SLOT(ActionAxeP(int)));
    connect(timer, SIGNAL(timeout()), this, SLOT(ActionTimer()));
    connect(CommandeCheckBox, SIGNAL(clicked()), this, SLOT(ActiverCommande()));
}

GLObjectWindow::~GLObjectWindow()
{
    Quitter();
}

void GLObjectWindow::Quitter()
{
    arretThreads.lever();
    if (threadMouvement || threadPosition) {
        // Wake a worker that waits on the line; the link stays open until both have left.
        liaison->Interrompre();
        threadMouvement->wait();
        threadPosition->wait();
        delete threadMouvement;
        delete threadPosition;
        threadMouvement = nullptr;
        threadPosition = nullptr;
    }
    if (p5) {
        p5->P5_Close();
        delete p5;
        p5 = nullptr;
    }
    if (liaison) {
        arretsignal::surveillerInterruption(-1);
        liaison->Fermer();
        delete liaison;
        liaison = nullptr;
    }
}

IssueAttente GLObjectWindow::echangeSimple(const char* commande, bool home)
{
    QMutexLocker verrou(&mutex);
    liaison->Envoyer(commande);
    return liaison->AttendreCaractere(">", home ? GenreAttente::Home : GenreAttente::Echange);
}

void GLObjectWindow::signalerIssue(IssueAttente issue)
{
    if (issue == IssueAttente::Recu) {
        m_pannePresentee = false; // traffic resumed: the next outage is news again
        return;
    }
    if (issue == IssueAttente::Interrompu || m_pannePresentee || !liaison)
        return;
    m_pannePresentee = true;
    const QString texte =
        issue == IssueAttente::Silence
            ? traduire("Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : E0005")
            : traduire("Le port %1 a été fermé ou débranché.\nCode erreur : E0006");
    QMessageBox::information(this, traduire("Liaison avec le robot interrompue"),
                             texte.arg(liaison->nomPort()));
}
