#include "app/globjectwindow.h"

#include "view/glbox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>

namespace {

// The form's colours are for a widget in use; a disabled one keeps the style's disabled colours,
// so that it looks disabled.
void colorer(QWidget* w, QPalette::ColorRole role, int r, int g, int b)
{
    QPalette palette = w->palette();
    for (const QPalette::ColorGroup groupe : {QPalette::Active, QPalette::Inactive})
        palette.setColor(groupe, role, QColor(r, g, b));
    w->setPalette(palette);
}

void premierPlan(QWidget* w, int r, int g, int b)
{
    colorer(w, w->foregroundRole(), r, g, b);
}

// A label's background is only painted when it fills it itself.
void arrierePlan(QWidget* w, int r, int g, int b)
{
    colorer(w, w->backgroundRole(), r, g, b);
    w->setAutoFillBackground(true);
}

// White on black, like the view the label lies on.
void surLaVue(QWidget* w)
{
    premierPlan(w, 255, 255, 255);
    arrierePlan(w, 0, 0, 0);
}

template <class W> W* creer(QWidget* parent, const char* nom)
{
    W* w = new W(parent);
    w->setObjectName(QString::fromLatin1(nom));
    return w;
}

QSlider* creerCurseur(int minimum, int maximum, int pas, int valeur, QWidget* parent,
                      const char* nom)
{
    auto* curseur = new QSlider(Qt::Horizontal, parent);
    curseur->setMinimum(minimum);
    curseur->setMaximum(maximum);
    curseur->setPageStep(pas);
    curseur->setValue(valeur);
    curseur->setObjectName(QString::fromLatin1(nom));
    return curseur;
}

// A missing image file gives a null pixmap: the label stays empty and start-up goes on.
void afficherPhoto(QLabel* photo, const QString& fichier)
{
    photo->setFrameShape(QFrame::Box);
    photo->setPixmap(QPixmap(fichier));
    photo->setScaledContents(true);
}

} // namespace

