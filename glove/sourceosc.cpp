#include "glove/sourceosc.h"

#include "glove/fluxosc.h"
#include "glove/paquetosc.h"

#include <QStringList>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// One pass of the receiver takes at most this many datagrams, or connections, before handing
// the latest state over: under a flood the GUI thread still sees the hand move.
constexpr int kPaquetsParPassage = 64;
// The least time between two hand-overs to the GUI thread. A tracker's messages, tens of ms
// apart, cross at once; a flood crosses at most 500 times a second, each time with the latest
// state, so that it costs the GUI thread (and a recording) next to nothing.
constexpr std::chrono::milliseconds kEcartPublications{2};

using Horloge = std::chrono::steady_clock;

// A poll() wait until `instant`, rounded up (waking early would only loop back), at least 0.
int msJusqua(Horloge::time_point instant)
{
    const auto reste = std::chrono::ceil<std::chrono::milliseconds>(instant - Horloge::now());
    return int(std::max<long long>(0, reste.count()));
}

// The shorter of two poll() waits, -1 standing for no limit.
int plusCourte(int a, int b)
{
    return a < 0 ? b : b < 0 ? a : std::min(a, b);
}

// IPv4 addresses of a host name or a dotted quad, in network order; empty when it resolves to
// none.
std::vector<std::uint32_t> resoudre(const QString& hote)
{
    addrinfo indices{};
    indices.ai_family = AF_INET;
    indices.ai_socktype = SOCK_DGRAM;
    addrinfo* liste = nullptr;
    std::vector<std::uint32_t> adresses;
    if (hote.isEmpty() || getaddrinfo(hote.toUtf8().constData(), nullptr, &indices, &liste) != 0)
        return adresses;
    for (const addrinfo* a = liste; a; a = a->ai_next)
        adresses.push_back(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(liste);
    return adresses;
}

// A tracker whose network went away sends nothing more, not even the end of its connection:
// without probes, its dead connection would hold a place for the system's two hours, and a few
// of them would lock the tracker out. A peer that acknowledges nothing for about 10 s is gone.
void sonderConnexion(int fd)
{
    const int un = 1, inactifS = 5, intervalleS = 1, sondes = 5;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &un, sizeof un);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &inactifS, sizeof inactifS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalleS, sizeof intervalleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &sondes, sizeof sondes);
}

QString texteAdresse(std::uint32_t adresse)
{
    char texte[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = adresse;
    inet_ntop(AF_INET, &a, texte, sizeof texte);
    return QString::fromLatin1(texte);
}

// Bad input on standard error, at most one line a second: the first fault at once, then, a
// second after the last line, how many more came and the latest of them.
class Signaleur
{
public:
    // "osc", "packet(s) ignored": what the line says.
    Signaleur(const char* voie, const char* quoi) : m_voie(voie), m_quoi(quoi) {}

    void noter(const char* probleme, const sockaddr_in& expediteur)
    {
        ++m_total;
        ++m_enAttente;
        m_probleme = probleme;
        m_expediteur = expediteur;
        signalerSiDu();
    }

    // The wait until a line is due; -1 when nothing waits to be reported.
    int attenteMs() const { return m_enAttente == 0 ? -1 : msJusqua(m_prochainSignal); }

    void signalerSiDu()
    {
        const Horloge::time_point maintenant = Horloge::now();
        if (m_enAttente == 0 || maintenant < m_prochainSignal)
            return;
        std::fprintf(stderr, "zelvor: %s: %llu %s (%llu in all), the latest from %s:%u: %s\n",
                     m_voie, m_enAttente, m_quoi, m_total,
                     qPrintable(texteAdresse(m_expediteur.sin_addr.s_addr)),
                     unsigned(ntohs(m_expediteur.sin_port)), m_probleme);
        m_enAttente = 0;
        m_prochainSignal = maintenant + std::chrono::seconds(1);
    }

private:
    const char* const m_voie;
    const char* const m_quoi;
    unsigned long long m_total = 0;
    unsigned long long m_enAttente = 0;
    const char* m_probleme = "";
    sockaddr_in m_expediteur{};
    Horloge::time_point m_prochainSignal; // the clock's epoch: the first fault goes out at once
};

// When the receiver's latest state is due to cross to the GUI thread: as soon as it changed,
// but no sooner than kEcartPublications after the previous crossing.
class Passage
{
public:
    explicit Passage(const EtatGant& etat) : m_publie(etat) {}

    // The wait until a crossing is due; -1 when `etat` has crossed already.
    int attenteMs(const EtatGant& etat) const
    {
        return etat == m_publie ? -1 : msJusqua(m_prochaine);
    }

    bool du(const EtatGant& etat)
    {
        const Horloge::time_point maintenant = Horloge::now();
        if (etat == m_publie || maintenant < m_prochaine)
            return false;
        m_publie = etat;
        m_prochaine = maintenant + kEcartPublications;
        return true;
    }

private:
    EtatGant m_publie;
    Horloge::time_point m_prochaine = Horloge::now();
};
} // namespace

