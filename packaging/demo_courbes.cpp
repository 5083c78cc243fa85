// The program in simulation with a replayed glove and the plot window open, "Lancer" clicked
// once the start-up is over, as an operator would: what scripts/capture-courbes.sh photographs.
// Prints "Lancer" when it has clicked.
//   demo-courbes <trajectory file>

#include "app/fenetrecourbes.h"
#include "app/globjectwindow.h"
#include "app/lignecommande.h"
#include "app/modesimulation.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo-courbes <trajectory file>\n");
        return 2;
    }
    ConfigurationZelvor configuration;
    const QStringList arguments{
        QStringLiteral("zelvor"), QStringLiteral("--simulate"), QStringLiteral("--courbes"),
        QStringLiteral("--glove=replay:") + QString::fromLocal8Bit(argv[1])};
    if (lireLigneCommande(arguments, configuration) >= 0)
        return 2;
    const std::unique_ptr<FenetreCourbes> courbes = FenetreCourbes::pourLeProgramme(configuration);
    ModeSimulation simulation;
    QString erreur;
    if (!simulation.demarrer(&erreur)) {
        std::fprintf(stderr, "demo-courbes: %s\n", qPrintable(erreur));
        return 1;
    }
    simulation.configurer(configuration);
    GLObjectWindow fenetre(nullptr, nullptr, std::move(configuration));
    if (fenetre.statutDemarrage() != 0)
        return 1;
    fenetre.resize(760, 540);
    fenetre.show();
    courbes->installer(fenetre);
    simulation.attacher(fenetre);
    QTimer::singleShot(1500, &fenetre, [&fenetre] {
        fenetre.findChild<QPushButton*>(QStringLiteral("LancerButton"))->click();
        std::printf("Lancer\n");
        std::fflush(stdout);
    });
    return application.exec();
}
