#include "robot/portserie.h"

#include "robot/journalligne.h"
#include "robot/portreseau.h"
#include "robot/rfc2217.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Connecting, and over Telnet setting the line, on a network where a round trip takes
// milliseconds; the bound matters only for a server that is off or does not speak the protocol.
constexpr int kDelaiReseauMs = 3000;
// A Telnet answer owed to the server is a few bytes; it never waits long for room.
constexpr int kDelaiReponseTelnetMs = 1000;

long long maintenantMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString messageErreur(int numero)
{
    return QString::fromLocal8Bit(strerror(numero));
}

// Waits for `evenement` on the port or for the interruption. Returns Octet when the port is ready.
IssuePort attendrePret(int fd, int fdInterruption, short evenement, int delaiMs)
{
    pollfd attente[2] = {{fd, evenement, 0}, {fdInterruption, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(attente, 2, delaiMs);
        if (n < 0) {
            if (errno == EINTR)
                continue; // a signal handler ran; if it was ours the eventfd is readable now
            return IssuePort::Raccroche;
        }
        if (n == 0)
            return IssuePort::Delai;
        if (attente[1].revents & POLLIN)
            return IssuePort::Interrompu;
        if (attente[0].revents & evenement)
            return IssuePort::Octet;
        // POLLHUP, POLLERR or POLLNVAL without the wanted event: the device is gone.
        return IssuePort::Raccroche;
    }
}

bool configurerLigne(int fd)
{
    termios ligne{};
    // The full set is written, as a whole, without reusing what the device had.
    ligne.c_iflag = IGNBRK;                        // raw input, no flow control, keep NULs
    ligne.c_oflag = 0;                             // raw output
    ligne.c_cflag = CS8 | CSTOPB | CREAD | CLOCAL; // 8N2, no parity, no hardware handshake
    ligne.c_lflag = 0;                             // no echo, no line editing, no signals
    ligne.c_cc[VMIN] = 0;
    ligne.c_cc[VTIME] = 0;
    if (::cfsetispeed(&ligne, B9600) != 0 || ::cfsetospeed(&ligne, B9600) != 0)
        return false;
    if (::tcsetattr(fd, TCSANOW, &ligne) != 0)
        return false;
    // Raise DTR and RTS. A pseudo-terminal has no modem lines and answers ENOTTY (or EINVAL):
    // nothing to raise there, so that is not a configuration failure.
    int lignesModem = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIS, &lignesModem) != 0 && errno != ENOTTY && errno != EINVAL)
        return false;
    return true;
}

} // namespace

