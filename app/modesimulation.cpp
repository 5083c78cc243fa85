#include "app/modesimulation.h"

#include "app/configuration.h"
#include "app/globjectwindow.h"
#include "app/panneaugantvirtuel.h"
#include "glove/cp5dll.h"
#include "glove/sourcevirtuelle.h"

#include <csignal>
#include <pthread.h>

OptionsSimulateur ModeSimulation::optionsReelles()
{
    OptionsSimulateur options;
    options.baud = 9600;
    options.homeMs = 3000;
    // As a real controller would hear garbage on a line set otherwise.
    options.exigerReglage = true;
    return options;
}

ModeSimulation::ModeSimulation(OptionsSimulateur options) : m_options(std::move(options)) {}

ModeSimulation::~ModeSimulation()
{
    m_panneau.reset();
    m_simulateur.arreter();
}

bool ModeSimulation::demarrer(QString* erreur)
{
    // The simulator's thread inherits this mask: SIGINT and SIGTERM must reach the program's
    // handler, which closes the window, and never interrupt the simulator in the middle of a
    // write.
    sigset_t signaux, precedents;
    sigemptyset(&signaux);
    sigaddset(&signaux, SIGINT);
    sigaddset(&signaux, SIGTERM);
    sigaddset(&signaux, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signaux, &precedents);
    const bool demarre = m_simulateur.demarrer(m_options, erreur);
    pthread_sigmask(SIG_SETMASK, &precedents, nullptr);
    return demarre;
}

void ModeSimulation::configurer(ConfigurationZelvor& configuration) const
{
    configuration.port = m_simulateur.peripherique();
}

void ModeSimulation::attacher(GLObjectWindow& fenetre)
{
    auto* source =
        fenetre.gant() ? dynamic_cast<SourceVirtuelle*>(fenetre.gant()->source()) : nullptr;
    m_panneau = std::make_unique<PanneauGantVirtuel>(source, &m_simulateur);
    PanneauGantVirtuel* panneau = m_panneau.get();
    // The window's shutdown deletes the glove before `destroyed` is emitted; the panel only
    // reads its source on events, and none runs in between.
    QObject::connect(&fenetre, &QObject::destroyed, panneau, [panneau] {
        panneau->definirSource(nullptr);
        panneau->hide();
    });
    panneau->montrerABordDe(&fenetre);
}
