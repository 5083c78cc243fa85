// Idle cost: processor time per second and resident memory of the program with nothing to do,
// in manual mode and in glove mode with a still hand, the cost of a moving hand beside it, and
// the start-up time to the first listing on the wire.
//
// The start-up and the manual mode are measured on the real program, started as a process
// against the simulator at 9600 baud 8N2. Glove mode needs the "Lancer" button, so the window
// runs in this process for the comparison of the modes; the controller then runs as its own
// process (scorbot-sim), so that only the program's work is counted. The replayed hand stays
// still for the first measure, then moves for the second, and goes on moving for a third with
// the plot window ("Suivi du bras") open and a fourth with it closed again: the difference is
// the plot's own cost.
#include "app/fenetrecourbes.h"
#include "app/globjectwindow.h"
#include "bench/analyseligne.h"
#include "bench/outilsbench.h"
#include "sim/simulateurpty.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {
// Left out of each measure after the mode changes: the first ticks, the first poses.
constexpr int kMiseEnRouteMs = 1000;

double tempsProcesseurSoiMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

struct Cout
{
    double moyenneMsParS = -1; // over the whole window
    double medianeMsParS = -1; // of its one-second slices: the steady part, without bursts
    long rssKo = -1;
};

// Processor time per second of a process (this one if `pid` is 0) over `ms`, in one-second
// slices, the event loop running meanwhile.
Cout mesurer(long pid, int ms)
{
    const auto processeur = [pid] {
        return pid ? bench::tempsProcesseurMs(pid) : tempsProcesseurSoiMs();
    };
    std::vector<double> tranches;
    const double debut = processeur();
    QElapsedTimer chrono;
    chrono.start();
    for (int i = 0; i < std::max(1, ms / 1000); ++i) {
        const double avant = processeur();
        const qint64 t = chrono.elapsed();
        bench::attendre(1000);
        tranches.push_back((processeur() - avant) * 1000.0 / double(chrono.elapsed() - t));
    }
    return {(processeur() - debut) * 1000.0 / double(chrono.elapsed()),
            bench::centile(tranches, 50), bench::memoireResidenteKo(pid ? pid : long(::getpid()))};
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const int demarrages = bench::optionEntiere(arguments, "demarrages", 5);
    const int mesureMs = bench::optionEntiere(arguments, "mesure-ms", 5000);

    QTemporaryDir dossier;
    const QString immobile = dossier.filePath(QStringLiteral("immobile.txt"));
    // On the replay's clock, from "Lancer": still, then moving from here on, along a path that
    // leaves the dead band at every tick.
    const int debutMouvementMs = kMiseEnRouteMs + mesureMs + kMiseEnRouteMs;
    const QString mobile = dossier.filePath(QStringLiteral("mobile.txt"));
    {
        QFile f(immobile);
        QFile g(mobile);
        if (!f.open(QIODevice::WriteOnly) || !g.open(QIODevice::WriteOnly))
            return 1;
        f.write("zelvor-gant 1\n0 0 0 0 0 0 0 0 0 0 0\n");
        g.write("zelvor-gant 1\n0 0 0 0 0 0 0 0 0 0 0\n");
        for (int t = 0; t <= 3 * mesureMs + 5 * kMiseEnRouteMs; t += 10) {
            const double s = t / 1000.0;
            g.write(QStringLiteral("%1 %2 %3 %4 0 0 0 0 0 0 0\n")
                        .arg(debutMouvementMs + t)
                        .arg(600.0 * std::sin(2.1 * s), 0, 'f', 3)
                        .arg(600.0 * std::sin(1.7 * s), 0, 'f', 3)
                        .arg(600.0 * std::sin(2.6 * s), 0, 'f', 3)
                        .toLatin1());
        }
    }
    const QStringList gant = {QStringLiteral("--glove"), QStringLiteral("replay:") + immobile};

    // Start-up of the real program, to the first byte of the first listing on the wire.
    std::vector<double> demarrage;
    Cout programme;
    long picKo = -1;
    for (int i = 0; i < demarrages; ++i) {
        OptionsSimulateur options;
        SimulateurPty sim;
        if (!sim.demarrer(options))
            return 1;
        const double origineSim = bench::maintenantMs();
        QProcess zelvor;
        const double lance = bench::maintenantMs() - origineSim;
        zelvor.start(QStringLiteral(ZELVOR_BINAIRE),
                     QStringList{QStringLiteral("--port"), sim.peripherique()} + gant);
        if (!zelvor.waitForStarted())
            return 1;
        double listing = -1;
        QElapsedTimer attente;
        attente.start();
        while (listing < 0) {
            if (attente.elapsed() > 20000)
                return 1;
            const QList<LigneRecue> t = sim.transcript();
            for (int k = 0; k < t.size() && listing < 0; ++k)
                if (t[k].ligne == "listpv A") // its first byte, from its line end
                    listing = double(t[k].ms) + 0.5 - 9 * 11000.0 / options.baud;
            bench::attendre(5);
        }
        demarrage.push_back(listing - lance);
        if (i == demarrages - 1) {
            // The last one stays up a while: the program idle in manual mode.
            bench::attendre(2000);
            const long pid = long(zelvor.processId());
            programme = mesurer(pid, 2 * mesureMs);
            picKo = bench::memoireResidenteKo(pid, "VmHWM:");
        }
        ::kill(static_cast<pid_t>(zelvor.processId()), SIGTERM);
        zelvor.waitForFinished(5000);
    }

    // Both modes in this process, the controller in its own.
    QProcess controleur;
    controleur.start(QStringLiteral(SCORBOT_SIM), {});
    if (!controleur.waitForReadyRead(5000))
        return 1;
    const QString peripherique = QString::fromLocal8Bit(controleur.readLine().trimmed());
    Cout manuel{}, suivi{}, mouvement{}, courbes{}, mouvementApres{};
    {
        ConfigurationZelvor cfg;
        cfg.port = peripherique;
        cfg.gant = QStringLiteral("replay:") + mobile;
        // As the program has it: the plot window keeps its history from the start, open or not.
        const std::unique_ptr<FenetreCourbes> fenetreCourbes = FenetreCourbes::pourLeProgramme(cfg);
        GLObjectWindow fenetre(nullptr, nullptr, cfg);
        auto* lancer = fenetre.findChild<QPushButton*>(QStringLiteral("LancerButton"));
        if (fenetre.statutDemarrage() != 0 || !lancer)
            return 1;
        fenetre.resize(760, 540);
        fenetre.show();
        bench::attendre(2000);
        manuel = mesurer(0, mesureMs);
        QElapsedTimer depuisLancer;
        depuisLancer.start();
        lancer->click();
        bench::attendre(kMiseEnRouteMs);
        suivi = mesurer(0, mesureMs);
        bench::attendre(int(debutMouvementMs + kMiseEnRouteMs - depuisLancer.elapsed()));
        mouvement = mesurer(0, mesureMs);
        // Then the same moving hand with the plot window open beside the main window.
        fenetreCourbes->montrerABordDe(fenetre);
        bench::attendre(kMiseEnRouteMs);
        courbes = mesurer(0, mesureMs);
        // And closed again: the plot's cost is measured against both sides, so that a drift of
        // the machine's load cancels out.
        fenetreCourbes->hide();
        bench::attendre(kMiseEnRouteMs);
        mouvementApres = mesurer(0, mesureMs);
    }
    controleur.terminate();
    controleur.waitForFinished(5000);

    std::printf("Idle cost and start-up\n");
    std::printf("Line: 9600 baud 8N2 (simulated controller); software OpenGL under the X "
                "server the benchmark runs in\n");
    std::printf("Machine: %s\n\n", qPrintable(bench::machine()));
    std::printf("  %-58s %10.0f\n", "start-up to the first listing, median ms",
                bench::centile(demarrage, 50));
    std::printf("  %-58s %10.0f\n", "start-up to the first listing, max ms",
                bench::centile(demarrage, 100));
    const auto ligne = [](const char* quoi, const Cout& c) {
        std::printf("  %-46s %8.1f %8.1f %10ld\n", quoi, c.moyenneMsParS, c.medianeMsParS, c.rssKo);
    };
    std::printf("\n  %-46s %8s %8s %10s\n", "processor ms per s, resident kB", "mean", "median/s",
                "resident");
    ligne("program process, manual mode", programme);
    ligne("in process, manual mode", manuel);
    ligne("in process, glove mode, still hand", suivi);
    ligne("in process, glove mode, moving hand", mouvement);
    ligne("in process, moving hand, plot window open", courbes);
    ligne("in process, moving hand, plot window closed", mouvementApres);
    std::printf(
        "  %-46s %8.1f %8.1f\n", "the plot window's own cost",
        courbes.moyenneMsParS - (mouvement.moyenneMsParS + mouvementApres.moyenneMsParS) / 2,
        courbes.medianeMsParS - (mouvement.medianeMsParS + mouvementApres.medianeMsParS) / 2);
    std::printf("  %-46s %28ld\n", "program process, peak resident kB", picKo);
    std::printf("\nStart-ups measured: %d; idle windows: %d ms (program process: %d ms)\n",
                demarrages, mesureMs, 2 * mesureMs);
    std::printf("\nReproduce: %s\n",
                qPrintable(bench::commande(arguments.first(),
                                           {{"demarrages", demarrages}, {"mesure-ms", mesureMs}})));
    return 0;
}
