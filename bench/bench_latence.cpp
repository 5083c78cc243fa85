// Command onset latency: the replay glove steps the hand at known times, the controller
// simulator paces the line at 9600 baud 8N2, and for each step the time goes from the sample's
// time to the first byte of the pose exchange on the wire. Steps are classed by whether a
// listing held the line between the step and that first byte.
#include "app/globjectwindow.h"
#include "bench/analyseligne.h"
#include "bench/outilsbench.h"
#include "glove/cp5dll.h"
#include "glove/enregistrementp5.h"
#include "sim/simulateurpty.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <random>

namespace {
constexpr int kPremierPasMs = 1000;

struct Pas
{
    double tempsMs; // on the replay's clock
    float x;        // where the hand goes
    double onsetMs = -1;
    double tickMs = -1;     // from the step to the tick that saw it
    double plancherMs = -1; // the wait that the tick and the line impose anyway
    bool ligneOccupee = false;
    bool listingApresTick = false; // a listing took the line after the tick, before the pose
};

struct Tick
{
    double ms; // on the simulator's clock
    float x;   // what the tick read from the glove
};

void imprimerLigne(const char* cas, const std::vector<double>& v)
{
    if (v.empty()) {
        std::printf("  %-38s %5d\n", cas, 0);
        return;
    }
    std::printf("  %-38s %5zu %8.1f %8.1f %8.1f\n", cas, v.size(), bench::centile(v, 50),
                bench::centile(v, 95), bench::centile(v, 100));
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const int nombrePas = bench::optionEntiere(arguments, "pas", 100);
    const int intervalle = bench::optionEntiere(arguments, "intervalle", 400);
    const int graine = bench::optionEntiere(arguments, "graine", 1);
    // 1: one line per step; 2: also every line on the wire.
    const int detail = bench::optionEntiere(arguments, "detail", 0);

    // The hand jumps between two places, each step at a time that drifts against both the
    // tick and the listings, so that every phase of them is met.
    std::mt19937 alea(static_cast<unsigned>(graine));
    std::uniform_int_distribution<int> decalage(0, intervalle / 4);
    std::vector<Pas> pas;
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath(QStringLiteral("pas.txt"));
    {
        QFile f(fichier);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("zelvor-gant 1\n0 0 0 0 0 0 0 0 0 0 0\n");
        for (int k = 0; k < nombrePas; ++k) {
            const int t = kPremierPasMs + k * intervalle + decalage(alea);
            const int p = k % 2 == 0 ? 150 : 0;
            f.write(QStringLiteral("%1 %2 %2 %2 0 0 0 0 0 0 0\n").arg(t).arg(p).toLatin1());
            pas.push_back({double(t), float(p)});
        }
    }

    OptionsSimulateur options; // 9600 baud, 8N2
    SimulateurPty sim;
    QString erreur;
    if (!sim.demarrer(options, &erreur)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(erreur));
        return 1;
    }
    const double origineSim = bench::maintenantMs();
    ConfigurationZelvor cfg;
    cfg.port = sim.peripherique();
    cfg.gant = QStringLiteral("replay:") + fichier;
    double lancerMs = 0;
    std::vector<Tick> ticks;
    {
        GLObjectWindow fenetre(nullptr, nullptr, cfg);
        if (fenetre.statutDemarrage() != 0)
            return 1;
        fenetre.show();
        // Connected after the window's own slot: runs at the end of each tick, once the tick
        // has read the glove and asked for the move.
        QObject::connect(fenetre.timer, &QTimer::timeout, [&] {
            ticks.push_back(
                {bench::maintenantMs() - origineSim, fenetre.gant()->enregistrement()->positionX});
        });
        bench::attendre(1500); // "open", the start pose twice, the first listings
        const double avant = bench::maintenantMs();
        fenetre.Lancer(); // starts the tick and the replay's clock
        lancerMs = (avant + bench::maintenantMs()) / 2.0 - origineSim;
        bench::attendre(int(pas.back().tempsMs) + 1000);
    }
    const AnalyseLigne fil(sim.transcript(), options.baud);
    sim.arreter();

    if (detail >= 2) {
        for (const LigneSurFil& l : fil.lignes())
            std::printf("line %-10s %9.1f .. %9.1f ms (replay clock)\n", l.ligne.constData(),
                        l.debutMs - lancerMs, l.finMs - lancerMs);
        for (const Tick& t : ticks)
            std::printf("tick %9.1f ms, glove x %g\n", t.ms - lancerMs, double(t.x));
    }

