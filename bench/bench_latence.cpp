// Command onset latency: the replay glove steps the hand at known times, the controller
// simulator paces the line at 9600 baud 8N2, and for each step the time goes from the sample's
// time to the first byte of the pose exchange on the wire. Steps are classed by whether a
// listing held the line between the step and that first byte. The same steps are measured with
// the line reached directly and through ser2net on the loopback (raw TCP and RFC 2217), and the
// one-way time of a command through each path is measured on its own, to the microsecond. On
// the pseudo-terminal, the steps are measured again with the hand given by other gloves: OSC
// messages over UDP and over TCP, and a stick step of a virtual gamepad.
#include "app/globjectwindow.h"
#include "bench/analyseligne.h"
#include "bench/outilsbench.h"
#include "glove/cp5dll.h"
#include "glove/enregistrementp5.h"
#include "glove/sourcegant.h"
#include "glove/sourcemanette.h"
#include "glove/suivi.h"
#include "robot/portserie.h"
#include "sim/simulateurpty.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <SDL.h>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <lo/lo.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

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

// Where the hand comes from: the replay (its samples are the steps), or a thread of the
// benchmark that makes each step at its time, as a tracker or a hand on the pad would.
enum class Gant
{
    Rejeu,
    OscUdp,
    OscTcp,
    Manette
};

const char* const kDescriptionGant[] = {
    "replay, each step timed from its sample's time",
    "OSC over UDP on 127.0.0.1, each step timed from its message",
    "OSC over TCP on 127.0.0.1 (one connection, OSC 1.0 framing), each step timed from its message",
    "virtual gamepad, each step timed from the stick's push to full travel, held for 150 ms"};

// The tick's dead band (EtatSuivi::bandeFiltre).
constexpr float kBande = 30.0f;
// How long the stick is held for a step: the hand moves 150 units, as the other gloves' steps.
constexpr int kTenueManetteMs = 150;

struct Tick
{
    double ms; // on the simulator's clock
    float x;   // what the tick read from the glove
};

// How the program reaches the simulator's line: the pseudo-terminal itself, or ser2net on the
// loopback in front of it.
struct Voie
{
    const char* nom;
    const char* schema; // empty: the pseudo-terminal; else the URL scheme for ser2net
};
const Voie kVoies[] = {
    {"pseudo-terminal", ""}, {"ser2net, socket://", "socket"}, {"ser2net, rfc2217://", "rfc2217"}};

// What a measurement gives, for the comparison between the paths.
struct Resume
{
    double tousMediane = 0, tousP95 = 0, excesMediane = 0, excesP95 = 0;
};

// A free loopback port of `type` (SOCK_STREAM, SOCK_DGRAM), released for someone else to bind.
int portLibre(int type)
{
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t taille = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), taille);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &taille);
    ::close(fd);
    return ntohs(a.sin_port);
}

// ser2net serving `peripherique` on a free loopback port: the raw server sets the line to 9600
// 8N2 itself; the RFC 2217 one starts it at 19200 8N1 and the program sets it. The URL the
// program opens, or empty when ser2net did not start listening.
QString lancerSer2net(QProcess& processus, const QString& dossier, const QString& peripherique,
                      const QString& schema)
{
    const int port = portLibre(SOCK_STREAM); // released for ser2net
    const bool telnet = schema == QLatin1String("rfc2217");
    QFile f(dossier + QStringLiteral("/ser2net-") + schema + QStringLiteral(".yaml"));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(QStringLiteral("connection: &robot\n  accepter: %1,127.0.0.1,%2\n"
                           "  connector: serialdev,%3,%4,local\n")
                .arg(telnet ? "telnet(rfc2217),tcp" : "tcp")
                .arg(port)
                .arg(peripherique, telnet ? "19200n81" : "9600n82")
                .toUtf8());
    f.close();
    processus.start(QStringLiteral("ser2net"),
                    {"-n", "-u", "-c", f.fileName(), "-P", f.fileName() + QStringLiteral(".pid")});
    const QByteArray enEcoute =
        ":" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0') + " 00000000:0000 0A";
    for (int i = 0; i < 250 && processus.state() != QProcess::NotRunning; ++i) {
        QFile tcp(QStringLiteral("/proc/net/tcp"));
        if (tcp.open(QIODevice::ReadOnly) && tcp.readAll().contains(enEcoute))
            return QStringLiteral("%1://127.0.0.1:%2").arg(schema).arg(port);
        bench::attendre(20);
    }
    return {};
}

