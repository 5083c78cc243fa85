#pragma once

#include "app/historiquecourbes.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

struct ConfigurationZelvor;
class GLObjectWindow;
class PiloteRobot;
class QPushButton;
class QScrollBar;
class VueAxe;

// "Suivi du bras": X, Y and Z against time, one chart per axis over a shared time axis, the last
// 30 s scrolling: the target asked, the pose written on the wire and the position listed, the
// workspace's clamps as lines, and the marks (gripper, homing, outages) across the three.
//
// It keeps what the robot side publishes from its start, shown or not (HistoriqueCourbes: five
// minutes in a fixed memory). It redraws at most ten times a second, within 2 % of a processor,
// and not at all while nothing changed, while it is hidden or minimised, or while paused; pausing
// freezes the picture, the data keep coming, and the scroll bar then goes back over the five
// minutes kept.
//
// Threads: GUI thread; the robot side's signals reach it queued.
class FenetreCourbes : public QWidget
{
    Q_OBJECT

public:
    static constexpr qint64 kVueMs = 30000;
    // At most ten redraws a second, fewer where a redraw costs more than 1.25 ms of processor
    // time (the charts' layout and repaints): the redraws take at most this share of a
    // processor (with the picture sent to the display, which is not counted, about 2 % in all),
    // and come at least every two seconds while the data change.
    static constexpr int kIntervalleDessinMs = 100;
    static constexpr int kIntervalleMaxMs = 2000;
    static constexpr double kPartProcesseur = 0.0125;

    explicit FenetreCourbes(QWidget* parent = nullptr);
    // Writes what is kept to --courbes=FILE, with the signals still queued.
    ~FenetreCourbes() override;

    // The program's plot window, made before the main window: it follows the robot side from its
    // start (through the configuration's hook), opens with the main window under --courbes, and
    // writes what it kept to --courbes=FILE when it goes, after the main window's shutdown.
    static std::unique_ptr<FenetreCourbes> pourLeProgramme(ConfigurationZelvor& configuration);
    // Once the main window is up: F2 and the 3D view's context menu open the plot window beside
    // it; under --courbes it opens now.
    void installer(GLObjectWindow& fenetre);

    const HistoriqueCourbes& historique() const { return m_historique; }
    void suivre(const PiloteRobot& pilote);
    // Shows the window beside `fenetre` the first time, then raises it where it was left.
    void montrerABordDe(const QWidget& fenetre);
    // False once a box has told the operator that the file could not be written; nothing kept is
    // lost, a later export writes it all.
    bool exporterCsv(const QString& chemin);
    bool exporterPng(const QString& chemin);

public slots:
    void ajouter(const EvenementSuivi& evenement);

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void demanderDessin();
    void redessiner();
    void mettreEnPause(bool pause);
    // The widgets, the first time they are needed: a window never opened costs its history only.
    void construire();
    void signalerEchec(const QString& chemin, const QString& raison);

    HistoriqueCourbes m_historique;
    std::array<VueAxe*, 3> m_vues{};
    QWidget* m_graphiques = nullptr;
    QPushButton* m_pause = nullptr;
    QScrollBar* m_defilement = nullptr;
    QTimer m_minuterie;
    std::vector<HistoriqueCourbes::Marque> m_marquesVues; // those the picture shows
    // What the picture shows: the history's count and the right edge, in ms.
    quint64 m_dessine = ~quint64(0);
    qint64 m_finDessinee = -1;
    qint64 m_finPause = -1; // the right edge when paused, before scrolling back
    // The last redraw's processor time, and the time since it started.
    double m_debutDessinMs = 0.0;
    double m_coutDessinMs = 0.0;
    bool m_mesureEnCours = false;
    QElapsedTimer m_depuisDessin;
    QString m_fichierFin; // --courbes=FILE
    bool m_montrerAuDebut = false;
    bool m_placee = false;
};
