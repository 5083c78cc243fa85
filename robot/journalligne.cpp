#include "robot/journalligne.h"

#include "robot/avisecriture.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr double kPauseMs = 20.0; // well above a byte time at 9600 baud (1.15 ms)
constexpr std::size_t kLongueurMax = 64;
} // namespace

JournalLigne::~JournalLigne()
{
    terminerLecture();
    fermer();
}

bool JournalLigne::ouvrir(const QString& fichier, QString* erreur)
{
    const bool sortieErreur = fichier == QStringLiteral("-");
    const int fd = sortieErreur ? STDERR_FILENO
                                : ::open(QFile::encodeName(fichier).constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (erreur)
            *erreur = fichier + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    fermer();
    m_fd = fd;
    m_aFermer = !sortieErreur;
    m_nom = fichier;
    m_taille = 0;
    m_debut = std::chrono::steady_clock::now();
    ecrire("zelvor-trace 1\n# ms kind exchange \"bytes\"\n");
    return true;
}

double JournalLigne::maintenantMs() const
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_debut)
        .count();
}

void JournalLigne::nommerEchange(const char* nom)
{
    if (m_echange == nom)
        return;
    terminerLecture();
    m_echange = nom;
}

void JournalLigne::ecrit(const char* octets, std::size_t taille)
{
    terminerLecture();
    ecrireLigne(maintenantMs(), "tx", octets, taille);
}

void JournalLigne::lu(char octet)
{
    const double ms = maintenantMs();
    if (!m_lus.empty() && ms - m_dernierLuMs > kPauseMs)
        terminerLecture();
    if (m_lus.empty())
        m_premierLuMs = ms;
    m_dernierLuMs = ms;
    m_lus += octet;
    if (octet == '\n' || octet == '>' || m_lus.size() >= kLongueurMax)
        terminerLecture();
}

void JournalLigne::jete(const char* octets, std::size_t taille)
{
    terminerLecture();
    ecrireLigne(maintenantMs(), "drop", octets, taille);
}

void JournalLigne::evenement(const char* genre, const QString& texte)
{
    terminerLecture();
    const QByteArray octets = texte.toUtf8();
    ecrireLigne(maintenantMs(), genre, octets.constData(), std::size_t(octets.size()));
}

void JournalLigne::terminerLecture()
{
    if (m_lus.empty())
        return;
    ecrireLigne(m_premierLuMs, "rx", m_lus.data(), m_lus.size());
    m_lus.clear();
}

void JournalLigne::ecrireLigne(double ms, const char* genre, const char* octets, std::size_t taille)
{
    if (m_fd < 0)
        return;
    std::string texte;
    texte.reserve(taille + 8);
    for (std::size_t i = 0; i < taille; ++i) {
        const unsigned char c = static_cast<unsigned char>(octets[i]);
        switch (c) {
        case '\r':
            texte += "\\r";
            break;
        case '\n':
            texte += "\\n";
            break;
        case '\t':
            texte += "\\t";
            break;
        case '\\':
        case '"':
            texte += '\\';
            texte += char(c);
            break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                texte += char(c);
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                texte += hex;
            }
        }
    }
    char debut[64];
    std::snprintf(debut, sizeof debut, "%.3f ", ms);
    ecrire(debut + std::string(genre) + ' ' + m_echange + " \"" + texte + "\"\n");
}

void JournalLigne::ecrire(const std::string& texte)
{
    if (m_fd < 0)
        return;
    std::size_t ecrits = 0;
    while (ecrits < texte.size()) {
        const ssize_t n = ::write(m_fd, texte.data() + ecrits, texte.size() - ecrits);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            abandonner(n < 0 ? errno : EIO);
            return;
        }
        ecrits += std::size_t(n);
    }
    m_taille += off_t(texte.size());
}

void JournalLigne::abandonner(int erreur)
{
    // Half a line would stop a reader of the trace at the very end, where the fault may lie.
    if (m_aFermer) {
        [[maybe_unused]] const int r = ::ftruncate(m_fd, m_taille);
    }
    fermer();
    avisecriture::signaler(avisecriture::Fichier::Trace, m_nom,
                           QString::fromLocal8Bit(strerror(erreur)));
}

void JournalLigne::fermer()
{
    if (m_aFermer)
        ::close(m_fd);
    m_fd = -1;
    m_aFermer = false;
}
