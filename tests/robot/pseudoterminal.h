#pragma once

// A bare pseudo-terminal for tests that play the controller's side byte by byte.
#include <QByteArray>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_maitre = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_maitre < 0 || ::grantpt(m_maitre) != 0 || ::unlockpt(m_maitre) != 0)
            return;
        m_esclave = QString::fromLocal8Bit(::ptsname(m_maitre));
        // Keep the slave side alive and raw while the link under test opens and closes it.
        m_esclaveFd = ::open(m_esclave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        ::tcgetattr(m_esclaveFd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_esclaveFd, TCSANOW, &t);
    }
    ~PseudoTerminal() { raccrocher(); }

    QString esclave() const { return m_esclave; }
    bool valide() const { return m_maitre >= 0 && m_esclaveFd >= 0; }

    void ecrire(const QByteArray& octets)
    {
        [[maybe_unused]] ssize_t n = ::write(m_maitre, octets.constData(), octets.size());
    }
    // Reads what the link wrote until `fin` has arrived or `delaiMs` passed.
    QByteArray lireJusqua(char fin, int delaiMs = 2000)
    {
        QByteArray lu;
        pollfd p{m_maitre, POLLIN, 0};
        while (::poll(&p, 1, delaiMs) > 0) {
            char c;
            if (::read(m_maitre, &c, 1) != 1)
                break;
            lu.append(c);
            if (c == fin)
                break;
        }
        return lu;
    }
    void raccrocher()
    {
        if (m_esclaveFd >= 0)
            ::close(m_esclaveFd);
        if (m_maitre >= 0)
            ::close(m_maitre);
        m_esclaveFd = m_maitre = -1;
    }

private:
    int m_maitre = -1;
    int m_esclaveFd = -1;
    QString m_esclave;
};
