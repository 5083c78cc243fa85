#include "app/arretsignal.h"
#include "app/fenetrecourbes.h"
#include "app/globjectwindow.h"
#include "app/langue.h"
#include "app/lignecommande.h"
#include "app/modesimulation.h"
#include "app/panneaugantvirtuel.h"
#include "app/traduction.h"
#include "app/version.h"
#include "glove/cp5dll.h"
#include "glove/sourcevirtuelle.h"
#include "robot/avisecriture.h"

#include <QApplication>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPointer>
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

// Why the toolkit will find no display, or empty when it may find one. Only the plain cases are
// told here, from the environment; a display that is named but does not answer is told when the
// toolkit fails to reach it (arretsignal::surveillerAffichage()).
QString raisonSansAffichage()
{
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QString plateformes = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (plateformes.isEmpty())
        return x11 || wayland ? QString() : QStringLiteral("DISPLAY is not set");
    for (const QString& p : plateformes.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString nom = p.section(QLatin1Char(':'), 0, 0);
        if (nom == QLatin1String("xcb") ? x11
                                        : !nom.startsWith(QLatin1String("wayland")) || wayland)
            return {}; // offscreen, minimal, vnc, a framebuffer: no display server needed
    }
    return QStringLiteral("QT_QPA_PLATFORM is %1 and DISPLAY is not set").arg(plateformes);
}

// The trace or the recording stopped being written (said on the standard error already): a box
// that leaves the window working, over it once it exists.
void montrerEchecEcriture(QWidget* fenetre, avisecriture::Fichier quoi, const QString& fichier,
                          const QString& raison)
{
    const QString nom = fichier == QLatin1String("-") ? traduire("la sortie d'erreur") : fichier;
    const QString texte =
        quoi == avisecriture::Fichier::Trace
            ? traduire("La trace de la liaison ne peut plus être écrite dans %1 :\n%2.\n"
                       "La liaison continue sans trace.")
            : traduire(
                  "L'enregistrement du gant ne peut plus être écrit dans %1 :\n%2.\n"
                  "Il s'arrête ; le fichier se rejoue jusqu'à son dernier échantillon complet.");
    auto* boite = new QMessageBox(QMessageBox::Warning, traduire("Écriture impossible"),
                                  texte.arg(nom, raison), QMessageBox::Ok, fenetre);
    boite->setModal(false);
    boite->setAttribute(Qt::WA_DeleteOnClose);
    boite->show();
}
} // namespace

int main(int argc, char** argv)
{
    arretsignal::installer();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    ConfigurationZelvor configuration;
    if (const int statut = lireLigneCommande(arguments, configuration); statut >= 0)
        return statut;
    if (const QString raison = raisonSansAffichage(); !raison.isEmpty()) {
        std::fprintf(stderr, "zelvor: no display (%s)\n", qPrintable(raison));
        return 1;
    }
    if (arretsignal::demande())
        return 0;

    arretsignal::surveillerAffichage();
    QApplication application(argc, argv);
    arretsignal::surveillerEvenements();
    QApplication::setApplicationName(QStringLiteral("zelvor"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionZelvor));

    if (!openGLDisponible()) {
        qWarning("This system has no OpenGL support. Exiting.");
        return -1;
    }
    installerTraduction(application, configuration.langue);
    // Before the window: it follows the robot side from its start, and writes --courbes=FILE once
    // the window has shut the robot side down, at any normal end from here on.
    const std::unique_ptr<FenetreCourbes> courbes = FenetreCourbes::pourLeProgramme(configuration);

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
        std::printf("Simulated controller on %s\n", qPrintable(simulation->peripherique()));
        std::fflush(stdout);
    }
    const bool gantVirtuel = configuration.gant == QLatin1String("virtual");
    if (arretsignal::demande())
        return 0;

    // A failed write of the trace or the recording comes from the robot side's threads or the
    // recording's writer: handed over to this thread, into the window's event loop. Listened to
    // from before the window, which opens both files.
    QPointer<QWidget> parentEchecs;
    avisecriture::definirEcouteur(
        [&parentEchecs](avisecriture::Fichier quoi, const QString& fichier, const QString& raison) {
            QMetaObject::invokeMethod(
                qApp,
                [&parentEchecs, quoi, fichier, raison] {
                    montrerEchecEcriture(parentEchecs, quoi, fichier, raison);
                },
                Qt::QueuedConnection);
        });
    GLObjectWindow fenetre(nullptr, nullptr, std::move(configuration));
    parentEchecs = &fenetre;
    // The robot side is stopped by this, not by a destructor, when the process ends from inside
    // the toolkit; forgotten before the window goes, as is the listener above.
    arretsignal::definirArret([&fenetre] { fenetre.Quitter(); });
    struct Oubli
    {
        ~Oubli()
        {
            arretsignal::definirArret({});
            avisecriture::definirEcouteur({});
        }
    } oubli;
    if (arretsignal::demande())
        return 0; // stopped during start-up; the window's destructor shuts down
    fenetre.resize(760, 540);
    fenetre.show();
    courbes->installer(fenetre);

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
    const int fin = application.exec(); // the lone panel goes before the window and its glove
    return fenetre.statutDemarrage() != 0 ? fenetre.statutDemarrage() : fin;
}
