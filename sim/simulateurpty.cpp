#include "sim/simulateurpty.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <random>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

void fermer(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// On Linux the master of a pseudo-terminal reports the slave's settings: what the program, or a
// port server in front of it, has set.
bool ligneReglee(int maitre)
{
    termios modes{};
    if (::tcgetattr(maitre, &modes) != 0)
        return false;
    const speed_t entree = ::cfgetispeed(&modes);
    return ::cfgetospeed(&modes) == B9600 && (entree == B9600 || entree == B0) &&
           (modes.c_cflag & CSIZE) == CS8 && (modes.c_cflag & CSTOPB) && !(modes.c_cflag & PARENB);
}

QString messageSysteme(const char* quoi, int numero)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(quoi),
                                        QString::fromLocal8Bit(strerror(numero)));
}

} // namespace

SimulateurPty::SimulateurPty() = default;

SimulateurPty::~SimulateurPty()
{
    arreter();
}

bool SimulateurPty::demarrer(const OptionsSimulateur& options, QString* erreur)
{
    const auto echec = [&](const QString& message) {
        if (erreur)
            *erreur = message;
        nettoyer();
        return false;
    };
    if (enMarche())
        return echec(QStringLiteral("the simulator is already running"));

    m_options = options;
    OptionsInterpreteur oi;
    oi.homeMs = options.homeMs;
    oi.vitesse = options.vitesse;
    oi.silenceApres = options.silenceApres;
    oi.raccrocheApres = options.raccrocheApres;
    oi.bruit = options.bruit;
    oi.listingLong = options.listingLong;
    oi.graine = options.graineBruit != 0 ? options.graineBruit : std::random_device{}();
    m_interpreteur = InterpreteurScorbot(oi);
    m_transcript.clear();
    m_arret = false;
    m_raccrocherDemande = false;
    m_raccroche = false;

    m_maitre = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_maitre < 0)
        return echec(messageSysteme("posix_openpt", errno));
    if (::grantpt(m_maitre) != 0 || ::unlockpt(m_maitre) != 0)
        return echec(messageSysteme("grantpt/unlockpt", errno));
    char nom[128];
    if (::ptsname_r(m_maitre, nom, sizeof nom) != 0)
        return echec(messageSysteme("ptsname", errno));
    m_peripherique = QString::fromLocal8Bit(nom);

    m_esclave = ::open(nom, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_esclave < 0)
        return echec(messageSysteme("open slave", errno));
    // Raw until the program sets its own termios: no echo back into our input, no CR/LF mangling.
    termios modes{};
    if (::tcgetattr(m_esclave, &modes) != 0)
        return echec(messageSysteme("tcgetattr", errno));
    ::cfmakeraw(&modes);
    if (::tcsetattr(m_esclave, TCSANOW, &modes) != 0)
        return echec(messageSysteme("tcsetattr", errno));
    if (::fcntl(m_maitre, F_SETFL, ::fcntl(m_maitre, F_GETFL) | O_NONBLOCK) != 0)
        return echec(messageSysteme("fcntl", errno));

    m_reveil = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_reveil < 0)
        return echec(messageSysteme("eventfd", errno));

    if (!options.fichierTranscript.isEmpty()) {
        m_fichier.setFileName(options.fichierTranscript);
        if (!m_fichier.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return echec(options.fichierTranscript + QStringLiteral(": ") +
                         m_fichier.errorString());
    }

    if (!options.lien.isEmpty()) {
        const QByteArray lien = QFile::encodeName(options.lien);
        // A link left by a simulator that was killed is replaced; anything else is not ours.
        if (QFileInfo(options.lien).isSymLink())
            ::unlink(lien.constData());
        if (::symlink(nom, lien.constData()) != 0)
            return echec(messageSysteme(lien.constData(), errno));
        m_lienCree = true;
    }

    m_debut = std::chrono::steady_clock::now();
    m_thread = std::thread([this] { boucle(); });
    return true;
}

void SimulateurPty::arreter()
{
    if (m_thread.joinable()) {
        m_arret = true;
        reveiller();
        m_thread.join();
    }
    nettoyer();
}

