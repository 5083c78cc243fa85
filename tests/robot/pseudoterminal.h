#pragma once

// A bare pseudo-terminal for tests that play the controller's side byte by byte.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
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

    void ecrire(const QByteArray& octets)
    {
        [[maybe_unused]] ssize_t n = ::write(m_maitre, octets.constData(), octets.size());
    }
    // Whatever the link wrote, waiting at most delaiMs for the first byte.
    int lireDisponible(char* octets, int taille, int delaiMs)
    {
        pollfd p{m_maitre, POLLIN, 0};
        if (::poll(&p, 1, delaiMs) <= 0 || !(p.revents & POLLIN))
            return 0;
        const ssize_t n = ::read(m_maitre, octets, static_cast<size_t>(taille));
        return n > 0 ? static_cast<int>(n) : 0;
    }
    // Everything the link wrote until it has been quiet for delaiMs.
    QByteArray lireTout(int delaiMs)
    {
        QByteArray lu;
        char octets[256];
        for (int n; (n = lireDisponible(octets, sizeof octets, delaiMs)) > 0;)
            lu.append(octets, n);
        return lu;
    }
    void raccrocher()
    {
        ::close(m_esclaveFd); // -1 once hung up: nothing to close
        ::close(m_maitre);
        m_esclaveFd = m_maitre = -1;
    }

private:
    int m_maitre = -1;
    int m_esclaveFd = -1;
    QString m_esclave;
};

// A controller of the test's own on the master side of a pseudo-terminal. Each line it receives
// is answered with what `repondre` returns, written in one go as a controller's serial port sends
// it; answers can be held back and then given one line at a time. It notes every line that
// arrived while an earlier one was still unanswered: a link in step never does that.
class ControleurDouble
{
public:
    using Reponse = std::function<QByteArray(const QByteArray& ligne)>;

    static QByteArray echoEtPrompt(const QByteArray& ligne) { return ligne + "\r\n>"; }

    ControleurDouble(PseudoTerminal& pty, Reponse repondre = echoEtPrompt)
        : m_pty(pty), m_repondre(std::move(repondre)), m_fil([this] { boucle(); })
    {
    }
    ~ControleurDouble()
    {
        m_fin = true;
        m_fil.join();
    }

    // Answers nothing for `ms` from now, then answers what it holds one line at a time.
    void retenir(int ms) { m_retenuJusqua = maintenant() + ms; }
    void inonder(bool oui) { m_inondation = oui; }
    // `ligne` is answered `ms` after it arrived, as a slow command (homing) is; lines that arrive
    // meanwhile are ahead of their answer.
    void ralentir(const QByteArray& ligne, int ms)
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        m_lente = ligne;
        m_lenteMs = ms;
    }
    QList<QByteArray> lignes() const
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        return m_lignes;
    }
    int lignesEnAvance() const { return m_enAvance; }
    int repondues() const { return m_repondues; }

private:
    static long long maintenant() { return QDateTime::currentMSecsSinceEpoch(); }
    void boucle()
    {
        QByteArray ligne;
        QList<QByteArray> enAttente;
        while (!m_fin) {
            char octets[256];
            const int n = m_pty.lireDisponible(octets, sizeof octets, 2);
            for (int i = 0; i < n; ++i) {
                if (octets[i] != '\r') {
                    ligne += octets[i];
                    continue;
                }
                if (!enAttente.isEmpty())
                    ++m_enAvance;
                enAttente.append(ligne);
                std::lock_guard<std::mutex> garde(m_verrou);
                if (ligne == m_lente)
                    m_retenuJusqua = maintenant() + m_lenteMs;
                m_lignes.append(std::exchange(ligne, {}));
            }
            if (m_inondation)
                m_pty.ecrire(QByteArray(32, 'x'));
            // A flooding controller never gets round to answering.
            if (!enAttente.isEmpty() && !m_inondation && maintenant() >= m_retenuJusqua) {
                const QByteArray reponse = m_repondre(enAttente.takeFirst());
                ++m_repondues;
                m_pty.ecrire(reponse);
            }
        }
    }

    PseudoTerminal& m_pty;
    Reponse m_repondre;
    mutable std::mutex m_verrou;
    QList<QByteArray> m_lignes;
    QByteArray m_lente = "\x01"; // no line is that
    int m_lenteMs = 0;
    std::atomic<bool> m_fin{false};
    std::atomic<bool> m_inondation{false};
    std::atomic<long long> m_retenuJusqua{0};
    std::atomic<int> m_enAvance{0};
    std::atomic<int> m_repondues{0};
    std::thread m_fil;
};
