#pragma once

#include "app/configuration.h"
#include "glove/suivi.h"

#include <QMutex>
#include <QWidget>
#include <memory>

class CP5DLL;
class GLBox;
class LiaisonSerie;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class ThreadMouvement;
class ThreadPosition;
enum class IssueAttente;

// The main window: owner of everything that lives for the whole run. Its constructor is the
// program's start-up, its destructor the shutdown.
//
// Threads: everything here runs on the GUI thread. The workers share the line with it through
// `mutex` and the program-wide state of robot/etatpartage.h; they never touch a widget.
class GLObjectWindow : public QWidget
{
    Q_OBJECT

public:
    explicit GLObjectWindow(QWidget* parent = nullptr, const char* name = nullptr,
                            ConfigurationZelvor configuration = {});
    ~GLObjectWindow() override;

    // 0 when start-up completed; 1 when the port could not be opened or configured (the window
    // must then not be shown and the process ends with this status).
    int statutDemarrage() const { return m_statutDemarrage; }
    CP5DLL* gant() const { return p5; }
    LiaisonSerie* liaisonSerie() const { return liaison; }

public slots:
    virtual void Lancer();
    virtual void Quitter();
    virtual void Parcourir();
    virtual void InitRobot();
    virtual void ActionAxeX(int valeur);
    virtual void ActionAxeY(int valeur);
    virtual void ActionAxeZ(int valeur);
    virtual void ActionAxeR(int valeur);
    virtual void ActionAxeP(int valeur);
    virtual void ActionTimer();
    virtual void ActiverCommande();

protected slots:
    virtual void languageChange();

public:
    // The form, in creation order.
    QGroupBox* CapteurGroupBox = nullptr;
    QGroupBox* CapteurFrame = nullptr;
    QLabel* PositionP5Label = nullptr;
    QLabel* CapteurZLabel = nullptr;
    QLabel* CapteurYLabel = nullptr;
    QLabel* CapteurXLabel = nullptr;
    QLabel* CapteurXValue = nullptr;
    QLabel* CapteurZValue = nullptr;
    QLabel* CapteurYValue = nullptr;
    QLabel* PhotoP5Glove = nullptr;
    QGroupBox* OpenGlFrame = nullptr;
    QLabel* Visualisation3DLabel = nullptr;
    GLBox* glbox = nullptr;
    QLabel* DeltaXText = nullptr;
    QLabel* DeltaYText = nullptr;
    QLabel* DeltaZText = nullptr;
    QLabel* DeltaXValue = nullptr;
    QLabel* DeltaYValue = nullptr;
    QLabel* DeltaZValue = nullptr;
    QLabel* LegendeCapteurLabel = nullptr;
    QLabel* LegendeRobotLabel = nullptr;
    QLabel* LegendeAxeXLabel = nullptr;
    QLabel* LegendeAxeYLabel = nullptr;
    QLabel* LegendeAxeZLabel = nullptr;
    QGroupBox* RobotGroupBox = nullptr;
    QGroupBox* CtrlRobotFrame = nullptr;
    QSlider* AxeXSlider = nullptr;
    QSlider* AxeYSlider = nullptr;
    QSlider* AxeZSlider = nullptr;
    QSlider* AxeRSlider = nullptr;
    QSlider* AxePSlider = nullptr;
    QPushButton* HomingButton = nullptr;
    QCheckBox* CommandeCheckBox = nullptr;
    QLabel* AxeXLabel = nullptr;
    QLabel* AxeYLabel = nullptr;
    QLabel* AxeZLabel = nullptr;
    QLabel* AxeRLabel = nullptr;
    QLabel* AxePLabel = nullptr;
    QGroupBox* ControleFrame = nullptr;
    QPushButton* LancerButton = nullptr;
    QPushButton* AboutButton = nullptr;
    QPushButton* QuitterButton = nullptr;
    QGroupBox* PositionRobotFrame = nullptr;
    QLabel* PositionRobotLabel = nullptr;
    QLabel* RobotXLabel = nullptr;
    QLabel* RobotYLabel = nullptr;
    QLabel* RobotZLabel = nullptr;
    QLabel* RobotXValue = nullptr;
    QLabel* RobotYValue = nullptr;
    QLabel* RobotZValue = nullptr;
    QLabel* PhotoScorbot = nullptr;

    QTimer* timer = nullptr;

    // Tracking state (the tick and the operator slots share it).
    bool suiviActif = false;
    bool pinceFermee = false;
    bool pinceOuverte = true;
    bool p5Detecte = false;
    bool doigtPlie = false;
    int etatPort = 0;
    float cibleX = 0.0f;
    float cibleY = 0.0f;
    float cibleZ = 0.0f;
    float bandeFiltre = 30.0f;
    Vecteur3f positionGant{};
    Vecteur3f positionGantPrecedente{};

private:
    // Fixed size, icon and the 51 widgets, in creation order. Runs no slot.
    void construireFormulaire();
    void activerCommandesManuelles(bool actif);
    // The pose of the five sliders, Y as the slider shows it, then a move request.
    void envoyerPoseDesCurseurs();
    void afficherAucunGant();
    // An exchange of the GUI thread: the command, then its prompt, under the line mutex.
    IssueAttente echangeSimple(const char* commande, bool home = false);
    void signalerIssue(IssueAttente issue);

    ConfigurationZelvor m_configuration;
    // Taken around every exchange on the serial line, by the GUI thread and both workers; never
    // nested, never held while waiting for anything but the line.
    QMutex mutex;
    CP5DLL* p5 = nullptr;
    LiaisonSerie* liaison = nullptr;
    ThreadMouvement* threadMouvement = nullptr;
    ThreadPosition* threadPosition = nullptr;
    int m_statutDemarrage = 0;
    bool m_pannePresentee = false; // the current outage was shown to the operator already
};
