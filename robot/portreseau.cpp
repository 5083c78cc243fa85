#include "robot/portreseau.h"

#include <QRegularExpression>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kSocket = QStringLiteral("socket://");
const QString kRfc2217 = QStringLiteral("rfc2217://");

void direPourquoi(QString* raison, const QString& texte)
{
    if (raison)
        *raison = texte;
}

// A dead peer or a pulled cable sends nothing: without these the connection would look alive,
// and the controller merely silent, for the two hours of the system's default keepalive.
void reglerSocket(int fd)
{
    const int un = 1;
    const int inactifS = 5;
    const int intervalleS = 1;
    const int sondes = 5;
    const unsigned int sansAccuseMs = 10000;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &un, sizeof un); // commands are a few bytes
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &un, sizeof un);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &inactifS, sizeof inactifS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalleS, sizeof intervalleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &sondes, sizeof sondes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &sansAccuseMs, sizeof sansAccuseMs);
}

// 0 once connected, else an errno value; EINTR when interrupted.
int attendreConnexion(int fd, int fdInterruption, long long echeanceMs)
{
    using namespace std::chrono;
    for (;;) {
        const long long reste =
            echeanceMs -
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        if (reste <= 0)
            return ETIMEDOUT;
        pollfd attente[2] = {{fd, POLLOUT, 0}, {fdInterruption, POLLIN, 0}};
        const int n = ::poll(attente, 2, int(reste));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (attente[1].revents & POLLIN)
            return EINTR;
        if (n > 0) {
            int erreur = 0;
            socklen_t taille = sizeof erreur;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &erreur, &taille) != 0)
                return errno;
            return erreur;
        }
    }
}

} // namespace

namespace portreseau {

bool estReseau(const QString& chemin)
{
    return chemin.startsWith(kSocket, Qt::CaseInsensitive) ||
           chemin.startsWith(kRfc2217, Qt::CaseInsensitive);
}

bool analyser(const QString& chemin, AdresseReseau& adresse, QString* probleme)
{
    static const QRegularExpression forme(
        QStringLiteral("^(socket|rfc2217)://(?:\\[([0-9A-Fa-f:.]+(?:%[\\w.-]+)?)\\]|([\\w.-]+))"
                       ":([0-9]{1,5})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = forme.match(chemin);
    const int service = m.captured(4).toInt();
    if (!m.hasMatch() || service < 1 || service > 65535) {
        direPourquoi(probleme, QStringLiteral("'%1' is not socket://HOST:PORT or "
                                              "rfc2217://HOST:PORT (an IPv6 address in brackets, "
                                              "a port from 1 to 65535)")
                                   .arg(chemin));
        return false;
    }
    adresse.rfc2217 = m.captured(1).compare(QStringLiteral("rfc2217"), Qt::CaseInsensitive) == 0;
    adresse.hote = (m.captured(2).isEmpty() ? m.captured(3) : m.captured(2)).toUtf8();
    adresse.service = QByteArray::number(service);
    return true;
}

int connecter(const AdresseReseau& adresse, int fdInterruption, int delaiMs, QString* raison)
{
    using namespace std::chrono;
    const long long echeance =
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + delaiMs;
    addrinfo indications{};
    indications.ai_family = AF_UNSPEC;
    indications.ai_socktype = SOCK_STREAM;
    indications.ai_flags = AI_NUMERICSERV;
    addrinfo* adresses = nullptr;
    const int resolu = ::getaddrinfo(adresse.hote.constData(), adresse.service.constData(),
                                     &indications, &adresses);
    if (resolu != 0) {
        direPourquoi(raison, QString::fromLocal8Bit(::gai_strerror(resolu)));
        return -1;
    }
    int fd = -1;
    int erreur = EHOSTUNREACH;
    // Every address in the resolver's order (IPv6 and IPv4 alike), within the one bound.
    for (const addrinfo* a = adresses; a && fd < 0 && erreur != EINTR; a = a->ai_next) {
        const int essai =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (essai < 0) {
            erreur = errno;
            continue;
        }
        erreur = ::connect(essai, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (erreur == EINPROGRESS)
            erreur = attendreConnexion(essai, fdInterruption, echeance);
        if (erreur == 0)
            fd = essai;
        else
            ::close(essai);
    }
    ::freeaddrinfo(adresses);
    if (fd < 0) {
        direPourquoi(raison, erreur == EINTR ? QStringLiteral("interrupted")
                                             : QString::fromLocal8Bit(strerror(erreur)));
        return -1;
    }
    reglerSocket(fd);
    return fd;
}

} // namespace portreseau