// One command from the port's write to its first byte on the far side of the line, `n` times,
// through the program's own port code: what a path costs by itself, in microseconds.
std::vector<double> allerSimple(const Voie& voie, const QString& dossier, int n)
{
    const int maitre = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (maitre < 0 || ::grantpt(maitre) != 0 || ::unlockpt(maitre) != 0)
        return {};
    const QString esclave = QString::fromLocal8Bit(::ptsname(maitre));
    // Held open, raw, so that the line survives ser2net opening and closing it.
    const int garde = ::open(esclave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios modes{};
    ::tcgetattr(garde, &modes);
    ::cfmakeraw(&modes);
    ::tcsetattr(garde, TCSANOW, &modes);
    std::vector<double> us;
    {
        QProcess ser2net;
        const QString port =
            *voie.schema ? lancerSer2net(ser2net, dossier, esclave, voie.schema) : esclave;
        PortSerie ligne;
        if (!port.isEmpty() && ligne.ouvrir(port) == 1) {
            for (int i = 0; i < n; ++i) {
                pollfd p{maitre, POLLIN, 0};
                const double avant = bench::maintenantMs();
                if (ligne.ecrire("defp A\r", 7) != IssuePort::Octet || ::poll(&p, 1, 1000) != 1)
                    break;
                us.push_back((bench::maintenantMs() - avant) * 1000.0);
                char tampon[16];
                for (ssize_t recus = 0; recus < 7 && ::poll(&p, 1, 1000) == 1;)
                    recus += std::max<ssize_t>(0, ::read(maitre, tampon, sizeof tampon));
                ::usleep(1000); // each command alone on the line, as a pose's lines are
            }
        }
        ligne.fermer();
        ser2net.terminate();
        ser2net.waitForFinished();
    }
    ::close(garde);
    ::close(maitre);
    return us;
}

// A free UDP port on the loopback, released for the OSC glove to bind.
int portUdpLibre()
{
    return portLibre(SOCK_DGRAM);
}

// Sends the steps as a tracker would, one /zelvor/gant message each at its time after
// `origineMs`, over UDP or over one TCP connection, and notes when each one left: the step is
// timed from its message.
void envoyerPasOsc(int port, bool tcp, double origineMs, std::vector<Pas>* pas)
{
    lo_address cible =
        lo_address_new_with_proto(tcp ? LO_TCP : LO_UDP, "127.0.0.1", std::to_string(port).c_str());
    for (Pas& p : *pas) {
        const double attente = origineMs + p.tempsMs - bench::maintenantMs();
        if (attente > 0)
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(attente));
        p.tempsMs = bench::maintenantMs() - origineMs;
        lo_send(cible, "/zelvor/gant", "fffiiiiiii", p.x, p.x, p.x, 0, 0, 0, 0, 0, 0, 0);
    }
    lo_address_free(cible);
}

// Pushes the virtual pad's left stick to full travel at each step's time, towards the step's
// place, holds it kTenueManetteMs and lets it go: the step is timed from the push. SDL's
// joystick calls lock its joysticks, so this thread and the GUI thread's readings do not meet.
void pousserManche(SDL_Joystick* manette, double origineMs, std::vector<Pas>* pas)
{
    for (Pas& p : *pas) {
        const double attente = origineMs + p.tempsMs - bench::maintenantMs();
        if (attente > 0)
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(attente));
        p.tempsMs = bench::maintenantMs() - origineMs;
        SDL_JoystickSetVirtualAxis(manette, SDL_CONTROLLER_AXIS_LEFTX, p.x > 0 ? 32767 : -32768);
        std::this_thread::sleep_for(std::chrono::milliseconds(kTenueManetteMs));
        SDL_JoystickSetVirtualAxis(manette, SDL_CONTROLLER_AXIS_LEFTX, 0);
    }
}

