// The operator's commands and the glove tracking tick.
#include "app/globjectwindow.h"

#include "app/traduction.h"
#include "app/version.h"
#include "glove/cp5dll.h"
#include "glove/enregistrementp5.h"
#include "glove/suivi.h"
#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"
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

void GLObjectWindow::envoyerPoseDesCurseurs()
{
    const double x = AxeXSlider->value(), y = AxeYSlider->value(), z = AxeZSlider->value();
    const double r = AxeRSlider->value(), p = AxePSlider->value();
    consigneRobot.modifier([&](ConsigneRobot& c) {
        c.X = x;
        c.Y = y;
        c.Z = z;
        c.R = r;
        c.P = p;
    });
    mouvementDemande.lever();
}

void GLObjectWindow::Lancer()
{
    if (!p5Detecte) {
        afficherAucunGant();
    } else {
        timer->start(50);
        p5->P5_CalibratePositionData(0);
        if (!timer->isActive())
            QMessageBox::information(
                this, traduire("Impossible de lancer le timer"),
                traduire("Le timer est inactif, impossible de le lancer.\nCode erreur : E0004"));
        CommandeCheckBox->setChecked(false);
        activerCommandesManuelles(false);
    }
    suiviActif = true;
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
    if (p5Detecte)
        p5->P5_CalibratePositionData(0);
    else
        afficherAucunGant();

    // The whole homing is one exchange: the pose of the sliders goes out only after it.
    QMutexLocker verrou(&mutex);
    liaison->Envoyer("home\r");
    if (liaison->AttendreCaractere(">", GenreAttente::Home) == IssueAttente::Interrompu)
        return;
    envoyerPoseDesCurseurs();
    liaison->Envoyer("open\r");
    liaison->AttendreCaractere(">");
}

void GLObjectWindow::ActionAxeX(int valeur)
{
    consigneRobot.modifier([valeur](ConsigneRobot& c) { c.X = valeur; });
    mouvementDemande.lever();
}

void GLObjectWindow::ActionAxeY(int valeur)
{
    consigneRobot.modifier([valeur](ConsigneRobot& c) { c.Y = -valeur; });
    mouvementDemande.lever();
}

void GLObjectWindow::ActionAxeZ(int valeur)
{
    consigneRobot.modifier([valeur](ConsigneRobot& c) { c.Z = valeur; });
    mouvementDemande.lever();
}

void GLObjectWindow::ActionAxeR(int valeur)
{
    consigneRobot.modifier([valeur](ConsigneRobot& c) { c.R = valeur; });
    mouvementDemande.lever();
}

void GLObjectWindow::ActionAxeP(int valeur)
{
    consigneRobot.modifier([valeur](ConsigneRobot& c) { c.P = valeur; });
    mouvementDemande.lever();
}

void GLObjectWindow::ActiverCommande()
{
    if (CommandeCheckBox->isChecked()) {
        activerCommandesManuelles(true);
        timer->stop();
        CapteurXValue->setText(QStringLiteral("0"));
        CapteurYValue->setText(QStringLiteral("0"));
        CapteurZValue->setText(QStringLiteral("0"));
        glbox->gloveX = glbox->gloveY = glbox->gloveZ = 0.0f;
        glbox->robotX = glbox->robotY = glbox->robotZ = 0.0f;
        for (QLabel* l :
             {RobotXValue, RobotYValue, RobotZValue, DeltaXValue, DeltaYValue, DeltaZValue})
            l->setText(QStringLiteral("0"));
        envoyerPoseDesCurseurs();
        suiviActif = true;
        glbox->update();
    } else {
        activerCommandesManuelles(false);
        suiviActif = false;
    }
}

void GLObjectWindow::ActionTimer()
{
    EnregistrementP5* gant = p5 ? p5->enregistrement() : nullptr;
    if (!gant)
        return;

    doigtPlie = doigtEstPlie(gant->flexion[1]);
    // A gripper command that did not reach the controller (silence, hang-up) leaves the flags as
    // they were, so it goes out again once the line answers; while the line is down the tick does
    // not wait on it every 50 ms.
    const bool ligneDisponible = liaison->derniereIssue() == IssueAttente::Recu;
    if (!doigtPlie && !pinceOuverte && ligneDisponible) {
        if (echangeSimple("open\r") == IssueAttente::Recu) {
            pinceOuverte = true;
            pinceFermee = false;
        }
    } else if (doigtPlie && !pinceFermee && ligneDisponible) {
        if (echangeSimple("close\r") == IssueAttente::Recu) {
            pinceFermee = true;
            pinceOuverte = false;
        }
    }

    if (gant->bouton[0]) {
        p5->P5_CalibratePositionData(0);
        positionGantPrecedente = {};
    }
    if (gant->bouton[1])
        echangeSimple("home\r", true);

    const Vecteur3f lu{gant->positionX, gant->positionY, gant->positionZ};
    positionGant = filtreBande(lu, positionGantPrecedente, bandeFiltre);

    CapteurXValue->setText(lecture(positionGant.X));
    CapteurYValue->setText(lecture(positionGant.Y));
    CapteurZValue->setText(lecture(positionGant.Z));

    const int robotX = positionRobot.X.load();
    const int robotY = positionRobot.Y.load();
    const int robotZ = positionRobot.Z.load();
    const Vecteur3f pointGant = pointGantVue(positionGant);
    const Vecteur3f pointRobot = pointRobotVue(robotX, robotY, robotZ);
    glbox->gloveX = pointGant.X;
    glbox->gloveY = pointGant.Y;
    glbox->gloveZ = pointGant.Z;
    glbox->robotX = pointRobot.X;
    glbox->robotY = pointRobot.Y;
    glbox->robotZ = pointRobot.Z;
    glbox->update();

    DeltaXValue->setText(lecture(glbox->gloveX - glbox->robotX));
    DeltaYValue->setText(lecture(glbox->gloveY - glbox->robotY));
    DeltaZValue->setText(lecture(glbox->gloveZ - glbox->robotZ));

    const Vecteur3f cible = bornerCible(cibleDepuisGant(positionGant));
    cibleX = cible.X;
    cibleY = cible.Y;
    cibleZ = cible.Z;

    RobotXValue->setText(QString::number(robotX));
    RobotYValue->setText(QString::number(robotY));
    RobotZValue->setText(QString::number(robotZ));

    const double x = cibleX, y = -static_cast<double>(cibleY), z = cibleZ;
    consigneRobot.modifier([&](ConsigneRobot& c) {
        c.X = x;
        c.Y = y;
        c.Z = z;
    });

    if (positionGant.X == positionGantPrecedente.X && positionGant.Y == positionGantPrecedente.Y &&
        positionGant.Z == positionGantPrecedente.Z)
        return;
    positionGantPrecedente = positionGant;
    if (suiviActif)
        mouvementDemande.lever();
}
