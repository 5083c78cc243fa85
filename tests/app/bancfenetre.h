#pragma once

// A main window wired to an in-process controller simulator, with its boxes answered.
#include "app/globjectwindow.h"
#include "glove/cp5dll.h"
#include "glove/sourcevirtuelle.h"
#include "repondeur.h"
#include "sim/simulateurpty.h"

#include <QTest>
#include <memory>

class BancFenetre
{
public:
    // True when the window started; `port` replaces the simulator's device when given.
    bool demarrer(const QString& gant = QStringLiteral("virtual"), OptionsSimulateur options = {},
                  BornesLiaison bornes = {}, const QString& port = {})
    {
        if (!sim.demarrer(options))
            return false;
        ConfigurationZelvor cfg;
        cfg.port = port.isEmpty() ? sim.peripherique() : port;
        cfg.gant = gant;
        cfg.bornes = bornes;
        fenetre = std::make_unique<GLObjectWindow>(nullptr, nullptr, cfg);
        return fenetre->statutDemarrage() == 0;
    }

    static OptionsSimulateur rapide()
    {
        OptionsSimulateur o;
        o.baud = 0;
        o.homeMs = 50;
        return o;
    }

    // The lines the controller received, trimmed and in lower case.
    QList<QByteArray> lignes() const
    {
        QList<QByteArray> l;
        for (const LigneRecue& r : sim.transcript())
            l.append(r.ligne.trimmed().toLower());
        return l;
    }

    // Lines other than the listings, which come twice a second whatever happens.
    QList<QByteArray> commandes() const
    {
        QList<QByteArray> l = lignes();
        l.removeAll("listpv a");
        return l;
    }

    SourceVirtuelle* gant() const
    {
        return dynamic_cast<SourceVirtuelle*>(fenetre->gant()->source());
    }

    RepondeurBoites repondeur; // before the window: it answers the boxes of the start-up
    SimulateurPty sim;
    std::unique_ptr<GLObjectWindow> fenetre;
};
