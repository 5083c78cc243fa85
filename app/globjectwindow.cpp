#include "app/globjectwindow.h"

#include "app/arretsignal.h"
#include "app/traduction.h"
#include "glove/cp5dll.h"
#include "glove/espacetravail.h"
#include "glove/sourcegant.h"
#include "glove/suivigant.h"
#include "robot/avisecriture.h"
#include "robot/piloterobot.h"
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

    construireFormulaire(); // its texts too

    timer = new QTimer(this);

    QString erreurGant;
    m_suivi = std::make_unique<SuiviGant>(std::make_unique<CP5DLL>(
        prendreSourceGant(m_configuration.sourceGant, m_configuration.gant, &erreurGant)));
    if (!m_suivi->gantDetecte()) {
        afficherAucunGant();
        LancerButton->setEnabled(false);
    } else if (!m_configuration.sortieTrajectoire.isEmpty()) {
        m_suivi->gant().ecrireTrajectoireVers(
            m_configuration.sortieTrajectoire, [](const QString& fichier, const QString& raison) {
                avisecriture::signaler(avisecriture::Fichier::Trajectoire, fichier, raison);
            });
    }

    glbox->setPointGant(0.0f, 0.0f, 0.0f);
    glbox->setPointRobot(0.0f, 0.0f, 0.0f);

    // A stop asked for while the start-up box was up: the port is not even opened.
    if (arretsignal::demande())
        return;
    robot = std::make_unique<PiloteRobot>(m_configuration.port, m_configuration.bornes);
    // The file was checked with the command line; a trace that cannot be written costs nothing.
    if (!m_configuration.trace.isEmpty())
        robot->tracer(m_configuration.trace);
    // The port is opened by the robot side; the window shows at once and hears how it went.
    arretsignal::surveillerInterruption(robot->descripteurInterruption());
    connect(robot.get(), &PiloteRobot::ouverture, this, &GLObjectWindow::surOuverture);
    connect(robot.get(), &PiloteRobot::issueLiaison, this, &GLObjectWindow::signalerIssue);
    connect(robot.get(), &PiloteRobot::positionListee, this, &GLObjectWindow::montrerPositionRobot);
    connect(robot.get(), &PiloteRobot::homingTermine, this, &GLObjectWindow::finHoming);
    if (m_configuration.suivrePilote)
        m_configuration.suivrePilote(*robot);

    ConsigneRobot depart;
    depart.X = kAxeX.depart;
    depart.Y = kAxeY.depart;
    depart.Z = kAxeZ.depart;
    depart.R = kAxeR.depart;
    depart.P = kAxeP.depart;
    std::strcpy(depart.nomPoint, kNomPointDepart);
    // The start-up sequence ("open", the start pose) goes out from the robot side, which then
    // sends the pose once more and starts listing; the window does not wait for it.
    robot->demarrer(depart);

    connect(LancerButton, &QPushButton::clicked, this, &GLObjectWindow::Lancer);
    connect(QuitterButton, &QPushButton::clicked, this, &QWidget::close);
    connect(AboutButton, &QPushButton::clicked, this, &GLObjectWindow::Parcourir);
    connect(HomingButton, &QPushButton::clicked, this, &GLObjectWindow::InitRobot);
    connect(AxeXSlider, &QSlider::valueChanged, this, &GLObjectWindow::ActionAxeX);
    connect(AxeYSlider, &QSlider::valueChanged, this, &GLObjectWindow::ActionAxeY);
    connect(AxeZSlider, &QSlider::valueChanged, this, &GLObjectWindow::ActionAxeZ);
    connect(AxeRSlider, &QSlider::valueChanged, this, &GLObjectWindow::ActionAxeR);
    connect(AxePSlider, &QSlider::valueChanged, this, &GLObjectWindow::ActionAxeP);
    connect(timer, &QTimer::timeout, this, &GLObjectWindow::ActionTimer);
    connect(CommandeCheckBox, &QCheckBox::clicked, this, &GLObjectWindow::ActiverCommande);
}

CP5DLL* GLObjectWindow::gant() const
{
    return m_suivi ? &m_suivi->gant() : nullptr;
}

bool GLObjectWindow::gantDetecte() const
{
    return m_suivi && m_suivi->gantDetecte();
}

GLObjectWindow::~GLObjectWindow()
{
    Quitter();
}

void GLObjectWindow::Quitter()
{
    if (robot)
        robot->arreter();
    if (m_suivi) {
        m_suivi->gant().P5_Close();
        m_suivi.reset();
    }
    if (robot) {
        arretsignal::surveillerInterruption(-1);
        robot->fermer();
        robot.reset();
    }
}

void GLObjectWindow::surOuverture(int etat)
{
    if (etat == 1 || arretsignal::demande())
        return;
    const QString titre = traduire("Erreur de configuration du port Série");
    const QString texte =
        etat == 2 ? traduire("Impossible d'ouvrir le port %1.\nCode erreur : E0002")
                  : traduire("Erreur lors de la configuration du port %1.\nCode erreur : E0003");
    QMessageBox::critical(this, titre, texte.arg(robot->nomPort()));
    // A signal that closed the box changes nothing: the port could not be opened.
    m_statutDemarrage = 1;
    close();
}

void GLObjectWindow::signalerIssue(IssueAttente issue)
{
    if (issue == IssueAttente::Recu) {
        m_pannePresentee = false; // traffic resumed: the next outage is news again
        return;
    }
    if ((issue != IssueAttente::Silence && issue != IssueAttente::Raccroche) || m_pannePresentee ||
        !robot)
        return;
    m_pannePresentee = true;
    const QString texte =
        (issue == IssueAttente::Silence
             ? traduire("Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : E0005")
             : traduire("Le port %1 a été fermé ou débranché.\nCode erreur : E0006"))
            .arg(robot->nomPort());
    // The box does not hold the window: the operator may quit, move the sliders or use the panel
    // while the line is down. A line that keeps dropping updates the box that is up instead of
    // stacking new ones.
    if (m_boitePanne) {
        m_boitePanne->setText(texte);
        return;
    }
    m_boitePanne =
        new QMessageBox(QMessageBox::Critical, traduire("Liaison avec le robot interrompue"), texte,
                        QMessageBox::Ok, this);
    m_boitePanne->setWindowModality(Qt::NonModal);
    m_boitePanne->setAttribute(Qt::WA_DeleteOnClose);
    m_boitePanne->show();
}
