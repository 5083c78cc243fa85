#pragma once

#include "app/configuration.h"
#include "ui_globjectwindow.h" // uic's output for app/globjectwindow.ui

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>

class CP5DLL;
class PiloteRobot;
class SuiviGant;
class QTimer;
enum class IssueAttente;

// The main window: owner of everything that lives for the whole run. Its constructor is the
// program's start-up, its destructor the shutdown.
//
// Its 51 widgets are the form app/globjectwindow.ui; inheriting uic's class makes them members of
// the window, under their object names (glbox, AxeXSlider, HomingButton, CapteurXValue...).
//
// Threads: everything here runs on the GUI thread, and nothing here waits on the serial line: the
// window asks the robot side (PiloteRobot) and shows what its queued signals report.
class GLObjectWindow : public QWidget, private Ui::GLObjectWindow
{
    Q_OBJECT

public:
    explicit GLObjectWindow(QWidget* parent = nullptr, const char* name = nullptr,
                            ConfigurationZelvor configuration = {});
    ~GLObjectWindow() override;

    // 1 once the port could not be opened or configured (the box was shown and the window
    // closed: the process ends with this status), else 0.
    int statutDemarrage() const { return m_statutDemarrage; }
    // Null once the window has quit.
    CP5DLL* gant() const;
    // The robot side, for windows that follow its signals; null when the port did not open.
    const PiloteRobot* pilote() const { return robot.get(); }

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

private:
    QTimer* timer = nullptr;

    // The glove and its tracking; the timer hands it each tick. Null once the window has quit.
    std::unique_ptr<SuiviGant> m_suivi;

    // The form from the .ui, and what it cannot hold (the font, the sliders' ranges and start
    // places, which are the workspace's). Runs no slot.
    void construireFormulaire();
    bool gantDetecte() const;
    void activerCommandesManuelles(bool actif);
    // The pose of the five sliders, Y as the slider shows it.
    ConsigneRobot poseDesCurseurs() const;
    void afficherAucunGant();
    // A listing of the arm: the robot readouts and the robot's point in the view.
    void montrerPositionRobot(int x, int y, int z);
    void surOuverture(int etat);
    void signalerIssue(IssueAttente issue);
    // While homing runs the controls that could disturb it are disabled and the cursor is busy.
    void montrerHoming(bool enCours);
    void finHoming();

    ConfigurationZelvor m_configuration;
    std::unique_ptr<PiloteRobot> robot; // null until started, and once the window has quit
    int m_statutDemarrage = 0;
    bool m_pannePresentee = false;      // the current outage was shown to the operator already
    QPointer<QMessageBox> m_boitePanne; // the outage box while it is up
    bool m_homingEnCours = false;
};
