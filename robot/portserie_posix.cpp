#include "robot/portserie.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Waits for `evenement` on the port or for the interruption. Returns Octet when the port is ready.
Lecture attendrePret(int fd, int fdInterruption, short evenement, int delaiMs)
{
    pollfd attente[2] = {{fd, evenement, 0}, {fdInterruption, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(attente, 2, delaiMs);
        if (n < 0) {
            if (errno == EINTR)
                continue; // a signal handler ran; if it was ours the eventfd is readable now
            return Lecture::Raccroche;
        }
        if (n == 0)
            return Lecture::Delai;
        if (attente[1].revents & POLLIN)
            return Lecture::Interrompu;
        if (attente[0].revents & evenement)
            return Lecture::Octet;
        // POLLHUP, POLLERR or POLLNVAL without the wanted event: the device is gone.
        return Lecture::Raccroche;
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
    const QByteArray nom = chemin.toLocal8Bit();
    // Non-blocking so that a device waiting for carrier cannot hang the open; every wait is
    // poll()'s afterwards.
    const int fd = ::open(nom.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 2;
    // Exclusive access: a port that another program holds counts as one that cannot be opened.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return 2;
    }
    // Something that is not a terminal opens but takes no line settings.
    if (!::isatty(fd)) {
        ::close(fd);
        return 3;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return 2;
    }
    if (!configurerLigne(fd)) {
        ::close(fd);
        return 3;
    }
    m_fd = fd;
    return 1;
}

bool PortSerie::fermer()
{
    if (m_fd < 0)
        return false;
    ::ioctl(m_fd, TIOCNXCL);
    const bool ferme = ::close(m_fd) == 0; // also releases the flock
    m_fd = -1;
    return ferme;
}

Lecture PortSerie::ecrire(const char* donnees, std::size_t taille, int delaiMs)
{
    if (m_fd < 0)
        return Lecture::Raccroche;
    std::size_t ecrits = 0;
    while (ecrits < taille) {
        if (estInterrompu())
            return Lecture::Interrompu;
        const ssize_t n = ::write(m_fd, donnees + ecrits, taille - ecrits);
        if (n > 0) {
            ecrits += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return Lecture::Raccroche;
        const Lecture pret = attendrePret(m_fd, m_fdInterruption, POLLOUT, delaiMs);
        if (pret != Lecture::Octet)
            return pret;
    }
    return Lecture::Octet;
}

Lecture PortSerie::lireOctet(char& octet, int delaiMs)
{
    if (m_fd < 0)
        return Lecture::Raccroche;
    for (;;) {
        const Lecture pret = attendrePret(m_fd, m_fdInterruption, POLLIN, delaiMs);
        if (pret != Lecture::Octet)
            return pret;
        const ssize_t n = ::read(m_fd, &octet, 1);
        if (n == 1)
            return Lecture::Octet;
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue; // spurious readiness: wait again (the delay restarts, it is only a bound)
        return Lecture::Raccroche; // 0 at once or EIO: nothing will come on this descriptor
    }
}

void PortSerie::viderEntree()
{
    if (m_fd < 0)
        return;
    ::tcflush(m_fd, TCIFLUSH);
    char rebut[256];
    while (::read(m_fd, rebut, sizeof rebut) > 0) {
    }
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
