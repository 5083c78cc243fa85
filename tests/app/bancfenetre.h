#pragma once

// A main window wired to an in-process controller simulator, with its boxes answered.
#include "app/globjectwindow.h"
#include "glove/cp5dll.h"
#include "glove/sourcevirtuelle.h"
#include "repondeur.h"
#include "sim/simulateurpty.h"

#include <QAbstractButton>
#include <QHash>
#include <QLabel>
#include <QTest>
#include <memory>

// The caption of a label or a button, the title of a group box: what the form's widgets show.
inline QString texteDe(const QWidget* w)
{
    return w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
}

class BancFenetre
{
public:
    // Unpaced, and homing in `homeMs`.
    static OptionsSimulateur rapide(int homeMs = 50)
    {
        OptionsSimulateur o;
        o.baud = 0;
        o.homeMs = homeMs;
        return o;
    }

    // True when the window started on the simulator.
    bool demarrer(const QString& gant = QStringLiteral("virtual"),
                  OptionsSimulateur options = rapide(), BornesLiaison bornes = {},
                  std::unique_ptr<SourceGant> source = {}) // built by the test, else by `gant`
    {
        return sim.demarrer(options) && ouvrir(sim.peripherique(), bornes, gant, std::move(source));
    }

    // True when the window started on `port`, the simulator left alone.
    bool ouvrir(const QString& port, BornesLiaison bornes = {},
                const QString& gant = QStringLiteral("virtual"),
                std::unique_ptr<SourceGant> source = {})
    {
        ConfigurationZelvor cfg;
        cfg.port = port;
        cfg.gant = gant;
        cfg.sourceGant = std::make_shared<std::unique_ptr<SourceGant>>(std::move(source));
        cfg.bornes = bornes;
        fenetre = std::make_unique<GLObjectWindow>(nullptr, nullptr, cfg);
        return fenetre->statutDemarrage() == 0;
    }

    // Lines trimmed and in lower case.
    static QList<QByteArray> minuscules(const QList<LigneRecue>& transcript)
    {
        QList<QByteArray> l;
        for (const LigneRecue& r : transcript)
            l.append(r.ligne.trimmed().toLower());
        return l;
    }

    // The five values of the last pose taught to point A.
    static QList<QByteArray> dernierePose(const QList<QByteArray>& lignes)
    {
        const int i = lignes.lastIndexOf("teach a");
        return i < 0 ? QList<QByteArray>{} : lignes.mid(i + 1, 5);
    }

    // Waits until nothing new reached the controller for a moment.
    void attendreCalme() const
    {
        for (qsizetype avant = -1; commandes().size() != avant; QTest::qWait(150))
            avant = commandes().size();
    }

    QList<QByteArray> lignes() const { return minuscules(sim.transcript()); }

    // Lines other than the listings, which come twice a second whatever happens.
    QList<QByteArray> commandes() const
    {
        QList<QByteArray> l = lignes();
        l.removeAll("listpv a");
        return l;
    }

    auto* gant() const { return dynamic_cast<SourceVirtuelle*>(fenetre->gant()->source()); }

    template <class W = QWidget> W* widget(const char* n) const
    {
        return fenetre->findChild<W*>(n);
    }

    void cliquer(const char* b) { QTest::mouseClick(widget<QAbstractButton>(b), Qt::LeftButton); }

    // The X, Y and Z readouts of a frame ("CapteurFrame", "OpenGlFrame", "PositionRobotFrame").
    QStringList lectures(const char* cadre) const
    {
        static const QHash<QByteArray, QString> valeurs{{"CapteurFrame", "Capteur%1Value"},
                                                        {"OpenGlFrame", "Delta%1Value"},
                                                        {"PositionRobotFrame", "Robot%1Value"}};
        QStringList l;
        for (const char* axe : {"X", "Y", "Z"})
            l << fenetre->findChild<QLabel*>(valeurs.value(cadre).arg(axe))->text();
        return l;
    }

    RepondeurBoites repondeur; // before the window: it answers the boxes of the start-up
    SimulateurPty sim;
    std::unique_ptr<GLObjectWindow> fenetre;
};
