#include "glove/trajectoire.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNombreChamps = 11;
// Far beyond any session worth replaying; keeps a wrong path (a disk image, a log) from being
// read at all.
constexpr qint64 kTailleMax = 64 * 1024 * 1024;
constexpr QByteArrayView kEntete("zelvor-gant");

bool estBlanc(char c)
{
    return c == ' ' || c == '\t';
}

// The fields of one line, as views into it: nothing is copied, whatever the line's length.
struct Champs
{
    QByteArrayView champ[kNombreChamps + 1];
    int nombre = 0; // all the fields of the line, also beyond those kept
};

Champs decouper(QByteArrayView ligne)
{
    Champs c;
    qsizetype i = 0;
    const qsizetype n = ligne.size();
    while (i < n) {
        while (i < n && estBlanc(ligne[i]))
            ++i;
        const qsizetype debut = i;
        while (i < n && !estBlanc(ligne[i]))
            ++i;
        if (i > debut) {
            if (c.nombre <= kNombreChamps)
                c.champ[c.nombre] = ligne.sliced(debut, i - debut);
            ++c.nombre;
        }
    }
    return c;
}

// A field quoted in a message: short, and without bytes that would break the message's line.
QString citer(QByteArrayView champ)
{
    QByteArray c = champ.first(std::min<qsizetype>(champ.size(), 32)).toByteArray();
    for (char& octet : c) {
        const auto u = static_cast<unsigned char>(octet);
        if (u < 0x20 || u == 0x7f)
            octet = '?';
    }
    QString texte = QStringLiteral("\"") + QString::fromUtf8(c);
    if (champ.size() > c.size())
        texte += QStringLiteral("...");
    return texte + QStringLiteral("\"");
}

// Reads a finite float. The largest float is written "3.40282347e+38", a little above its exact
// value, which a float conversion refuses as an overflow; it must still read back.
bool lireFloat(QByteArrayView champ, float* valeur)
{
    bool ok = false;
    const double d = champ.toDouble(&ok);
    // Beyond this midpoint the value would round to infinity.
    constexpr double kLimite = 0x1.ffffffp+127;
    if (!ok || !std::isfinite(d) || std::fabs(d) >= kLimite)
        return false;
    constexpr double kMax = std::numeric_limits<float>::max();
    *valeur =
        std::fabs(d) > kMax ? static_cast<float>(std::copysign(kMax, d)) : static_cast<float>(d);
    return true;
}

// Returns an empty string when the line is a good sample, else the problem.
QString lireEchantillon(const Champs& champs, EchantillonGant* e)
{
    bool ok = false;
    const qlonglong t = champs.champ[0].toLongLong(&ok, 10);
    if (!ok)
        return QStringLiteral("time %1 unreadable (whole number of ms expected)")
            .arg(citer(champs.champ[0]));
    if (t < 0)
        return QStringLiteral("time %1 negative").arg(citer(champs.champ[0]));
    e->tempsMs = t;

    float* positions[3] = {&e->etat.x, &e->etat.y, &e->etat.z};
    const char* noms[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        const QByteArrayView champ = champs.champ[1 + i];
        float v = 0.0f;
        if (!lireFloat(champ, &v)) {
            return QStringLiteral("position %1 %2 unreadable (finite number expected)")
                .arg(QLatin1String(noms[i]), citer(champ));
        }
        *positions[i] = v;
    }

    for (int i = 0; i < 5; ++i) {
        const QByteArrayView champ = champs.champ[4 + i];
        const int v = champ.toInt(&ok, 10);
        if (!ok)
            return QStringLiteral("bend f%1 %2 unreadable").arg(i).arg(citer(champ));
        if (v < 0 || v > 255)
            return QStringLiteral("bend f%1 %2 outside 0..255").arg(i).arg(citer(champ));
        e->etat.flexion[i] = static_cast<unsigned char>(v);
    }

    for (int i = 0; i < 2; ++i) {
        const QByteArrayView champ = champs.champ[9 + i];
        if (champ != "0" && champ != "1")
            return QStringLiteral("button b%1 %2: 0 or 1 expected").arg(i).arg(citer(champ));
        e->etat.bouton[i] = champ == "1";
    }
    return {};
}

// Takes a file line by line, so that a file read in pieces is never held whole: what stays is
// the samples, some thirty bytes each.
class Analyseur
{
public:
    explicit Analyseur(const QString& nomFichier) : m_nomFichier(nomFichier) {}

    // One line without its '\n'; `tronquee` when the file ends on it without a newline.
    bool ligne(QByteArrayView ligne, bool tronquee)
    {
        ++m_numero;
        if (m_numero == 1 && ligne.startsWith("\xEF\xBB\xBF"))
            ligne = ligne.sliced(3);
        if (ligne.endsWith('\r'))
            ligne.chop(1);
        const Champs champs = decouper(ligne);
        if (champs.nombre == 0 || champs.champ[0].startsWith('#'))
            return true;

        if (champs.champ[0] == kEntete) {
            if (m_enteteVu || !m_lus.empty())
                return echec(QStringLiteral("header elsewhere than on the first line"));
            if (champs.nombre != 2 || champs.champ[1] != "1")
                return echec(QStringLiteral("unsupported header (expected: zelvor-gant 1)"));
            m_enteteVu = true;
            return true;
        }

        if (champs.nombre != kNombreChamps) {
            const QString probleme = QStringLiteral("%1 fields expected, %2 found")
                                         .arg(kNombreChamps)
                                         .arg(champs.nombre);
            return echec(tronquee ? QStringLiteral("last line truncated: ") + probleme : probleme);
        }

        EchantillonGant e;
        const QString probleme = lireEchantillon(champs, &e);
        if (!probleme.isEmpty())
            return echec(probleme);
        if (!m_lus.empty() && e.tempsMs < m_lus.back().tempsMs) {
            return echec(QStringLiteral("time goes back (%1 ms after %2 ms)")
                             .arg(e.tempsMs)
                             .arg(m_lus.back().tempsMs));
        }
        m_lus.push_back(e);
        return true;
    }

