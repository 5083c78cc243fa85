#include "robot/journalligne.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {
constexpr double kPauseMs = 20.0; // well above a byte time at 9600 baud (1.15 ms)
constexpr std::size_t kLongueurMax = 64;
} // namespace

JournalLigne::~JournalLigne()
{
    terminerLecture();
    if (m_aFermer)
        std::fclose(m_fichier);
}

bool JournalLigne::ouvrir(const QString& fichier, QString* erreur)
{
    std::FILE* f = fichier == QStringLiteral("-")
                       ? stderr
                       : std::fopen(QFile::encodeName(fichier).constData(), "we");
    if (!f) {
        if (erreur)
            *erreur = fichier + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (m_aFermer)
        std::fclose(m_fichier);
    m_fichier = f;
    m_aFermer = f != stderr;
    m_debut = std::chrono::steady_clock::now();
    std::fputs("zelvor-trace 1\n# ms kind exchange \"bytes\"\n", m_fichier);
    std::fflush(m_fichier);
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
    if (!m_fichier)
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
    std::fprintf(m_fichier, "%.3f %s %s \"%s\"\n", ms, genre, m_echange.c_str(), texte.c_str());
    std::fflush(m_fichier);
}
