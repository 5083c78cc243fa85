#include "glove/sourceosc.h"

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
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// One pass of the receiver takes at most this many packets before handing the latest state
// over: under a flood the GUI thread still sees the hand move.
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
        std::fprintf(stderr,
                     "zelvor: osc: %llu paquet(s) ignoré(s) (%llu au total), le dernier de "
                     "%s:%u : %s\n",
                     m_enAttente, m_total, qPrintable(texteAdresse(m_expediteur.sin_addr.s_addr)),
                     unsigned(ntohs(m_expediteur.sin_port)), m_probleme);
        m_enAttente = 0;
        m_prochainSignal = maintenant + std::chrono::seconds(1);
    }

private:
    unsigned long long m_total = 0;
    unsigned long long m_enAttente = 0;
    const char* m_probleme = "";
    sockaddr_in m_expediteur{};
    Horloge::time_point m_prochainSignal; // the clock's epoch: the first fault goes out at once
};
} // namespace

std::unique_ptr<SourceOsc> SourceOsc::creer(const QString& parametres, QString* erreur)
{
    const auto echec = [erreur](const QString& message) {
        if (erreur)
            *erreur = QStringLiteral("osc: ") + message;
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
        return echec(QStringLiteral("port manquant ou invalide dans \"%1\" (attendu : osc:PORT ou "
                                    "osc:ADRESSE:PORT@HÔTE[,HÔTE...])")
                         .arg(parametres));
    }
    const std::vector<std::uint32_t> ecoutes = resoudre(texteEcoute);
    if (ecoutes.empty())
        return echec(QStringLiteral("adresse d'écoute inconnue : \"%1\"").arg(texteEcoute));
    std::vector<std::uint32_t> autorises;
    if (arobase >= 0) {
        for (const QString& hote : parametres.mid(arobase + 1).split(QLatin1Char(','))) {
            const std::vector<std::uint32_t> adresses = resoudre(hote.trimmed());
            if (adresses.empty())
                return echec(QStringLiteral("expéditeur autorisé inconnu : \"%1\"").arg(hote));
            autorises.insert(autorises.end(), adresses.begin(), adresses.end());
        }
    }
    const std::uint32_t adresse = ecoutes.front();
    // Anyone on the lab's network could otherwise drive the arm.
    if (autorises.empty() && ntohl(adresse) >> 24 != 127) {
        return echec(QStringLiteral("écouter sur %1, hors de la boucle locale, demande la liste "
                                    "des expéditeurs autorisés : osc:%1:%2@HÔTE[,HÔTE...]")
                         .arg(texteEcoute)
                         .arg(port));
    }

    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = adresse;
    // No SO_REUSEADDR: a port already taken must be refused, not shared.
    if (s < 0 || ::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const QString raison = QString::fromLocal8Bit(std::strerror(errno));
        if (s >= 0)
            ::close(s);
        return echec(QStringLiteral("impossible d'écouter sur %1:%2 (%3)")
                         .arg(texteAdresse(adresse))
                         .arg(port)
                         .arg(raison));
    }
    std::unique_ptr<SourceOsc> source(new SourceOsc(s, std::move(autorises)));
    if (::pipe2(source->m_reveil, O_CLOEXEC) != 0)
        return echec(QString::fromLocal8Bit(std::strerror(errno)));
    return source;
}

SourceOsc::SourceOsc(int socket, std::vector<std::uint32_t> autorises)
    : m_socket(socket), m_autorises(std::move(autorises))
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

void SourceOsc::recevoir()
{
    // The largest UDP payload; anything the kernel cuts is refused, not half read.
    std::vector<unsigned char> tampon(65536);
    Signaleur signaleur;
    EtatGant etat;
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        etat = m_etatRecu;
    }
    EtatGant publie = etat;
    Horloge::time_point prochainePublication = Horloge::now();
    for (;;) {
        int delaiMs = signaleur.attenteMs();
        if (etat != publie)
            delaiMs = plusCourte(delaiMs, msJusqua(prochainePublication));
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
            if (!m_autorises.empty() && std::find(m_autorises.begin(), m_autorises.end(),
                                                  expediteur.sin_addr.s_addr) == m_autorises.end())
                probleme = "expéditeur non autorisé";
            else if (std::size_t(n) > tampon.size())
                probleme = "paquet trop grand";
            else
                probleme = appliquerPaquetOsc(tampon.data(), std::size_t(n), &etat);
            if (probleme)
                signaleur.noter(probleme, expediteur);
        }
        const Horloge::time_point maintenant = Horloge::now();
        if (etat != publie && maintenant >= prochainePublication) {
            publier(etat);
            publie = etat;
            prochainePublication = maintenant + kEcartPublications;
        }
        signaleur.signalerSiDu();
    }
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