// From a message's sending to the glove's change on the GUI thread, `n` times, in microseconds:
// what the OSC path adds before a tick can read the glove.
std::vector<double> passageOsc(int n, bool tcp)
{
    const int port = tcp ? portLibre(SOCK_STREAM) : portUdpLibre();
    std::unique_ptr<SourceGant> source =
        creerSourceGant(QStringLiteral("%1:%2").arg(tcp ? "osc.tcp" : "osc").arg(port), nullptr);
    if (!source || !source->ouvrir())
        return {};
    lo_address cible =
        lo_address_new_with_proto(tcp ? LO_TCP : LO_UDP, "127.0.0.1", std::to_string(port).c_str());
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        bench::attendre(3); // beyond the source's least spacing of hand-overs
        QEventLoop boucle;
        QTimer::singleShot(1000, &boucle, &QEventLoop::quit);
        const double envoi = bench::maintenantMs();
        source->definirAbonne([&] {
            us.push_back((bench::maintenantMs() - envoi) * 1000.0);
            boucle.quit();
        });
        lo_send(cible, "/zelvor/gant/position", "fff", i % 2 ? 0.0 : 150.0, 0.0, 0.0);
        boucle.exec();
    }
    source->definirAbonne({});
    lo_address_free(cible);
    return us;
}

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