    bool finir(std::vector<EchantillonGant>* echantillons)
    {
        if (m_lus.empty()) {
            m_numero = std::max(m_numero, 1);
            return echec(QStringLiteral("no sample"));
        }
        if (echantillons)
            *echantillons = std::move(m_lus);
        return true;
    }

    QString erreur;

private:
    bool echec(const QString& probleme)
    {
        erreur = QStringLiteral("%1:%2: %3").arg(m_nomFichier, QString::number(m_numero), probleme);
        return false;
    }

    QString m_nomFichier;
    int m_numero = 0;
    bool m_enteteVu = false;
    std::vector<EchantillonGant> m_lus;
};

bool echouer(QString* erreur, const QString& message)
{
    if (erreur)
        *erreur = message;
    return false;
}

} // namespace

bool analyserTrajectoire(const QByteArray& contenu, const QString& nomFichier,
                         std::vector<EchantillonGant>* echantillons, QString* erreur)
{
    Analyseur analyseur(nomFichier);
    QByteArrayView reste(contenu);
    while (!reste.isEmpty()) {
        const qsizetype fin = reste.indexOf('\n');
        const bool tronquee = fin < 0;
        if (!analyseur.ligne(tronquee ? reste : reste.first(fin), tronquee))
            return echouer(erreur, analyseur.erreur);
        reste = tronquee ? QByteArrayView() : reste.sliced(fin + 1);
    }
    return analyseur.finir(echantillons) || echouer(erreur, analyseur.erreur);
}

bool chargerTrajectoire(const QString& fichier, std::vector<EchantillonGant>* echantillons,
                        QString* erreur)
{
    auto echecSysteme = [&](const char* quoi) {
        return echouer(erreur, QStringLiteral("%1: %2 (%3)")
                                   .arg(fichier, QString::fromUtf8(quoi),
                                        QString::fromLocal8Bit(std::strerror(errno))));
    };
    // Non-blocking, so that a FIFO without a writer is refused here instead of holding the
    // program before any window.
    const int fd =
        ::open(QFile::encodeName(fichier).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return echecSysteme("cannot read");
    struct Fermeture
    {
        int fd;
        ~Fermeture() { ::close(fd); }
    } fermeture{fd};
    struct stat etat
    {
    };
    if (::fstat(fd, &etat) != 0)
        return echecSysteme("cannot read");
    if (!S_ISREG(etat.st_mode))
        return echouer(erreur, QStringLiteral("%1: not a regular file").arg(fichier));
    const QString tropGros = QStringLiteral("%1: file too large (over %2 MiB)")
                                 .arg(fichier, QString::number(kTailleMax / (1024 * 1024)));
    if (etat.st_size > kTailleMax)
        return echouer(erreur, tropGros);

    Analyseur analyseur(fichier);
    QByteArray debut; // a line begun in an earlier block
    qint64 lus = 0;
    char bloc[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, bloc, sizeof bloc);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return echecSysteme("cannot read");
        if (n == 0)
            break;
        lus += n;
        if (lus > kTailleMax) // it grew while being read
            return echouer(erreur, tropGros);
        QByteArrayView reste(bloc, n);
        for (qsizetype fin; (fin = reste.indexOf('\n')) >= 0; reste = reste.sliced(fin + 1)) {
            QByteArrayView ligne = reste.first(fin);
            if (!debut.isEmpty())
                ligne = debut.append(ligne.data(), ligne.size());
            if (!analyseur.ligne(ligne, false))
                return echouer(erreur, analyseur.erreur);
            debut.resize(0);
        }
        debut.append(reste.data(), reste.size());
    }
    if (!debut.isEmpty() && !analyseur.ligne(debut, true))
        return echouer(erreur, analyseur.erreur);
    return analyseur.finir(echantillons) || echouer(erreur, analyseur.erreur);
}

QByteArray enteteTrajectoire()
{
    return kEntete.toByteArray() + " 1\n# t_ms x y z f0 f1 f2 f3 f4 b0 b1\n";
}

QByteArray formaterEchantillon(const EchantillonGant& echantillon)
{
    const EtatGant& e = echantillon.etat;
    QByteArray ligne = QByteArray::number(echantillon.tempsMs);
    // Nine significant digits bring any float back bit for bit, and QByteArray::number ignores
    // the user's locale, so the file always has '.' as its decimal point.
    for (float v : {e.x, e.y, e.z}) {
        // QByteArray::number() drops the sign of -0, which a readout would still show.
        const bool moinsZero = v == 0.0f && std::signbit(v);
        ligne += moinsZero ? QByteArray(" -0") : ' ' + QByteArray::number(double(v), 'g', 9);
    }
    for (unsigned char f : e.flexion)
        ligne += ' ' + QByteArray::number(int(f));
    for (bool b : e.bouton)
        ligne += b ? " 1" : " 0";
    return ligne + '\n';
}
