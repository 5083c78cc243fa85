// The operator's commands and the glove tracking tick.
#include "app/globjectwindow.h"

#include "app/traduction.h"
#include "app/version.h"
#include "glove/cp5dll.h"
#include "glove/suivigant.h"
#include "robot/piloterobot.h"
#include "view/glbox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace {
QString lecture(float valeur)
{
    return QString::number(static_cast<double>(valeur), 'g', 6);
}

// A label repaints whenever its text is set, even to the same text: a still hand must cost
// nothing, so only a changed text is set.
void afficher(QLabel* label, const QString& texte)
{
    if (label->text() != texte)
        label->setText(texte);
}
} // namespace

void GLObjectWindow::activerCommandesManuelles(bool actif)
{
    for (QWidget* w : {static_cast<QWidget*>(HomingButton), static_cast<QWidget*>(AxeXSlider),
                       static_cast<QWidget*>(AxeYSlider), static_cast<QWidget*>(AxeZSlider),
                       static_cast<QWidget*>(AxeRSlider), static_cast<QWidget*>(AxePSlider),
                       static_cast<QWidget*>(AxeXLabel), static_cast<QWidget*>(AxeYLabel),
                       static_cast<QWidget*>(AxeZLabel), static_cast<QWidget*>(AxeRLabel),
                       static_cast<QWidget*>(AxePLabel)})
        w->setEnabled(actif);
}

void GLObjectWindow::afficherAucunGant()
{
    QMessageBox::information(
        this, traduire("Aucun périphérique P5 détecté"),
        traduire("Aucun périphérique P5 n'a été détecté sur votre ordinateur. \nVeuillez vérifier "
                 "votre dispositif.\nCode erreur : E0001"));
}

ConsigneRobot GLObjectWindow::poseDesCurseurs() const
{
    ConsigneRobot pose;
    pose.X = AxeXSlider->value();
    // Negated as the slider's own slot and the glove's mapping do: one side of the arm for one
    // place of the slider, whichever way the pose goes out.
    pose.Y = -AxeYSlider->value();
    pose.Z = AxeZSlider->value();
    pose.R = AxeRSlider->value();
    pose.P = AxePSlider->value();
    return pose;
}

void GLObjectWindow::montrerPositionRobot(int x, int y, int z)
{
    if (m_suivi)
        m_suivi->noterPositionRobot(x, y, z);
    // In every mode: the arm moves under the sliders and while it homes too. Unchanged texts and
    // points are not set again, so a still arm costs nothing.
    afficher(RobotXValue, QString::number(x));
    afficher(RobotYValue, QString::number(y));
    afficher(RobotZValue, QString::number(z));
    const Vecteur3f point = pointRobotVue(x, y, z);
    glbox->setPointRobot(point.X, point.Y, point.Z);
}

void GLObjectWindow::Lancer()
{
    if (!gantDetecte()) {
        afficherAucunGant();
    } else {
        timer->start(50);
        m_suivi->gant().P5_CalibratePositionData(0);
        if (!timer->isActive())
            QMessageBox::information(
                this, traduire("Impossible de lancer le timer"),
                traduire("Le timer est inactif, impossible de le lancer.\nCode erreur : E0004"));
        CommandeCheckBox->setChecked(false);
        activerCommandesManuelles(false);
    }
    if (m_suivi)
        m_suivi->armer(true);
}

void GLObjectWindow::Parcourir()
{
    QMessageBox::information(this, traduire("A propos"),
                             traduire("ZELVOR %1\nRealisé par : l'équipe ZELVOR\nEncadré par : le "
                                      "laboratoire de robotique ZELVOR")
                                 .arg(QString::fromLatin1(kVersionZelvor)));
}

void GLObjectWindow::InitRobot()
{
    if (gantDetecte())
        m_suivi->gant().P5_CalibratePositionData(0);
    else
        afficherAucunGant();
    if (!robot || m_homingEnCours)
        return;
    // The sliders cannot move until homing has ended, so their pose now is their pose then.
    m_homingEnCours = true;
    montrerHoming(true);
    robot->demanderHoming(poseDesCurseurs());
}