    // Each step: the tick that first read the new place, then the first "defp" after it.
    std::size_t depuis = 0;
    std::size_t tick = 0;
    int perdus = 0;
    for (Pas& p : pas) {
        const double pasMs = lancerMs + p.tempsMs;
        while (tick < ticks.size() && (ticks[tick].ms < pasMs || ticks[tick].x != p.x))
            ++tick;
        // The first byte's time is known to half a millisecond.
        const int i =
            tick < ticks.size() ? fil.chercher("defp A", depuis, ticks[tick].ms - 1.0) : -1;
        if (i < 0 || fil.lignes()[i].debutMs - pasMs > intervalle) {
            ++perdus;
            continue;
        }
        depuis = std::size_t(i);
        const double debut = fil.lignes()[i].debutMs;
        const double tickMs = ticks[tick].ms;
        p.onsetMs = debut - pasMs;
        p.tickMs = tickMs - pasMs;
        // The floor: the tick, then the end of any listing on the line between the tick and
        // the pose's first byte: one that holds the line already, or one that took it first
        // (the two workers share one lock, which is not fair).
        double plancher = tickMs;
        for (const LigneSurFil& l : fil.lignes()) {
            if (l.ligne != "listpv A")
                continue;
            if (l.debutMs < debut && l.finMs > pasMs)
                p.ligneOccupee = true;
            if (l.debutMs < debut && l.finMs > tickMs) {
                plancher = std::max(plancher, l.finMs);
                if (l.debutMs > tickMs)
                    p.listingApresTick = true;
            }
        }
        p.plancherMs = plancher - pasMs;
        if (detail)
            std::printf("step at %6.0f ms: tick %5.1f, onset %6.1f, floor %6.1f ms%s\n", p.tempsMs,
                        p.tickMs, p.onsetMs, p.plancherMs,
                        p.ligneOccupee ? ", listing on the line" : "");
    }

    std::vector<double> libre, occupee, tous, attenteTick, exces;
    int listingsApresTick = 0;
    for (const Pas& p : pas) {
        listingsApresTick += p.listingApresTick;
        if (p.onsetMs < 0)
            continue;
        (p.ligneOccupee ? occupee : libre).push_back(p.onsetMs);
        tous.push_back(p.onsetMs);
        attenteTick.push_back(p.tickMs);
        exces.push_back(p.onsetMs - p.plancherMs);
    }
    double listingMs = 0;
    int listings = 0;
    for (const LigneSurFil& l : fil.lignes()) {
        if (l.ligne == "listpv A") {
            listingMs += (l.finMs - l.debutMs);
            ++listings;
        }
    }

    std::printf("Command onset latency: hand step (replay sample) to the first byte of the pose "
                "exchange on the wire\n");
    std::printf("Line: 9600 baud 8N2, %.4f ms a byte; tick 50 ms; %d steps, %d ms apart (+0..%d)\n",
                fil.octetMs(), nombrePas, intervalle, intervalle / 4);
    std::printf("Machine: %s\n\n", qPrintable(bench::machine()));
    std::printf("  %-38s %5s %8s %8s %8s\n", "ms", "n", "median", "p95", "max");
    imprimerLigne("line idle", libre);
    imprimerLigne("line busy with a listing", occupee);
    imprimerLigne("all steps", tous);
    imprimerLigne("of which: wait for the tick", attenteTick);
    imprimerLigne("above the floor (tick + line busy)", exces);
    std::printf("\nFloor: the wait for the next 50 ms tick (0 to 50 ms), plus the rest of a "
                "listing exchange\nthat holds the line then (one listing: %.1f ms on the wire, "
                "%d listings seen).\n",
                listings ? listingMs / listings : 0.0, listings);
    std::printf("Steps where a listing took the line after the tick, before the pose: %d\n",
                listingsApresTick);
    std::printf("Steps without a pose exchange within %d ms: %d\n", intervalle, perdus);
    std::printf("\nReproduce: %s\n",
                qPrintable(bench::commande(
                    arguments.first(),
                    {{"pas", nombrePas}, {"intervalle", intervalle}, {"graine", graine}})));
    return perdus == 0 ? 0 : 2;
}
