#include "glove/ecrivaintrajectoire.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {
// Samples formatted and written at once: large enough for few system calls, small enough that a
// closing recording looks at its deadline often.
constexpr std::size_t kTranche = 4096;

QString raisonSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}
} // namespace

std::unique_ptr<EcrivainTrajectoire>
EcrivainTrajectoire::ouvrir(const QString& fichier, QString* erreur, SurEchecEcriture surEchec)
{
    const int fd = ::open(QFile::encodeName(fichier).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (erreur)
            *erreur = raisonSysteme(errno);
        return nullptr;
    }
    return std::unique_ptr<EcrivainTrajectoire>(
        new EcrivainTrajectoire(fd, fichier, std::move(surEchec)));
}

EcrivainTrajectoire::EcrivainTrajectoire(int fd, const QString& fichier, SurEchecEcriture surEchec)
    : m_fd(fd), m_fichier(fichier), m_surEchec(std::move(surEchec)), m_fil([this] { executer(); })
{
}

EcrivainTrajectoire::~EcrivainTrajectoire()
{
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        m_fin = true;
        m_echeance = std::chrono::steady_clock::now() + kDelaiFin;
    }
    m_condition.notify_one();
    m_fil.join();
    ::close(m_fd);
}

bool EcrivainTrajectoire::ajouter(const EchantillonGant& echantillon)
{
    std::unique_lock<std::mutex> garde(m_verrou);
    if (m_arrete)
        return false;
    if (m_attente.size() >= kAttenteMax) {
        // What is queued is still written: the file stays the recording's beginning.
        m_arrete = true;
        garde.unlock();
        echouer(QStringLiteral("%1 samples waiting, the disk does not keep up").arg(kAttenteMax));
        return false;
    }
    // The writer waits only for an empty queue.
    const bool reveiller = m_attente.empty();
    m_attente.push_back(echantillon);
    garde.unlock();
    if (reveiller)
        m_condition.notify_one();
    return true;
}

void EcrivainTrajectoire::executer()
{
    // The writer gives way to the window: on a busy machine, a burst of samples (a replay that
    // brings thousands at once) would otherwise take the GUI thread's processor to format them.
    // Linux sets the niceness of this thread alone.
    [[maybe_unused]] const int n = ::nice(10);
    if (!ecrire(enteteTrajectoire()))
        return;
    std::vector<EchantillonGant> tranche;
    tranche.reserve(kTranche);
    for (;;) {
        {
            std::unique_lock<std::mutex> garde(m_verrou);
            m_condition.wait(garde, [this] { return !m_attente.empty() || m_fin; });
            if (m_attente.empty())
                return; // closed, and everything written
            if (m_fin && std::chrono::steady_clock::now() >= m_echeance) {
                const std::size_t perdus = m_attente.size();
                m_attente.clear();
                m_arrete = true;
                garde.unlock();
                echouer(QStringLiteral("%1 samples still unwritten when the recording was closed")
                            .arg(perdus));
                return;
            }
            const std::size_t n = std::min(kTranche, m_attente.size());
            tranche.assign(m_attente.begin(), m_attente.begin() + std::ptrdiff_t(n));
            m_attente.erase(m_attente.begin(), m_attente.begin() + std::ptrdiff_t(n));
        }
        QByteArray octets;
        for (const EchantillonGant& e : tranche)
            octets += formaterEchantillon(e);
        if (!ecrire(octets)) {
            std::lock_guard<std::mutex> garde(m_verrou);
            m_arrete = true;
            m_attente.clear();
            return;
        }
    }
}

bool EcrivainTrajectoire::ecrire(const QByteArray& octets)
{
    qsizetype ecrits = 0;
    while (ecrits < octets.size()) {
        const ssize_t n =
            ::write(m_fd, octets.constData() + ecrits, std::size_t(octets.size() - ecrits));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int erreur = n < 0 ? errno : EIO;
            // Back to the last whole line, whether it was in this write or an earlier one.
            const qsizetype dernier = ecrits > 0 ? octets.lastIndexOf('\n', ecrits - 1) : -1;
            const off_t taille = m_taille + (dernier < 0 ? 0 : off_t(dernier + 1));
            if (::ftruncate(m_fd, taille) != 0) {
                echouer(raisonSysteme(erreur) + QStringLiteral(", then ") + raisonSysteme(errno) +
                        QStringLiteral(" cutting back its last line"));
                return false;
            }
            echouer(raisonSysteme(erreur));
            return false;
        }
        ecrits += n;
    }
    m_taille += off_t(octets.size());
    return true;
}

void EcrivainTrajectoire::echouer(const QString& raison)
{
    // A recording stopped for want of room loses what it still held when closed: one failure.
    if (m_signale.exchange(true) || !m_surEchec)
        return;
    m_surEchec(m_fichier, raison);
}