void GLObjectWindow::construireFormulaire()
{
    setMinimumSize(760, 540);
    setMaximumSize(760, 540);
    setWindowIcon(QIcon(QPixmap(QStringLiteral(":/zv.bmp"))));
    // The geometry below was drawn for an 11-pixel font; with the toolkit's larger default some
    // captions no longer fit ("+ Capteur", the delta captions partly covered by their values).
    // Pixels, not points: the geometry is in pixels too. Message boxes are windows of their own
    // and keep the default.
    QFont police = font();
    police.setPixelSize(11);
    setFont(police);

    // Left panel: the glove.
    CapteurGroupBox = creer<QGroupBox>(this, "Gestion du capteur 3D :");
    CapteurGroupBox->setGeometry(10, 0, 430, 530);

    CapteurFrame = creer<QGroupBox>(CapteurGroupBox, "CapteurFrame");
    CapteurFrame->setGeometry(20, 29, 161, 131);

    PositionP5Label = creer<QLabel>(CapteurFrame, "Position du P5 :");
    PositionP5Label->setGeometry(10, 10, 140, 21);

    CapteurZLabel = creer<QLabel>(CapteurFrame, "Z =");
    CapteurZLabel->setGeometry(21, 101, 30, 21);
    premierPlan(CapteurZLabel, 85, 0, 255);

    CapteurYLabel = creer<QLabel>(CapteurFrame, "Y =");
    CapteurYLabel->setGeometry(21, 71, 30, 21);
    premierPlan(CapteurYLabel, 85, 0, 255);

    CapteurXLabel = creer<QLabel>(CapteurFrame, "X =");
    CapteurXLabel->setGeometry(21, 41, 30, 21);
    premierPlan(CapteurXLabel, 85, 0, 255);

    CapteurXValue = creer<QLabel>(CapteurFrame, "0");
    CapteurXValue->setGeometry(60, 40, 90, 21);
    premierPlan(CapteurXValue, 0, 0, 0);

    CapteurZValue = creer<QLabel>(CapteurFrame, "0");
    CapteurZValue->setGeometry(60, 101, 90, 21);
    premierPlan(CapteurZValue, 0, 0, 0);

    CapteurYValue = creer<QLabel>(CapteurFrame, "0");
    CapteurYValue->setGeometry(60, 70, 90, 21);
    premierPlan(CapteurYValue, 0, 0, 0);

    PhotoP5Glove = creer<QLabel>(CapteurGroupBox, "PhotoP5Glove");
    PhotoP5Glove->setGeometry(200, 30, 211, 131);
    afficherPhoto(PhotoP5Glove, QStringLiteral(":/p5glov.jpg"));

    OpenGlFrame = creer<QGroupBox>(CapteurGroupBox, "OpenGlFrame");
    OpenGlFrame->setGeometry(20, 179, 391, 331);

    Visualisation3DLabel = creer<QLabel>(OpenGlFrame, "Visualisation 3D :");
    Visualisation3DLabel->setGeometry(10, 10, 147, 21);

    glbox = new GLBox(OpenGlFrame, "glbox");
    glbox->setGeometry(20, 40, 350, 270);

    // Everything from here to the axis legends is created after the view, so it lies on top.
    DeltaXText = creer<QLabel>(OpenGlFrame, "Delta X :");
    DeltaXText->setGeometry(250, 250, 60, 21);
    surLaVue(DeltaXText);

    DeltaYText = creer<QLabel>(OpenGlFrame, "DeltaYText");
    DeltaYText->setGeometry(250, 265, 60, 21);
    surLaVue(DeltaYText);

    DeltaZText = creer<QLabel>(OpenGlFrame, "DeltaZText");
    DeltaZText->setGeometry(250, 280, 60, 21);
    surLaVue(DeltaZText);

    DeltaXValue = creer<QLabel>(OpenGlFrame, "0");
    DeltaXValue->setGeometry(300, 250, 60, 21);
    surLaVue(DeltaXValue);

    DeltaYValue = creer<QLabel>(OpenGlFrame, "0");
    DeltaYValue->setGeometry(300, 265, 60, 21);
    surLaVue(DeltaYValue);

    DeltaZValue = creer<QLabel>(OpenGlFrame, "0");
    DeltaZValue->setGeometry(300, 280, 60, 21);
    surLaVue(DeltaZValue);

    // The legend uses the colours of the crosses.
    LegendeCapteurLabel = creer<QLabel>(OpenGlFrame, "+ Capteur");
    LegendeCapteurLabel->setGeometry(310, 40, 60, 21);
    premierPlan(LegendeCapteurLabel, 0, 255, 252);
    arrierePlan(LegendeCapteurLabel, 0, 0, 0);

    LegendeRobotLabel = creer<QLabel>(OpenGlFrame, "+ Robot");
    LegendeRobotLabel->setGeometry(310, 60, 60, 21);
    premierPlan(LegendeRobotLabel, 252, 255, 0);
    arrierePlan(LegendeRobotLabel, 0, 0, 0);

    LegendeAxeXLabel = creer<QLabel>(OpenGlFrame, "Axe X");
    LegendeAxeXLabel->setGeometry(30, 40, 40, 21);
    premierPlan(LegendeAxeXLabel, 0, 0, 255);
    arrierePlan(LegendeAxeXLabel, 0, 0, 0);

    LegendeAxeYLabel = creer<QLabel>(OpenGlFrame, "Axe Y");
    LegendeAxeYLabel->setGeometry(30, 60, 40, 21);
    premierPlan(LegendeAxeYLabel, 0, 255, 0);
    arrierePlan(LegendeAxeYLabel, 0, 0, 0);

    LegendeAxeZLabel = creer<QLabel>(OpenGlFrame, "Axe Z");
    LegendeAxeZLabel->setGeometry(30, 80, 40, 21);
    premierPlan(LegendeAxeZLabel, 255, 0, 0);
    arrierePlan(LegendeAxeZLabel, 0, 0, 0);

    // Right panel: the robot.
    RobotGroupBox = creer<QGroupBox>(this, "Gestion du robot :");
    RobotGroupBox->setGeometry(451, -1, 300, 530);

    CtrlRobotFrame = creer<QGroupBox>(RobotGroupBox, "CtrlRobotFrame");
    CtrlRobotFrame->setGeometry(21, 30, 260, 220);

    // The start values are the robot's start pose. No slot is connected yet, so setting them
    // sends nothing.
    AxeXSlider = creerCurseur(1745, 4300, 20, 3162, CtrlRobotFrame, "AxeXSlider");
    AxeXSlider->setGeometry(80, 20, 160, 21);

    AxeYSlider = creerCurseur(-4500, 4500, 20, 0, CtrlRobotFrame, "AxeYSlider");
    AxeYSlider->setGeometry(80, 50, 160, 21);

    AxeZSlider = creerCurseur(550, 4900, 20, 2450, CtrlRobotFrame, "AxeZSlider");
    AxeZSlider->setGeometry(80, 80, 160, 21);

    AxeRSlider = creerCurseur(-1000, 1000, 10, 0, CtrlRobotFrame, "AxeRSlider");
    AxeRSlider->setGeometry(80, 110, 160, 21);

    AxePSlider = creerCurseur(-1000, 0, 10, -850, CtrlRobotFrame, "AxePSlider");
    AxePSlider->setGeometry(80, 140, 160, 21);

    HomingButton = creer<QPushButton>(CtrlRobotFrame, "Homing du SCORBOT");
    HomingButton->setGeometry(80, 180, 161, 21);
    premierPlan(HomingButton, 85, 0, 255);

    // Checked means manual mode, the mode the program starts in.
    CommandeCheckBox = new QCheckBox(CtrlRobotFrame);
    CommandeCheckBox->setGeometry(25, 180, 30, 21);
    CommandeCheckBox->setChecked(true);

    AxeXLabel = creer<QLabel>(CtrlRobotFrame, "Axe X :");
    AxeXLabel->setGeometry(20, 20, 60, 21);
    premierPlan(AxeXLabel, 85, 0, 255);

    AxeYLabel = creer<QLabel>(CtrlRobotFrame, "Axe Y :");
    AxeYLabel->setGeometry(20, 50, 60, 21);
    premierPlan(AxeYLabel, 85, 0, 255);

    AxeZLabel = creer<QLabel>(CtrlRobotFrame, "Axe Z :");
    AxeZLabel->setGeometry(20, 80, 60, 21);
    premierPlan(AxeZLabel, 85, 0, 255);

    AxeRLabel = creer<QLabel>(CtrlRobotFrame, "Axe R :");
    AxeRLabel->setGeometry(20, 110, 60, 21);
    premierPlan(AxeRLabel, 85, 0, 255);

    AxePLabel = creer<QLabel>(CtrlRobotFrame, "Axe P :");
    AxePLabel->setGeometry(20, 140, 59, 21);
    premierPlan(AxePLabel, 85, 0, 255);

    ControleFrame = creer<QGroupBox>(RobotGroupBox, "ControleFrame");
    ControleFrame->setGeometry(19, 450, 260, 61);

    LancerButton = creer<QPushButton>(ControleFrame, "LancerButton");
    LancerButton->setGeometry(170, 15, 70, 30);
    premierPlan(LancerButton, 85, 0, 255);

    AboutButton = creer<QPushButton>(ControleFrame, "AboutButton");
    AboutButton->setGeometry(105, 15, 51, 30);
    premierPlan(AboutButton, 85, 0, 255);

    QuitterButton = creer<QPushButton>(ControleFrame, "QuitterButton");
    QuitterButton->setGeometry(20, 15, 70, 30);
    premierPlan(QuitterButton, 85, 0, 255);

    PositionRobotFrame = creer<QGroupBox>(RobotGroupBox, "PositionRobotFrame");
    PositionRobotFrame->setGeometry(19, 270, 260, 161);

    PositionRobotLabel = creer<QLabel>(PositionRobotFrame, "Position :");
    PositionRobotLabel->setGeometry(20, 20, 111, 21);

    RobotXLabel = creer<QLabel>(PositionRobotFrame, "X =");
    RobotXLabel->setGeometry(33, 50, 32, 21);
    premierPlan(RobotXLabel, 85, 0, 255);

    RobotYLabel = creer<QLabel>(PositionRobotFrame, "Y =");
    RobotYLabel->setGeometry(33, 80, 30, 21);
    premierPlan(RobotYLabel, 85, 0, 255);

    RobotZLabel = creer<QLabel>(PositionRobotFrame, "Z =");
    RobotZLabel->setGeometry(33, 110, 32, 21);
    premierPlan(RobotZLabel, 85, 0, 255);

    RobotXValue = creer<QLabel>(PositionRobotFrame, "0");
    RobotXValue->setGeometry(70, 50, 60, 21);

    RobotYValue = creer<QLabel>(PositionRobotFrame, "0");
    RobotYValue->setGeometry(70, 80, 60, 21);

    RobotZValue = creer<QLabel>(PositionRobotFrame, "0");
    RobotZValue->setGeometry(70, 110, 60, 21);

    PhotoScorbot = creer<QLabel>(PositionRobotFrame, "PhotoScorbot");
    PhotoScorbot->setGeometry(140, 21, 101, 120);
    afficherPhoto(PhotoScorbot, QStringLiteral(":/EV5.bmp"));
}

