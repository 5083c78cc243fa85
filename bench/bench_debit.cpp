// Pose throughput against the line, and the last target after the hand stops.
//
// The replay glove first moves the hand continuously: the poses taught per second are set
// against the ceiling that 9600 baud 8N2 allows for the bytes of one pose exchange, once the
// listings have had their share. Then the hand moves and stops, again and again: after each
// stop the last pose taught must be the target of the place where the hand stopped.
#include "app/globjectwindow.h"
#include "bench/analyseligne.h"
#include "bench/outilsbench.h"
#include "glove/suivi.h"
#include "robot/protocole.h"
#include "sim/simulateurpty.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <random>

namespace {
constexpr int kPasEchantillonMs = 10;
constexpr int kMiseEnRouteMs = 500; // left out of the throughput window
constexpr double kAmplitude = 600.0;

struct Arret
{
    double tempsMs;             // the last sample, on the replay's clock
    QList<QByteArray> attendue; // X Y Z P R of its target, as the wire carries them
};

// A smooth path through most of the workspace, fast enough to leave the dead band every tick.
// It starts at the origin, where tracking is armed and the glove re-zeroed.
Vecteur3f chemin(double tMs)
{
    const double t = tMs / 1000.0;
    return {float(kAmplitude * std::sin(2.1 * t)), float(kAmplitude * std::sin(1.7 * t)),
            float(kAmplitude * std::sin(2.6 * t))};
}

QByteArray texte(float valeur)
{
    return QByteArray::number(double(valeur), 'f', 3);
}

// The position as the replay reads it back from the file.
Vecteur3f relu(Vecteur3f p)
{
    return {float(texte(p.X).toDouble()), float(texte(p.Y).toDouble()),
            float(texte(p.Z).toDouble())};
}

QByteArray echantillon(double tMs, Vecteur3f p)
{
    return QByteArray::number(qint64(tMs)) + ' ' + texte(p.X) + ' ' + texte(p.Y) + ' ' +
           texte(p.Z) + " 0 0 0 0 0 0 0\n";
}

QByteArray fil(double valeur)
{
    return protocole::nombreFil(valeur).chopped(1);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const int mouvementMs = bench::optionEntiere(arguments, "mouvement-ms", 15000);
    const int nombreArrets = bench::optionEntiere(arguments, "arrets", 20);
    const int tenueMs = bench::optionEntiere(arguments, "tenue-ms", 900);
    const int graine = bench::optionEntiere(arguments, "graine", 1);

    std::mt19937 alea(static_cast<unsigned>(graine));
    std::uniform_int_distribution<int> dureeMouvement(300, 900);
    std::vector<Arret> arrets;
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath(QStringLiteral("mouvement.txt"));
    {
        QFile f(fichier);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("zelvor-gant 1\n");
        double t = 0;
        for (; t <= mouvementMs; t += kPasEchantillonMs)
            f.write(echantillon(t, chemin(t)));
        for (int j = 0; j < nombreArrets; ++j) {
            const double fin = t + dureeMouvement(alea);
            for (; t <= fin; t += kPasEchantillonMs)
                f.write(echantillon(t, chemin(t)));
            // The last move is a jump well beyond the dead band on every axis, so that the place
            // where the hand stops is the one tracking takes, whatever the tick's phase.
            Vecteur3f p = chemin(t);
            const float saut = j % 2 == 0 ? 120.0f : -120.0f;
            p = {p.X + saut, p.Y - saut, p.Z + saut};
            f.write(echantillon(t, p));
            const Vecteur3f cible = bornerCible(cibleDepuisGant(relu(p)));
            arrets.push_back(
                {t, {fil(cible.X), fil(-static_cast<double>(cible.Y)), fil(cible.Z), "-850", "0"}});
            t += tenueMs;
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
    {
        GLObjectWindow fenetre(nullptr, nullptr, cfg);
        if (fenetre.statutDemarrage() != 0)
            return 1;
        fenetre.show();
        bench::attendre(1500);
        const double avant = bench::maintenantMs();
        fenetre.Lancer();
        lancerMs = (avant + bench::maintenantMs()) / 2.0 - origineSim;
        bench::attendre(int(arrets.empty() ? mouvementMs : arrets.back().tempsMs) + tenueMs + 500);
    }
    const AnalyseLigne ligne(sim.transcript(), options.baud);
    sim.arreter();
    const auto& l = ligne.lignes();

    // Throughput while the hand moves: exchanges that lie wholly inside the window.
    const double debutFenetre = lancerMs + kMiseEnRouteMs;
    const double finFenetre = lancerMs + mouvementMs;
    const double octet = ligne.octetMs();
    int poses = 0, listings = 0;
    double poseReel = 0, poseSimule = 0, listingReel = 0, listingSimule = 0, toutesDirections = 0;
    double inactifEntre = 0, finPrecedente = -1;
    std::vector<double> tourDeParole; // within an exchange: a prompt to the next line
    int poseEnvoyes = 0, poseRecus = 0, listingEnvoyes = 0, listingRecus = 0;
    for (std::size_t i = 0; i < l.size(); ++i) {
        if (l[i].debutMs < debutFenetre || l[i].finMs > finFenetre)
            continue;
        const bool nouvelEchange = l[i].ligne == "defp A" || l[i].ligne == "listpv A";
        if (finPrecedente >= 0) {
            if (nouvelEchange)
                inactifEntre += std::max(0.0, l[i].debutMs - finPrecedente);
            else
                tourDeParole.push_back(l[i].debutMs - finPrecedente);
        }
        finPrecedente = l[i].finMs;
        if (l[i].ligne == "defp A" && i + 7 < l.size() && l[i + 7].finMs <= finFenetre) {
            ++poses;
            poseReel += ligne.dureePoseMs(int(i), false);
            poseSimule += ligne.dureePoseMs(int(i), true);
            poseEnvoyes = poseRecus = 0;
            for (int k = 0; k < 8; ++k) {
                poseEnvoyes += l[i + k].envoyes;
                poseRecus += l[i + k].echo + l[i + k].reponse;
            }
            toutesDirections += (poseEnvoyes + poseRecus) * octet;
        } else if (l[i].ligne == "listpv A") {
            ++listings;
            listingReel += l[i].octetsCritiques() * octet;
            listingSimule += l[i].octetsCritiquesSimules() * octet;
            listingEnvoyes = l[i].envoyes;
            listingRecus = l[i].echo + l[i].reponse;
        }
    }
    const double fenetreMs = finFenetre - debutFenetre;
    const double debit = poses * 1000.0 / fenetreMs;
    // What is left of each second once the listings have had their share, over one pose's time.
    const auto plafond = [&](double listingsMs, double posesMs) {
        return poses ? (fenetreMs - listingsMs) / (posesMs / poses) * 1000.0 / fenetreMs : 0.0;
    };
    const double plafondSimule = plafond(listingSimule, poseSimule);
    const double plafondReel = plafond(listingReel, poseReel);
    const double plafondSerie =
        plafond(listings * (listingEnvoyes + listingRecus) * octet, toutesDirections);

    // The last target, stop after stop.
    int manquees = 0;
    std::vector<double> reglage;
    for (const Arret& a : arrets) {
        const double arretMs = lancerMs + a.tempsMs;
        int derniere = -1;
        for (std::size_t i = 0; i < l.size() && l[i].debutMs < arretMs + tenueMs; ++i)
            if (l[i].ligne == "defp A")
                derniere = int(i);
        const QList<QByteArray> apprise = ligne.valeursPose(derniere);
        if (apprise != a.attendue) {
            ++manquees;
            std::printf("  stop at %.0f ms: taught %s, target %s\n", a.tempsMs,
                        apprise.join(' ').constData(), a.attendue.join(' ').constData());
            continue;
        }
        reglage.push_back(l[derniere + 7].finMs - arretMs);
    }

    std::printf("Pose throughput against the line, and the last target after each stop\n");
    std::printf("Line: 9600 baud 8N2, %.4f ms a byte; the replay's hand moves for %d ms, then "
                "stops %d times\n",
                ligne.octetMs(), mouvementMs, nombreArrets);
    std::printf("Machine: %s\n\n", qPrintable(bench::machine()));
    std::printf("One pose exchange (8 lines): %d bytes out, %d bytes back (echo included); "
                "%.1f ms on the wire\n",
                poseEnvoyes, poseRecus, poses ? poseReel / poses : 0.0);
    std::printf("One listing: %d bytes out, %d bytes back; %.1f ms on the wire\n", listingEnvoyes,
                listingRecus, listings ? listingReel / listings : 0.0);
    std::printf("On the wire: each line's bytes, then its answer after the echo (the echo travels "
                "back\nwhile the line goes out), %.4f ms a byte.\n\n",
                octet);
    std::printf("  %-60s %8s\n", "while the hand moves", "");
    std::printf("  %-60s %8.2f\n", "poses taught per second", debit);
    std::printf("  %-60s %8.2f\n", "listings per second", listings * 1000.0 / fenetreMs);
    std::printf("  %-60s %8.2f\n", "ceiling, poses per second, listings deducted", plafondSimule);
    std::printf("  %-60s %8.3f\n", "ratio taught / ceiling", debit / plafondSimule);
    std::printf("  %-60s %8.1f\n", "line idle between exchanges, ms per second",
                inactifEntre * 1000.0 / fenetreMs);
    if (!tourDeParole.empty())
        std::printf("  %-60s %8.2f\n", "prompt to next line within an exchange, median ms",
                    bench::centile(tourDeParole, 50));
    std::printf("  %-60s %8.2f\n", "ceiling on a real line (answers one byte time later)",
                plafondReel);
    std::printf("  %-60s %8.2f\n", "ceiling if every byte of both directions took turns",
                plafondSerie);
    std::printf("\n  %-60s %8d\n", "stops", int(arrets.size()));
    std::printf("  %-60s %8d\n", "stops whose last pose taught is not the target", manquees);
    if (!reglage.empty()) {
        std::printf("  %-60s %8.1f\n", "stop to the last pose's prompt, median ms",
                    bench::centile(reglage, 50));
        std::printf("  %-60s %8.1f\n", "stop to the last pose's prompt, max ms",
                    bench::centile(reglage, 100));
    }
    std::printf("\nReproduce: %s\n",
                qPrintable(bench::commande(arguments.first(), {{"mouvement-ms", mouvementMs},
                                                               {"arrets", nombreArrets},
                                                               {"tenue-ms", tenueMs},
                                                               {"graine", graine}})));
    return manquees == 0 ? 0 : 2;
}