PortSerie::PortSerie() : m_fdInterruption(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PortSerie::~PortSerie()
{
    fermer();
    if (m_fdInterruption >= 0)
        ::close(m_fdInterruption);
}

int PortSerie::ouvrir(const QString& chemin)
{
    fermer();
    QString raison;
    const int resultat = portreseau::estReseau(chemin)
                             ? ouvrirReseau(chemin, raison)
                             : ouvrirPeripherique(chemin.toLocal8Bit(), raison);
    m_nom = chemin;
    if (m_trace)
        m_trace->evenement(resultat == 1 ? "open" : "error",
                           resultat == 1 ? chemin : chemin + QStringLiteral(": ") + raison);
    return resultat;
}

int PortSerie::ouvrirPeripherique(const QByteArray& nom, QString& raison)
{
    // Non-blocking so that a device waiting for carrier cannot hang the open; every wait is
    // poll()'s afterwards.
    const int fd = ::open(nom.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        raison = messageErreur(errno);
        return 2;
    }
    const auto echec = [&](int resultat, const char* quoi) {
        raison = QLatin1String(quoi);
        ::close(fd);
        return resultat;
    };
    // Exclusive access: a port that another program holds counts as one that cannot be opened.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return echec(2, "held by another program");
    // Something that is not a terminal opens but takes no line settings.
    if (!::isatty(fd))
        return echec(3, "not a terminal");
    if (::ioctl(fd, TIOCEXCL) != 0)
        return echec(2, "held by another program");
    if (!configurerLigne(fd))
        return echec(3, "line settings refused");
    m_fd = fd;
    m_genre = Genre::Peripherique;
    return 1;
}

int PortSerie::ouvrirReseau(const QString& chemin, QString& raison)
{
    AdresseReseau adresse;
    if (!portreseau::analyser(chemin, adresse, &raison))
        return 2;
    // A socket is nobody else's: there is no lock to take, and no termios to set.
    m_fd = portreseau::connecter(adresse, m_fdInterruption, kDelaiReseauMs, &raison);
    if (m_fd < 0)
        return 2;
    m_genre = adresse.rfc2217 ? Genre::Rfc2217 : Genre::Tcp;
    if (m_genre == Genre::Tcp)
        return 1;
    m_telnet = std::make_unique<Rfc2217>();
    const int resultat = negocier(raison);
    if (resultat != 1) {
        ::close(m_fd);
        m_fd = -1;
        m_telnet.reset();
    }
    return resultat;
}

// The port is open only once the server has confirmed the speed and the framing: bytes written
// before that would reach the controller at the server's own settings, as garbage.
int PortSerie::negocier(QString& raison)
{
    const QByteArray ouverture = m_telnet->ouverture();
    if (ecrireBrut(ouverture.constData(), std::size_t(ouverture.size()), kDelaiReseauMs) !=
        IssuePort::Octet) {
        raison = QStringLiteral("connection lost while setting the line");
        return 2;
    }
    const long long echeance = maintenantMs() + kDelaiReseauMs;
    bool reglagesEnvoyes = false;
    QByteArray jetes;
    for (;;) {
        if (m_telnet->refuse()) {
            raison = QStringLiteral("the server refused the line settings");
            return 3;
        }
        if (m_telnet->regle())
            break;
        if (m_telnet->optionAcceptee() && !reglagesEnvoyes) {
            const QByteArray reglages = Rfc2217::reglages();
            if (ecrireBrut(reglages.constData(), std::size_t(reglages.size()), kDelaiReseauMs) !=
                IssuePort::Octet) {
                raison = QStringLiteral("connection lost while setting the line");
                return 2;
            }
            reglagesEnvoyes = true;
        }
        const long long reste = echeance - maintenantMs();
        char recu = 0;
        const IssuePort lue = reste > 0 ? lireBrut(recu, int(reste)) : IssuePort::Delai;
        if (lue == IssuePort::Delai) {
            raison = QStringLiteral("the server did not confirm the line settings");
            return 3;
        }
        if (lue != IssuePort::Octet) {
            raison = QStringLiteral("connection lost while setting the line");
            return 2;
        }
        QByteArray reponse;
        char donnee = 0;
        if (m_telnet->recevoir(static_cast<unsigned char>(recu), donnee, reponse))
            jetes.append(donnee); // the controller spoke before its line was set: noise
        if (!reponse.isEmpty())
            ecrireBrut(reponse.constData(), std::size_t(reponse.size()), kDelaiReponseTelnetMs);
    }
    if (m_trace && !jetes.isEmpty())
        m_trace->jete(jetes.constData(), std::size_t(jetes.size()));
    return 1;
}

bool PortSerie::fermer()
{
    if (m_fd < 0)
        return false;
    if (m_genre == Genre::Peripherique)
        ::ioctl(m_fd, TIOCNXCL);
    const bool ferme = ::close(m_fd) == 0; // also releases the flock
    m_fd = -1;
    m_telnet.reset();
    if (m_trace)
        m_trace->evenement("close", m_nom);
    return ferme;
}

IssuePort PortSerie::ecrire(const char* donnees, std::size_t taille, int delaiMs)
{
    if (m_fd < 0)
        return IssuePort::Raccroche;
    if (m_trace)
        m_trace->ecrit(donnees, taille);
    IssuePort issue;
    if (m_telnet) {
        const QByteArray echappes = Rfc2217::echapper(donnees, taille);
        issue = ecrireBrut(echappes.constData(), std::size_t(echappes.size()), delaiMs);
    } else {
        issue = ecrireBrut(donnees, taille, delaiMs);
    }
    if (m_trace && issue == IssuePort::Raccroche)
        m_trace->evenement("hangup", m_nom);
    return issue;
}

IssuePort PortSerie::ecrireBrut(const char* donnees, std::size_t taille, int delaiMs)
{
    std::size_t ecrits = 0;
    while (ecrits < taille) {
        if (estInterrompu())
            return IssuePort::Interrompu;
        // A peer that went away must not raise SIGPIPE: that would end the program.
        const ssize_t n = m_genre == Genre::Peripherique
                              ? ::write(m_fd, donnees + ecrits, taille - ecrits)
                              : ::send(m_fd, donnees + ecrits, taille - ecrits, MSG_NOSIGNAL);
        if (n > 0) {
            ecrits += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return IssuePort::Raccroche;
        const IssuePort pret = attendrePret(m_fd, m_fdInterruption, POLLOUT, delaiMs);
        if (pret != IssuePort::Octet)
            return pret;
    }
    return IssuePort::Octet;
}

IssuePort PortSerie::lireOctet(char& octet, int delaiMs)
{
    if (m_fd < 0)
        return IssuePort::Raccroche;
    const IssuePort issue = m_telnet ? lireTelnet(octet, delaiMs) : lireBrut(octet, delaiMs);
    if (m_trace)
        tracerLecture(issue, octet);
    return issue;
}

IssuePort PortSerie::lireBrut(char& octet, int delaiMs)
{
    for (;;) {
        const IssuePort pret = attendrePret(m_fd, m_fdInterruption, POLLIN, delaiMs);
        if (pret != IssuePort::Octet)
            return pret;
        const ssize_t n = ::read(m_fd, &octet, 1);
        if (n == 1)
            return IssuePort::Octet;
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue; // spurious readiness: wait again (the delay restarts, it is only a bound)
        return IssuePort::Raccroche; // 0 at once or EIO: nothing will come on this descriptor
    }
}

IssuePort PortSerie::lireTelnet(char& octet, int delaiMs)
{
    // Negotiation bytes take time but are no answer: the bound runs over all of them.
    const long long echeance = delaiMs < 0 ? -1 : maintenantMs() + delaiMs;
    for (;;) {
        const long long reste = echeance < 0 ? -1 : std::max(0LL, echeance - maintenantMs());
        unsigned char recu = 0;
        const IssuePort lue = lireBrut(reinterpret_cast<char&>(recu), int(reste));
        if (lue != IssuePort::Octet)
            return lue;
        QByteArray reponse;
        const bool donnee = m_telnet->recevoir(recu, octet, reponse);
        if (!reponse.isEmpty())
            ecrireBrut(reponse.constData(), std::size_t(reponse.size()), kDelaiReponseTelnetMs);
        if (donnee)
            return IssuePort::Octet;
    }
}

void PortSerie::tracerLecture(IssuePort issue, char octet)
{
    switch (issue) {
    case IssuePort::Octet:
        m_trace->lu(octet);
        break;
    case IssuePort::Raccroche:
        m_trace->evenement("hangup", m_nom);
        break;
    case IssuePort::Delai:
    case IssuePort::Interrompu:
        m_trace->terminerLecture();
        break;
    }
}

QByteArray PortSerie::viderEntree()
{
    if (m_fd < 0)
        return {};
    // Read rather than flushed, so that the trace shows what was dropped; bounded, so that a
    // flooding peer cannot hold the caller here.
    QByteArray jetes;
    char tampon[256];
    for (int i = 0; i < 256; ++i) {
        const ssize_t n = ::read(m_fd, tampon, sizeof tampon);
        if (n <= 0)
            break;
        if (!m_telnet) {
            jetes.append(tampon, n);
            continue;
        }
        QByteArray reponse;
        for (ssize_t k = 0; k < n; ++k) {
            char donnee = 0;
            if (m_telnet->recevoir(static_cast<unsigned char>(tampon[k]), donnee, reponse))
                jetes.append(donnee);
        }
        if (!reponse.isEmpty())
            ecrireBrut(reponse.constData(), std::size_t(reponse.size()), kDelaiReponseTelnetMs);
    }
    if (m_trace && !jetes.isEmpty())
        m_trace->jete(jetes.constData(), std::size_t(jetes.size()));
    return jetes;
}

void PortSerie::interrompre()
{
    const std::uint64_t un = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_fdInterruption, &un, sizeof un);
}

bool PortSerie::estInterrompu() const
{
    pollfd p{m_fdInterruption, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

bool PortSerie::activerTrace(const QString& fichier, QString* erreur)
{
    auto trace = std::make_unique<JournalLigne>();
    if (!trace->ouvrir(fichier, erreur))
        return false;
    m_trace = std::move(trace);
    return true;
}

void PortSerie::nommerEchange(const char* nom)
{
    if (m_trace)
        m_trace->nommerEchange(nom);
}