std::unique_ptr<SourceOsc> SourceOsc::creer(const QString& parametres, QString* erreur,
                                            Transport transport, BornesOscTcp bornes)
{
    const bool tcp = transport == Transport::Tcp;
    const QString voie = tcp ? QStringLiteral("osc.tcp") : QStringLiteral("osc");
    const auto echec = [erreur, &voie](const QString& message) {
        if (erreur)
            *erreur = voie + QStringLiteral(": ") + message;
        return nullptr;
    };
    const int arobase = int(parametres.indexOf(QLatin1Char('@')));
    const QString ecoute = arobase < 0 ? parametres : parametres.left(arobase);
    const int deuxPoints = int(ecoute.lastIndexOf(QLatin1Char(':')));
    const QString texteEcoute =
        deuxPoints < 0 ? QStringLiteral("127.0.0.1") : ecoute.left(deuxPoints);
    bool nombre = false;
    const uint port = ecoute.mid(deuxPoints + 1).toUInt(&nombre);
    if (!nombre || port == 0 || port > 65535) {
        return echec(QStringLiteral("port missing or invalid in \"%1\" (expected: %2:PORT or "
                                    "%2:ADDRESS:PORT@HOST[,HOST...])")
                         .arg(parametres, voie));
    }
    const std::vector<std::uint32_t> ecoutes = resoudre(texteEcoute);
    if (ecoutes.empty())
        return echec(QStringLiteral("unknown listening address \"%1\"").arg(texteEcoute));
    std::vector<std::uint32_t> autorises;
    if (arobase >= 0) {
        for (const QString& hote : parametres.mid(arobase + 1).split(QLatin1Char(','))) {
            const std::vector<std::uint32_t> adresses = resoudre(hote.trimmed());
            if (adresses.empty())
                return echec(QStringLiteral("unknown allowed sender \"%1\"").arg(hote));
            autorises.insert(autorises.end(), adresses.begin(), adresses.end());
        }
    }
    const std::uint32_t adresse = ecoutes.front();
    const bool boucleLocale = ntohl(adresse) >> 24 == 127;
    // Anyone on the lab's network could otherwise drive the arm.
    if (autorises.empty() && !boucleLocale) {
        return echec(QStringLiteral("listening on %1, beyond the loopback, needs the list of "
                                    "allowed senders: %3:%1:%2@HOST[,HOST...]")
                         .arg(texteEcoute)
                         .arg(port)
                         .arg(voie));
    }

    const int s =
        ::socket(AF_INET, (tcp ? SOCK_STREAM | SOCK_NONBLOCK : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = adresse;
    // UDP: no SO_REUSEADDR, a port already taken must be refused, not shared. A TCP listener
    // needs it to listen again while the last session's connections linger in TIME_WAIT; Linux
    // still refuses a port that another socket listens on.
    const int oui = 1;
    if (s < 0 || (tcp && ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &oui, sizeof oui) != 0) ||
        ::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        (tcp && ::listen(s, int(bornes.connexionsMax)) != 0)) {
        const QString raison = QString::fromLocal8Bit(std::strerror(errno));
        if (s >= 0)
            ::close(s);
        return echec(QStringLiteral("cannot listen on %1:%2 (%3)")
                         .arg(texteAdresse(adresse))
                         .arg(port)
                         .arg(raison));
    }
    std::unique_ptr<SourceOsc> source(new SourceOsc(s, transport, std::move(autorises), bornes));
    if (::pipe2(source->m_reveil, O_CLOEXEC) != 0)
        return echec(QString::fromLocal8Bit(std::strerror(errno)));
    if (!tcp && !boucleLocale) {
        std::fprintf(stderr, "zelvor: osc: warning: a UDP sender's address can be forged; the list "
                             "of senders keeps out honest mistakes, not an attacker. On a network "
                             "you are not sure of, use osc.tcp: or a tunnel.\n");
    }
    return source;
}

SourceOsc::SourceOsc(int socket, Transport transport, std::vector<std::uint32_t> autorises,
                     BornesOscTcp bornes)
    : m_socket(socket), m_transport(transport), m_autorises(std::move(autorises)), m_bornes(bornes)
{
}

SourceOsc::~SourceOsc()
{
    fermer();
    for (int fd : {m_socket, m_reveil[0], m_reveil[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool SourceOsc::ouvrir()
{
    if (!m_recepteur.joinable())
        m_recepteur = std::thread([this] { recevoir(); });
    return true;
}

void SourceOsc::fermer()
{
    if (!m_recepteur.joinable())
        return;
    const char arret = 0;
    while (::write(m_reveil[1], &arret, 1) < 0 && errno == EINTR) {
    }
    m_recepteur.join();
    char vide;
    while (::read(m_reveil[0], &vide, 1) < 0 && errno == EINTR) {
    }
}

bool SourceOsc::autorise(std::uint32_t adresse) const
{
    return m_autorises.empty() ||
           std::find(m_autorises.begin(), m_autorises.end(), adresse) != m_autorises.end();
}

void SourceOsc::recevoir()
{
    EtatGant etat;
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        etat = m_etatRecu;
    }
    if (m_transport == Transport::Udp)
        recevoirDatagrammes(etat);
    else
        recevoirFlux(etat);
}

void SourceOsc::recevoirDatagrammes(EtatGant etat)
{
    // The largest UDP payload; anything the kernel cuts is refused, not half read.
    std::vector<unsigned char> tampon(65536);
    Signaleur signaleur("osc", "packet(s) ignored");
    Passage passage(etat);
    for (;;) {
        const int delaiMs = plusCourte(signaleur.attenteMs(), passage.attenteMs(etat));
        pollfd attente[2] = {{m_socket, POLLIN, 0}, {m_reveil[0], POLLIN, 0}};
        if (::poll(attente, 2, delaiMs) < 0 && errno != EINTR)
            return;
        if (attente[1].revents != 0)
            return;
        for (int k = 0; k < kPaquetsParPassage; ++k) {
            sockaddr_in expediteur{};
            socklen_t tailleAdresse = sizeof expediteur;
            const ssize_t n =
                ::recvfrom(m_socket, tampon.data(), tampon.size(), MSG_DONTWAIT | MSG_TRUNC,
                           reinterpret_cast<sockaddr*>(&expediteur), &tailleAdresse);
            if (n < 0)
                break;
            const char* probleme = nullptr;
            if (!autorise(expediteur.sin_addr.s_addr))
                probleme = "sender not allowed";
            else if (std::size_t(n) > tampon.size())
                probleme = "packet too large";
            else
                probleme = appliquerPaquetOsc(tampon.data(), std::size_t(n), &etat);
            if (probleme)
                signaleur.noter(probleme, expediteur);
        }
        if (passage.du(etat))
            publier(etat);
        signaleur.signalerSiDu();
    }
}

void SourceOsc::recevoirFlux(EtatGant etat)
{
    struct Connexion
    {
        int fd;
        sockaddr_in pair;
        FluxOsc flux;
        Horloge::time_point finTrame{};   // when the frame begun must be whole
        Horloge::time_point finSeconde{}; // the end of the second that the counts below cover
        int trames = 0;
        std::size_t octets = 0;
    };
    std::vector<Connexion> connexions;
    // One read takes at most this much from a connection, then the others have their turn.
    std::vector<unsigned char> tampon(FluxOsc::kTrameMax + 4);
    Signaleur paquets("osc.tcp", "packet(s) ignored");
    Signaleur refus("osc.tcp", "connection(s) refused or closed");
    Passage passage(etat);
    // Out of descriptors, accept() fails while the listener stays readable: wait a little
    // rather than spin.
    Horloge::time_point accepterApres;
    const auto fermer = [&refus](Connexion& c, const char* pourquoi) {
        if (pourquoi)
            refus.noter(pourquoi, c.pair);
        ::close(c.fd);
        c.fd = -1;
    };
    for (;;) {
        int delaiMs =
            plusCourte(plusCourte(paquets.attenteMs(), refus.attenteMs()), passage.attenteMs(etat));
        const bool accepter = Horloge::now() >= accepterApres;
        if (!accepter)
            delaiMs = plusCourte(delaiMs, msJusqua(accepterApres));
        std::vector<pollfd> attente{{m_reveil[0], POLLIN, 0},
                                    {m_socket, short(accepter ? POLLIN : 0), 0}};
        for (const Connexion& c : connexions) {
            attente.push_back({c.fd, POLLIN, 0});
            if (c.flux.entame())
                delaiMs = plusCourte(delaiMs, msJusqua(c.finTrame));
        }
        if (::poll(attente.data(), attente.size(), delaiMs) < 0 && errno != EINTR)
            break;
        if (attente[0].revents != 0)
            break;
        const Horloge::time_point maintenant = Horloge::now();
        for (std::size_t i = 0; i < connexions.size(); ++i) {
            Connexion& c = connexions[i];
            const ssize_t n = attente[i + 2].revents == 0
                                  ? -1
                                  : ::recv(c.fd, tampon.data(), tampon.size(), MSG_DONTWAIT);
            if (n == 0 || (n < 0 && attente[i + 2].revents != 0 && errno != EAGAIN &&
                           errno != EWOULDBLOCK && errno != EINTR)) {
                fermer(c, c.flux.entame() ? "frame cut off" : nullptr);
                continue;
            }
            if (n > 0) {
                if (maintenant >= c.finSeconde) {
                    c.finSeconde = maintenant + std::chrono::seconds(1);
                    c.trames = 0;
                    c.octets = 0;
                }
                c.octets += std::size_t(n);
                if (c.octets > m_bornes.octetsParSeconde) {
                    fermer(c, "byte flood");
                    continue;
                }
                const bool entameAvant = c.flux.entame();
                c.flux.ajouter(tampon.data(), std::size_t(n));
                const char* faute = nullptr;
                bool paquetEntier = false;
                const unsigned char* paquet = nullptr;
                std::size_t taille = 0;
                for (FluxOsc::Suite suite;
                     (suite = c.flux.suivant(&paquet, &taille)) != FluxOsc::Suite::Attente;) {
                    if (suite == FluxOsc::Suite::TropGrande) {
                        faute = "frame over 64 KiB";
                        break;
                    }
                    if (++c.trames > m_bornes.tramesParSeconde) {
                        faute = "packet flood";
                        break;
                    }
                    paquetEntier = true;
                    if (const char* probleme = appliquerPaquetOsc(paquet, taille, &etat))
                        paquets.noter(probleme, c.pair);
                }
                if (faute) {
                    fermer(c, faute);
                    continue;
                }
                // The wait runs from the first byte of each frame.
                if (c.flux.entame() && (paquetEntier || !entameAvant))
                    c.finTrame = maintenant + m_bornes.attenteTrame;
            }
            if (c.flux.entame() && maintenant >= c.finTrame)
                fermer(c, "frame left incomplete");
        }
        connexions.erase(std::remove_if(connexions.begin(), connexions.end(),
                                        [](const Connexion& c) { return c.fd < 0; }),
                         connexions.end());
        for (int k = 0; k < kPaquetsParPassage && attente[1].revents != 0; ++k) {
            sockaddr_in pair{};
            socklen_t taille = sizeof pair;
            const int fd = ::accept4(m_socket, reinterpret_cast<sockaddr*>(&pair), &taille,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    accepterApres = maintenant + std::chrono::milliseconds(100);
                if (errno != EINTR && errno != ECONNABORTED)
                    break;
                continue;
            }
            // The handshake was completed from this address: unlike a datagram's, it is not
            // forged.
            const char* refusee = !autorise(pair.sin_addr.s_addr) ? "host not allowed"
                                  : connexions.size() >= m_bornes.connexionsMax
                                      ? "too many connections"
                                      : nullptr;
            if (refusee) {
                refus.noter(refusee, pair);
                ::close(fd);
                continue;
            }
            sonderConnexion(fd);
            connexions.push_back({fd, pair, {}, {}, {}, 0, 0});
        }
        if (passage.du(etat))
            publier(etat);
        paquets.signalerSiDu();
        refus.signalerSiDu();
    }
    for (const Connexion& c : connexions)
        ::close(c.fd);
}

void SourceOsc::publier(const EtatGant& etat)
{
    std::lock_guard<std::mutex> verrou(m_verrou);
    m_etatRecu = etat;
    if (m_appelEnAttente)
        return; // the call on its way will take this newer state
    m_appelEnAttente = true;
    QMetaObject::invokeMethod(
        &m_contexte, [this] { prendreEtat(); }, Qt::QueuedConnection);
}

void SourceOsc::prendreEtat()
{
    EtatGant recu;
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        recu = m_etatRecu;
        m_appelEnAttente = false;
    }
    if (recu == m_etat)
        return;
    m_etat = recu;
    signalerChangement();
}