void GLObjectWindow::montrerHoming(bool enCours)
{
    activerCommandesManuelles(!enCours);
    LancerButton->setEnabled(!enCours && gantDetecte());
    CommandeCheckBox->setEnabled(!enCours);
    if (enCours)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void GLObjectWindow::finHoming()
{
    m_homingEnCours = false;
    montrerHoming(false);
}

void GLObjectWindow::ActionAxeX(int valeur)
{
    robot->demanderPose([valeur](ConsigneRobot& c) { c.X = valeur; });
}

void GLObjectWindow::ActionAxeY(int valeur)
{
    robot->demanderPose([valeur](ConsigneRobot& c) { c.Y = -valeur; });
}

void GLObjectWindow::ActionAxeZ(int valeur)
{
    robot->demanderPose([valeur](ConsigneRobot& c) { c.Z = valeur; });
}

void GLObjectWindow::ActionAxeR(int valeur)
{
    robot->demanderPose([valeur](ConsigneRobot& c) { c.R = valeur; });
}

void GLObjectWindow::ActionAxeP(int valeur)
{
    robot->demanderPose([valeur](ConsigneRobot& c) { c.P = valeur; });
}

void GLObjectWindow::ActiverCommande()
{
    if (CommandeCheckBox->isChecked()) {
        activerCommandesManuelles(true);
        timer->stop();
        for (QLabel* l : {CapteurXValue, CapteurYValue, CapteurZValue})
            l->setText(QStringLiteral("0"));
        glbox->setPointGant(0.0f, 0.0f, 0.0f);
        glbox->setPointRobot(0.0f, 0.0f, 0.0f);
        for (QLabel* l :
             {RobotXValue, RobotYValue, RobotZValue, DeltaXValue, DeltaYValue, DeltaZValue})
            l->setText(QStringLiteral("0"));
        const ConsigneRobot pose = poseDesCurseurs();
        robot->demanderPose([&](ConsigneRobot& c) { c.prendrePose(pose); });
        if (m_suivi)
            m_suivi->armer(true);
    } else {
        activerCommandesManuelles(false);
        if (m_suivi)
            m_suivi->armer(false);
    }
}

void GLObjectWindow::ActionTimer()
{
    if (!m_suivi || !robot)
        return;
    const std::optional<ResultatTic> tic = m_suivi->tic();
    if (!tic)
        return;

    // Asked of the robot side, which keeps a command that did not get through until the line
    // answers again; in this order on the wire: gripper, home, then the pose.
    robot->demanderPince(tic->pince == GestePince::Ouvrir   ? CommandePince::Ouvrir
                         : tic->pince == GestePince::Fermer ? CommandePince::Fermer
                                                            : CommandePince::Aucune);
    if (tic->home)
        robot->demanderHome(); // a home under way already is not asked again

    afficher(CapteurXValue, lecture(tic->positionGant.X));
    afficher(CapteurYValue, lecture(tic->positionGant.Y));
    afficher(CapteurZValue, lecture(tic->positionGant.Z));
    // A source that lost its device (a pad pulled out) holds the hand; the caption says why.
    afficher(PositionP5Label, tic->appareilPresent ? traduire("Position du P5 :")
                                                   : traduire("Manette débranchée :"));

    // The view repaints only when a point moved: a still hand costs nothing.
    glbox->setPointGant(tic->pointGant.X, tic->pointGant.Y, tic->pointGant.Z);

    afficher(DeltaXValue, lecture(tic->delta.X));
    afficher(DeltaYValue, lecture(tic->delta.Y));
    afficher(DeltaZValue, lecture(tic->delta.Z));

    if (!tic->consigneValide)
        return;
    const auto ecrire = [&tic](ConsigneRobot& c) {
        c.X = tic->consigneX;
        c.Y = tic->consigneY;
        c.Z = tic->consigneZ;
    };
    if (tic->mouvement)
        robot->demanderPose(ecrire);
    else
        robot->modifierPose(ecrire);
}