int mesurer(const QStringList& arguments, const Voie& voie, Resume& resume, Gant gant = Gant::Rejeu)
{
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
    // Whichever the path, the line must end at the controller's settings.
    options.exigerReglage = true;
    SimulateurPty sim;
    QString erreur;
    if (!sim.demarrer(options, &erreur)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(erreur));
        return 1;
    }
    const double origineSim = bench::maintenantMs();
    ConfigurationZelvor cfg;
    QProcess ser2net;
    cfg.port = *voie.schema
                   ? lancerSer2net(ser2net, dossier.path(), sim.peripherique(), voie.schema)
                   : sim.peripherique();
    if (cfg.port.isEmpty()) {
        std::fprintf(stderr, "ser2net did not start\n");
        return 1;
    }
    cfg.gant = QStringLiteral("replay:") + fichier;
    const int portOsc = gant == Gant::OscUdp   ? portUdpLibre()
                        : gant == Gant::OscTcp ? portLibre(SOCK_STREAM)
                                               : 0;
    if (portOsc)
        cfg.gant =
            QStringLiteral("%1:%2").arg(gant == Gant::OscTcp ? "osc.tcp" : "osc").arg(portOsc);
    // The pad is SDL's virtual one, attached in this process before the glove looks for it.
    SDL_Joystick* manette = nullptr;
    if (gant == Gant::Manette) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        manette = SDL_JoystickOpen(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER,
                                                             SDL_CONTROLLER_AXIS_MAX,
                                                             SDL_CONTROLLER_BUTTON_MAX, 0));
        cfg.gant = QStringLiteral("manette");
    }
    double lancerMs = 0;
    std::vector<Tick> ticks;
    {
        GLObjectWindow fenetre(nullptr, nullptr, cfg);
        if (fenetre.statutDemarrage() != 0)
            return 1;
        fenetre.show();
        // Connected after the window's own slot: runs at the end of each tick, once the tick
        // has read the glove and asked for the move.
        QObject::connect(fenetre.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly),
                         &QTimer::timeout, [&] {
                             ticks.push_back({bench::maintenantMs() - origineSim,
                                              fenetre.gant()->enregistrement()->positionX});
                         });
        bench::attendre(1500); // "open", the start pose twice, the first listings
        const double avant = bench::maintenantMs();
        fenetre.Lancer(); // starts the tick and the replay's clock
        lancerMs = (avant + bench::maintenantMs()) / 2.0 - origineSim;
        const int dureeMs = int(pas.back().tempsMs) + 1000;
        std::thread expediteur;
        if (portOsc) {
            expediteur = std::thread(envoyerPasOsc, portOsc, gant == Gant::OscTcp,
                                     origineSim + lancerMs, &pas);
        } else if (manette) {
            expediteur = std::thread(pousserManche, manette, origineSim + lancerMs, &pas);
        }
        bench::attendre(dureeMs);
        if (expediteur.joinable())
            expediteur.join();
    }
    if (manette) {
        SDL_JoystickClose(manette);
        SDL_JoystickDetachVirtual(0);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    const AnalyseLigne fil(sim.transcript(), options.baud);
    sim.arreter();
    ser2net.terminate();
    ser2net.waitForFinished();

    if (detail >= 2) {
        for (const LigneSurFil& l : fil.lignes())
            std::printf("line %-10s %9.1f .. %9.1f ms (replay clock)\n", l.ligne.constData(),
                        l.debutMs - lancerMs, l.finMs - lancerMs);
        for (const Tick& t : ticks)
            std::printf("tick %9.1f ms, glove x %g\n", t.ms - lancerMs, double(t.x));
    }

    // The ticks whose reading left the dead band, as the tick's own filter sees it: the hand's
    // place against the last one taken. A step is sent by the first of them after it.
    std::vector<bool> horsBande(ticks.size());
    float pris = 0.0f; // "Lancer" re-zeroed the hand where it was
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const float lu = filtreBande(ticks[i].x, pris, kBande);
        horsBande[i] = lu != pris;
        pris = lu;
    }
    // Each step: the tick that first sent it, then the first "defp" after that tick.
    std::size_t depuis = 0;
    std::size_t tick = 0;
    int perdus = 0;
    for (Pas& p : pas) {
        const double pasMs = lancerMs + p.tempsMs;
        while (tick < ticks.size() && (ticks[tick].ms < pasMs || !horsBande[tick]))
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
        // The floor: the tick, then the end of whatever held the line between the tick and the
        // pose's first byte: a listing that holds the line already or took it first (the two
        // workers share one lock, which is not fair), or, with the pad, whose steps send a few
        // poses each, the pose before.
        double plancher = tickMs;
        for (const LigneSurFil& l : fil.lignes()) {
            if (l.debutMs < debut && l.finMs > pasMs)
                p.ligneOccupee = true;
            if (l.debutMs < debut && l.finMs > tickMs) {
                plancher = std::max(plancher, l.finMs);
                if (l.ligne == "listpv A" && l.debutMs > tickMs)
                    p.listingApresTick = true;
            }
        }
        p.plancherMs = plancher - pasMs;
        if (detail)
            std::printf("step at %6.0f ms: tick %5.1f, onset %6.1f, floor %6.1f ms%s\n", p.tempsMs,
                        p.tickMs, p.onsetMs, p.plancherMs, p.ligneOccupee ? ", line busy" : "");
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

    std::printf("Command onset latency: hand step to the first byte of the pose exchange on the "
                "wire\n");
    std::printf("Path: %s\n", voie.nom);
    std::printf("Glove: %s\n", kDescriptionGant[int(gant)]);
    std::printf("Line: 9600 baud 8N2, %.4f ms a byte; tick 50 ms; %d steps, %d ms apart (+0..%d)\n",
                fil.octetMs(), nombrePas, intervalle, intervalle / 4);
    std::printf("Machine: %s\n\n", qPrintable(bench::machine()));
    std::printf("  %-38s %5s %8s %8s %8s\n", "ms", "n", "median", "p95", "max");
    imprimerLigne("line idle", libre);
    imprimerLigne("line busy (a listing, a pose before)", occupee);
    imprimerLigne("all steps", tous);
    imprimerLigne("of which: wait for the tick", attenteTick);
    imprimerLigne("above the floor (tick + line busy)", exces);
    std::printf("\nFloor: the wait for the next 50 ms tick (0 to 50 ms), plus the rest of the "
                "exchange that holds\nthe line then: a listing (one listing: %.1f ms on the wire, "
                "%d listings seen) or a pose before.\n",
                listings ? listingMs / listings : 0.0, listings);
    if (gant == Gant::Manette)
        std::printf("With the pad, the tick is the first to read the hand beyond the 30-unit dead "
                    "band\nfrom its last place taken: at full travel the hand gets 30 units away "
                    "30 ms after the\npush, plus up to %d ms to the pad's next reading; that "
                    "time is in the wait for the tick.\n",
                    kPeriodeManetteMs);
    std::printf("Steps where a listing took the line after the tick, before the pose: %d\n",
                listingsApresTick);
    std::printf("Steps without a pose exchange within %d ms: %d\n", intervalle, perdus);
    std::printf("\nReproduce: %s\n",
                qPrintable(bench::commande(
                    arguments.first(),
                    {{"pas", nombrePas}, {"intervalle", intervalle}, {"graine", graine}})));
    if (!tous.empty())
        resume = {bench::centile(tous, 50), bench::centile(tous, 95), bench::centile(exces, 50),
                  bench::centile(exces, 95)};
    return perdus == 0 ? 0 : 2;
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const int commandes = bench::optionEntiere(arguments, "commandes", 1000);
    QTemporaryDir dossier;
    int statut = 0;
    std::vector<Resume> resumes;
    for (const Voie& voie : kVoies) {
        resumes.emplace_back();
        statut = std::max(statut, mesurer(arguments, voie, resumes.back()));
        std::printf("\n");
    }
    // The other gloves on the pseudo-terminal, against the replay glove's figures there.
    const std::pair<Gant, const char*> autres[] = {{Gant::OscUdp, "OSC over UDP"},
                                                   {Gant::OscTcp, "OSC over TCP"},
                                                   {Gant::Manette, "gamepad stick step"}};
    std::vector<Resume> gants;
    for (const auto& [gant, nom] : autres) {
        gants.emplace_back();
        statut = std::max(statut, mesurer(arguments, kVoies[0], gants.back(), gant));
        std::printf("\n");
    }
    std::printf("The other gloves against the replay glove, on the pseudo-terminal, in ms:\n");
    std::printf("  %-22s %12s %12s %14s %14s\n", "", "all, median", "all, p95", "floor+, median",
                "floor+, p95");
    for (std::size_t i = 0; i < gants.size(); ++i)
        std::printf("  %-22s %+12.1f %+12.1f %+14.1f %+14.1f\n", autres[i].second,
                    gants[i].tousMediane - resumes[0].tousMediane,
                    gants[i].tousP95 - resumes[0].tousP95,
                    gants[i].excesMediane - resumes[0].excesMediane,
                    gants[i].excesP95 - resumes[0].excesP95);
    std::printf("\n");
    for (const bool tcp : {false, true}) {
        const std::vector<double> passage = passageOsc(commandes, tcp);
        if (passage.empty())
            statut = std::max(statut, 1);
        else
            std::printf("One OSC message over %s, from its sending to the glove's change on the "
                        "GUI thread,\n%zu times, in microseconds: median %.0f, p95 %.0f, max "
                        "%.0f\n\n",
                        tcp ? "TCP" : "UDP", passage.size(), bench::centile(passage, 50),
                        bench::centile(passage, 95), bench::centile(passage, 100));
    }
    std::printf("What the path adds to the onset, against the pseudo-terminal, in ms (the line's\n"
                "time stamps are whole milliseconds):\n");
    std::printf("  %-22s %12s %12s %14s %14s\n", "", "all, median", "all, p95", "floor+, median",
                "floor+, p95");
    for (std::size_t i = 1; i < resumes.size(); ++i)
        std::printf("  %-22s %+12.1f %+12.1f %+14.1f %+14.1f\n", kVoies[i].nom,
                    resumes[i].tousMediane - resumes[0].tousMediane,
                    resumes[i].tousP95 - resumes[0].tousP95,
                    resumes[i].excesMediane - resumes[0].excesMediane,
                    resumes[i].excesP95 - resumes[0].excesP95);

    std::printf("\nOne command (\"defp A\\r\"), from the port's write to its first byte on the "
                "far side of\nthe line, %d times a path, in microseconds:\n",
                commandes);
    std::printf("  %-22s %8s %8s %8s %8s\n", "", "n", "median", "p95", "max");
    double direct = 0;
    for (const Voie& voie : kVoies) {
        const std::vector<double> us = allerSimple(voie, dossier.path(), commandes);
        if (us.empty()) {
            std::printf("  %-22s did not run\n", voie.nom);
            statut = std::max(statut, 1);
            continue;
        }
        const double mediane = bench::centile(us, 50);
        direct = *voie.schema ? direct : mediane;
        std::printf("  %-22s %8zu %8.0f %8.0f %8.0f", voie.nom, us.size(), mediane,
                    bench::centile(us, 95), bench::centile(us, 100));
        if (*voie.schema)
            std::printf("   (median %+.0f us over the pseudo-terminal)", mediane - direct);
        std::printf("\n");
    }
    std::printf(
        "\nReproduce: %s\n",
        qPrintable(bench::commande(
            arguments.first(), {{"pas", bench::optionEntiere(arguments, "pas", 100)},
                                {"intervalle", bench::optionEntiere(arguments, "intervalle", 400)},
                                {"graine", bench::optionEntiere(arguments, "graine", 1)},
                                {"commandes", commandes}})));
    return statut;
}