void GLObjectWindow::languageChange()
{
    setWindowTitle(QCoreApplication::translate("GLObjectWindow", "ZELVOR"));
    CapteurGroupBox->setTitle(
        QCoreApplication::translate("GLObjectWindow", "Gestion du capteur 3D :"));
    PositionP5Label->setText(QCoreApplication::translate("GLObjectWindow", "Position du P5 :"));
    CapteurZLabel->setText(QCoreApplication::translate("GLObjectWindow", "Z ="));
    CapteurYLabel->setText(QCoreApplication::translate("GLObjectWindow", "Y ="));
    CapteurXLabel->setText(QCoreApplication::translate("GLObjectWindow", "X ="));
    CapteurXValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    CapteurZValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    CapteurYValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    Visualisation3DLabel->setText(
        QCoreApplication::translate("GLObjectWindow", "Visualisation 3D :"));
    LegendeCapteurLabel->setText(QCoreApplication::translate("GLObjectWindow", "+ Capteur"));
    LegendeRobotLabel->setText(QCoreApplication::translate("GLObjectWindow", "+ Robot"));
    RobotGroupBox->setTitle(QCoreApplication::translate("GLObjectWindow", "Gestion du robot :"));
    HomingButton->setText(QCoreApplication::translate("GLObjectWindow", "Homing du SCORBOT"));
    AxeXLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe X :"));
    AxeYLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe Y :"));
    AxeZLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe Z :"));
    AxeRLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe R :"));
    AxePLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe P :"));
    DeltaXText->setText(QCoreApplication::translate("GLObjectWindow", "Delta X :"));
    DeltaYText->setText(QCoreApplication::translate("GLObjectWindow", "Delta Y :"));
    DeltaZText->setText(QCoreApplication::translate("GLObjectWindow", "Delta Z :"));
    LegendeAxeXLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe X"));
    LegendeAxeYLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe Y"));
    LegendeAxeZLabel->setText(QCoreApplication::translate("GLObjectWindow", "Axe Z"));
    DeltaXValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    DeltaYValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    DeltaZValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    LancerButton->setText(QCoreApplication::translate("GLObjectWindow", "Lancer"));
    AboutButton->setText(QCoreApplication::translate("GLObjectWindow", "..."));
    QuitterButton->setText(QCoreApplication::translate("GLObjectWindow", "Quitter"));
    PositionRobotLabel->setText(QCoreApplication::translate("GLObjectWindow", "Position :"));
    RobotYLabel->setText(QCoreApplication::translate("GLObjectWindow", "Y ="));
    RobotZLabel->setText(QCoreApplication::translate("GLObjectWindow", "Z ="));
    RobotXLabel->setText(QCoreApplication::translate("GLObjectWindow", "X ="));
    RobotXValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    RobotYValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
    RobotZValue->setText(QCoreApplication::translate("GLObjectWindow", "0"));
}
