#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class SimulateurPty;
class SourceVirtuelle;

// "Gant virtuel": a small window that stands in for the glove. A pad moves the hand in X and Y
// (Y up), a slider sets Z, another the bend of the gripper finger (0..255), and two buttons act
// while held, like the glove's own. Every change goes straight to the virtual source, whose
// record the tracking tick reads as it reads a real glove's.
//
// Keyboard: arrows move the hand in X/Y (Shift: larger steps), Page Up/Page Down move it in Z,
// Space bends or straightens the finger, 1 and 2 hold the glove's buttons, Home re-centres.
//
// With a simulator, a status area shows the simulated arm (where it is, whether it homes, the
// gripper), polled every 200 ms. Without one, the panel drives a virtual glove in front of a
// real controller. Without a source, the controls are disabled.
//
// Threads: GUI thread only. The source belongs to the main window's glove: call
// definirSource(nullptr) before it goes.
class PanneauGantVirtuel : public QWidget
{
    Q_OBJECT

public:
    // Glove units on each side of the centre, for X and Y on the pad and for Z on its slider.
    static constexpr int kPortee = 1000;

    PanneauGantVirtuel(SourceVirtuelle* source, SimulateurPty* simulateur,
                       QWidget* parent = nullptr);
    ~PanneauGantVirtuel() override;

    // Hands over the glove to drive; the panel's present values become the glove's.
    void definirSource(SourceVirtuelle* source);
    SourceVirtuelle* source() const { return m_source; }
    // Shows the panel to the right of `fenetre`, tops aligned.
    void montrerABordDe(QWidget* fenetre);

    // The controls, for the tests and the screenshots.
    QWidget* pave() const { return m_pave; }
    QSlider* curseurZ() const { return m_curseurZ; }
    QSlider* curseurFlexion() const { return m_curseurFlexion; }
    QPushButton* bouton(int i) const { return i == 0 ? m_bouton1 : m_bouton2; }
    // Null without a simulator.
    QLabel* etatPosition() const { return m_etatPosition; }
    QLabel* etatMouvement() const { return m_etatMouvement; }
    QLabel* etatPince() const { return m_etatPince; }

protected:
    void keyPressEvent(QKeyEvent* evenement) override;
    void keyReleaseEvent(QKeyEvent* evenement) override;
    void changeEvent(QEvent* evenement) override;

private:
    void traduireTextes();
    void deplacer(float x, float y, float z);
    // The pad, the sliders and the buttons to the source, and the readout.
    void appliquer();
    void tenirBouton(int bouton, bool appuye);
    void rafraichirEtat();

    SourceVirtuelle* m_source = nullptr;
    SimulateurPty* m_simulateur = nullptr;
    float m_x = 0.0f; // the pad's position, glove units
    float m_y = 0.0f;

    QWidget* m_pave = nullptr;
    QLabel* m_legendePave = nullptr;
    QLabel* m_legendeZ = nullptr;
    QSlider* m_curseurZ = nullptr;
    QLabel* m_legendeFlexion = nullptr;
    QSlider* m_curseurFlexion = nullptr;
    QPushButton* m_bouton1 = nullptr;
    QPushButton* m_bouton2 = nullptr;
    QLabel* m_lectureGant = nullptr;
    QGroupBox* m_groupeBras = nullptr;
    QLabel* m_etatPosition = nullptr;
    QLabel* m_etatMouvement = nullptr;
    QLabel* m_etatPince = nullptr;
    QTimer* m_sondage = nullptr;
};
