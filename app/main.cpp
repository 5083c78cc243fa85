#include "app/arretsignal.h"
#include "app/globjectwindow.h"
#include "app/langue.h"
#include "app/lignecommande.h"
#include "glove/cp5dll.h"
#include "glove/sourcevirtuelle.h"
#include "app/modesimulation.h"
#include "app/panneaugantvirtuel.h"

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <cstdio>
#include <memory>

namespace {
// A real context, made current, before any GL widget exists: a GL widget shown without one
// brings the program down.
bool openGLDisponible()
{
    QOpenGLContext contexte;
    if (!contexte.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(contexte.format());
    surface.create();
    if (!surface.isValid() || !contexte.makeCurrent(&surface))
        return false;
    contexte.doneCurrent();
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelvor"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));

    ConfigurationZelvor configuration;
    if (const int statut = lireLigneCommande(application.arguments(), configuration); statut >= 0)
        return statut;

    if (!openGLDisponible()) {
        qWarning("This system has no OpenGL support. Exiting.");
        return -1;
    }
    installerTraduction(application);

    arretsignal::installer();
    // Declared before the window, so that the simulator outlives the window's shutdown.
    std::unique_ptr<ModeSimulation> simulation;
    if (configuration.simulation) {
        OptionsSimulateur options = ModeSimulation::optionsReelles();
        options.fichierTranscript = configuration.transcriptSimulation;
        simulation = std::make_unique<ModeSimulation>(options);
        QString erreur;
        if (!simulation->demarrer(&erreur)) {
            std::fprintf(stderr, "zelvor: simulator: %s\n", qPrintable(erreur));
            return 1;
        }
        simulation->configurer(configuration);
        std::printf("Contrôleur simulé sur %s\n", qPrintable(simulation->peripherique()));
        std::fflush(stdout);
    }
    const bool gantVirtuel = configuration.gant == QLatin1String("virtual");

    GLObjectWindow fenetre(nullptr, nullptr, std::move(configuration));
    if (fenetre.statutDemarrage() != 0)
        return fenetre.statutDemarrage();
    if (arretsignal::demande())
        return 0; // stopped during start-up; the window's destructor shuts down
    arretsignal::fermerSurSignal(&fenetre);
    fenetre.resize(760, 540);
    fenetre.show();

    // The virtual glove gets its panel also in front of a real controller; there it has no arm
    // to show.
    std::unique_ptr<PanneauGantVirtuel> panneauSeul;
    if (simulation) {
        simulation->attacher(fenetre);
    } else if (gantVirtuel && fenetre.gant()) {
        panneauSeul = std::make_unique<PanneauGantVirtuel>(
            dynamic_cast<SourceVirtuelle*>(fenetre.gant()->source()), nullptr);
        panneauSeul->montrerABordDe(&fenetre);
    }
    return application.exec(); // the lone panel goes before the window and its glove
}