void SimulateurPty::nettoyer()
{
    fermer(m_maitre);
    fermer(m_esclave);
    fermer(m_reveil);
    if (m_fichier.isOpen())
        m_fichier.close();
    if (m_lienCree)
        ::unlink(QFile::encodeName(m_options.lien).constData());
    m_lienCree = false;
}

QList<LigneRecue> SimulateurPty::transcript() const
{
    std::lock_guard<std::mutex> verrou(m_verrou);
    return m_transcript;
}

bool SimulateurPty::attendreLignes(int n, int delaiMs)
{
    std::unique_lock<std::mutex> verrou(m_verrou);
    return m_changement.wait_for(verrou, std::chrono::milliseconds(delaiMs),
                                 [&] { return m_transcript.size() >= n; });
}

void SimulateurPty::setSilencieux(bool silencieux)
{
    std::lock_guard<std::mutex> verrou(m_verrou);
    m_interpreteur.setSilencieux(silencieux);
}

void SimulateurPty::setBruit(bool bruit)
{
    std::lock_guard<std::mutex> verrou(m_verrou);
    m_interpreteur.setBruit(bruit);
}

void SimulateurPty::setListingLong(bool listingLong)
{
    std::lock_guard<std::mutex> verrou(m_verrou);
    m_interpreteur.setListingLong(listingLong);
}

void SimulateurPty::raccrocher()
{
    if (!m_thread.joinable()) {
        fermer(m_maitre);
        fermer(m_esclave);
        m_raccroche = true;
        return;
    }
    m_raccrocherDemande = true;
    reveiller();
    std::unique_lock<std::mutex> verrou(m_verrou);
    m_changement.wait_for(verrou, std::chrono::seconds(5), [&] { return m_raccroche.load(); });
}

EtatBras SimulateurPty::etat() const
{
    std::lock_guard<std::mutex> verrou(m_verrou);
    return m_interpreteur.etat(microsecondes() / 1000);
}

qint64 SimulateurPty::microsecondes() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 m_debut)
        .count();
}

void SimulateurPty::reveiller()
{
    if (m_reveil >= 0) {
        const uint64_t un = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_reveil, &un, sizeof un);
    }
}

void SimulateurPty::fermerLigne()
{
    {
        // Flag and close together: whoever sees the line dead also sees raccroche(), and
        // raccrocher() returns only once both descriptors are closed.
        std::lock_guard<std::mutex> verrou(m_verrou);
        m_raccroche = true;
        fermer(m_maitre);
        fermer(m_esclave);
    }
    m_changement.notify_all();
}

void SimulateurPty::consigner(const QList<LigneRecue>& lignes)
{
    if (lignes.isEmpty())
        return;
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        m_transcript += lignes;
    }
    m_changement.notify_all();
    if (m_fichier.isOpen()) {
        for (const LigneRecue& l : lignes) {
            m_fichier.write(QByteArray::number(l.ms) + '\t' + l.ligne + '\n');
            m_fichier.flush();
        }
    }
}

// Feeds a batch of received bytes (or none, to let time pass) and queues the reply. Returns the
// next time, in microseconds, at which the interpreter will have something to say, or -1.
qint64 SimulateurPty::servir(const QByteArray& lot, qint64 maintenantUs, QByteArray& sortie)
{
    QList<LigneRecue> lignes;
    bool raccroche = false;
    qint64 echeance = -1;
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        const qint64 ms = maintenantUs / 1000;
        sortie += lot.isEmpty() ? m_interpreteur.avancer(ms) : m_interpreteur.recevoir(lot, ms);
        lignes = m_interpreteur.prendreLignes();
        raccroche = m_interpreteur.raccrochageDemande();
        echeance = m_interpreteur.prochaineEcheance();
    }
    consigner(lignes);
    if (raccroche && m_maitre >= 0) {
        fermerLigne();
        sortie.clear();
    }
    return echeance >= 0 ? echeance * 1000 : -1;
}

void SimulateurPty::boucle()
{
    // 8N2: a start bit, eight data bits and two stop bits per byte.
    const double octetUs = m_options.baud > 0 ? 11e6 / m_options.baud : 0.0;
    QByteArray entree;
    QByteArray sortie;
    double prochaineEntree = 0.0; // when the next received byte has fully arrived
    double prochaineSortie = 0.0; // when the line can take the next byte we write
    bool attenteEcriture = false; // the master's buffer was full: wait for POLLOUT

    while (!m_arret.load()) {
        const qint64 t = microsecondes();
        if (m_raccrocherDemande.exchange(false) && m_maitre >= 0)
            fermerLigne();
        if (m_maitre < 0) {
            entree.clear();
            sortie.clear();
        }

        qsizetype n = entree.size();
        if (octetUs > 0.0) {
            n = 0;
            while (n < entree.size() && prochaineEntree <= double(t)) {
                ++n;
                prochaineEntree += octetUs;
            }
        }
        const bool sortieVide = sortie.isEmpty();
        const qint64 echeanceUs = servir(entree.left(n), t, sortie);
        entree.remove(0, n);
        if (sortieVide)
            prochaineSortie = std::max(prochaineSortie, double(t));

        if (!sortie.isEmpty() && m_maitre >= 0 && !attenteEcriture) {
            qsizetype permis = sortie.size();
            if (octetUs > 0.0)
                permis = double(t) < prochaineSortie
                             ? 0
                             : std::min<qsizetype>(
                                   sortie.size(),
                                   qsizetype((double(t) - prochaineSortie) / octetUs) + 1);
            if (permis > 0) {
                const ssize_t ecrits = ::write(m_maitre, sortie.constData(), size_t(permis));
                if (ecrits > 0) {
                    sortie.remove(0, ecrits);
                    prochaineSortie += double(ecrits) * octetUs;
                } else if (ecrits < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    attenteEcriture = true;
                } else if (ecrits < 0 && errno != EINTR) {
                    sortie.clear();
                }
            }
        }

        double reveilUs = std::numeric_limits<double>::infinity();
        if (!entree.isEmpty() && octetUs > 0.0)
            reveilUs = std::min(reveilUs, prochaineEntree);
        if (!sortie.isEmpty() && m_maitre >= 0 && !attenteEcriture)
            reveilUs = std::min(reveilUs, octetUs > 0.0 ? prochaineSortie : double(t));
        if (echeanceUs >= 0)
            reveilUs = std::min(reveilUs, double(echeanceUs));

        pollfd fds[2] = {{m_reveil, POLLIN, 0}, {m_maitre, 0, 0}};
        if (m_maitre >= 0) {
            // Reading stops while a backlog waits, as a real line's receive buffer would fill.
            if (entree.size() < 4096)
                fds[1].events |= POLLIN;
            if (attenteEcriture)
                fds[1].events |= POLLOUT;
        }
        timespec delai{};
        timespec* pDelai = nullptr;
        if (std::isfinite(reveilUs)) {
            const qint64 us = std::max<qint64>(0, qint64(std::ceil(reveilUs)) - microsecondes());
            delai.tv_sec = us / 1000000;
            delai.tv_nsec = (us % 1000000) * 1000;
            pDelai = &delai;
        }
        if (::ppoll(fds, m_maitre >= 0 ? 2 : 1, pDelai, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }

        if (fds[0].revents & POLLIN) {
            uint64_t compte = 0;
            [[maybe_unused]] const ssize_t lu = ::read(m_reveil, &compte, sizeof compte);
        }
        if (m_maitre < 0)
            continue;
        if (fds[1].revents & POLLOUT)
            attenteEcriture = false;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const double arrivee = double(microsecondes()) + octetUs;
            char tampon[4096];
            const ssize_t lus = ::read(m_maitre, tampon, sizeof tampon);
            if (lus > 0 && m_options.exigerReglage && !ligneReglee(m_maitre)) {
                // Framing errors on a real line: nothing reaches the interpreter.
            } else if (lus > 0) {
                if (entree.isEmpty())
                    prochaineEntree = std::max(prochaineEntree, arrivee);
                entree.append(tampon, lus);
            } else if (lus < 0 && errno != EAGAIN && errno != EINTR) {
                // Cannot happen while we hold the slave open; never spin on a dead master.
                fermerLigne();
            }
        }
    }
}
