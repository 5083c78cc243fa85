#include "glove/trajectoire.h"

#include <QFile>
#include <cmath>
#include <limits>

namespace {

constexpr int kNombreChamps = 11;
// Far beyond any session worth replaying; keeps a wrong path (a device, a huge file) from
// swallowing the memory.
constexpr qint64 kTailleMax = 64 * 1024 * 1024;
const QByteArray kEntete = QByteArrayLiteral("zelvor-gant");

bool estBlanc(char c)
{
    return c == ' ' || c == '\t';
}

QList<QByteArray> decouper(const QByteArray& ligne)
{
    QList<QByteArray> champs;
    int i = 0;
    const int n = ligne.size();
    while (i < n) {
        while (i < n && estBlanc(ligne[i]))
            ++i;
        const int debut = i;
        while (i < n && !estBlanc(ligne[i]))
            ++i;
        if (i > debut)
            champs.append(ligne.mid(debut, i - debut));
    }
    return champs;
}

// A field quoted in a message: short, and without bytes that would break the message's line.
QString citer(const QByteArray& champ)
{
    QByteArray c = champ.left(32);
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
// value, which QByteArray::toFloat() refuses as an overflow; it must still read back.
bool lireFloat(const QByteArray& champ, float* valeur)
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
QString lireEchantillon(const QList<QByteArray>& champs, EchantillonGant* e)
{
    bool ok = false;
    const qlonglong t = champs[0].toLongLong(&ok, 10);
    if (!ok)
        return QStringLiteral("temps %1 illisible (entier en ms attendu)").arg(citer(champs[0]));
    if (t < 0)
        return QStringLiteral("temps %1 négatif").arg(citer(champs[0]));
    e->tempsMs = t;

    float* positions[3] = {&e->etat.x, &e->etat.y, &e->etat.z};
    const char* noms[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        const QByteArray& champ = champs[1 + i];
        float v = 0.0f;
        if (!lireFloat(champ, &v)) {
            return QStringLiteral("position %1 %2 illisible (nombre fini attendu)")
                .arg(QLatin1String(noms[i]), citer(champ));
        }
        *positions[i] = v;
    }

    for (int i = 0; i < 5; ++i) {
        const QByteArray& champ = champs[4 + i];
        const int v = champ.toInt(&ok, 10);
        if (!ok)
            return QStringLiteral("flexion f%1 %2 illisible").arg(i).arg(citer(champ));
        if (v < 0 || v > 255)
            return QStringLiteral("flexion f%1 %2 hors de 0..255").arg(i).arg(citer(champ));
        e->etat.flexion[i] = static_cast<unsigned char>(v);
    }

    for (int i = 0; i < 2; ++i) {
        const QByteArray& champ = champs[9 + i];
        if (champ != "0" && champ != "1")
            return QStringLiteral("bouton b%1 %2 : 0 ou 1 attendu").arg(i).arg(citer(champ));
        e->etat.bouton[i] = champ == "1";
    }
    return {};
}

} // namespace

bool analyserTrajectoire(const QByteArray& contenu, const QString& nomFichier,
                         std::vector<EchantillonGant>* echantillons, QString* erreur)
{
    std::vector<EchantillonGant> lus;
    int numero = 0;
    auto echec = [&](int ligne, const QString& probleme) {
        if (erreur)
            *erreur = QStringLiteral("%1:%2: %3").arg(nomFichier, QString::number(ligne), probleme);
        return false;
    };

    QByteArray texte = contenu;
    if (texte.startsWith("\xEF\xBB\xBF"))
        texte.remove(0, 3);
    const bool finSansSautDeLigne = !texte.isEmpty() && !texte.endsWith('\n');
    const QList<QByteArray> lignes = texte.split('\n');
    // split() gives an empty last piece after a final newline; it is not a line.
    const int nombreLignes = finSansSautDeLigne ? lignes.size() : lignes.size() - 1;

    bool enteteVu = false;
    for (int i = 0; i < nombreLignes; ++i) {
        numero = i + 1;
        QByteArray ligne = lignes[i];
        if (ligne.endsWith('\r'))
            ligne.chop(1);
        const QList<QByteArray> champs = decouper(ligne);
        if (champs.isEmpty() || champs[0].startsWith('#'))
            continue;

        if (champs[0] == kEntete) {
            if (enteteVu || !lus.empty())
                return echec(numero, QStringLiteral("en-tête ailleurs qu'en première ligne"));
            if (champs.size() != 2 || champs[1] != "1") {
                return echec(
                    numero, QStringLiteral("en-tête non pris en charge (attendu : zelvor-gant 1)"));
            }
            enteteVu = true;
            continue;
        }

        if (champs.size() != kNombreChamps) {
            const QString probleme = QStringLiteral("%1 champs attendus, %2 trouvés")
                                         .arg(kNombreChamps)
                                         .arg(champs.size());
            if (finSansSautDeLigne && i == nombreLignes - 1)
                return echec(numero, QStringLiteral("dernière ligne tronquée : ") + probleme);
            return echec(numero, probleme);
        }

        EchantillonGant e;
        const QString probleme = lireEchantillon(champs, &e);
        if (!probleme.isEmpty())
            return echec(numero, probleme);
        if (!lus.empty() && e.tempsMs < lus.back().tempsMs) {
            return echec(numero, QStringLiteral("le temps recule (%1 ms après %2 ms)")
                                     .arg(e.tempsMs)
                                     .arg(lus.back().tempsMs));
        }
        lus.push_back(e);
    }

    if (lus.empty())
        return echec(qMax(numero, 1), QStringLiteral("aucun échantillon"));
    if (echantillons)
        *echantillons = std::move(lus);
    return true;
}

bool chargerTrajectoire(const QString& fichier, std::vector<EchantillonGant>* echantillons,
                        QString* erreur)
{
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) {
        if (erreur)
            *erreur = QStringLiteral("%1: lecture impossible (%2)").arg(fichier, f.errorString());
        return false;
    }
    const QByteArray contenu = f.read(kTailleMax + 1);
    if (f.error() != QFileDevice::NoError) {
        if (erreur)
            *erreur = QStringLiteral("%1: lecture impossible (%2)").arg(fichier, f.errorString());
        return false;
    }
    if (contenu.size() > kTailleMax) {
        if (erreur) {
            *erreur = QStringLiteral("%1: fichier trop volumineux (plus de %2 Mio)")
                          .arg(fichier, QString::number(kTailleMax / (1024 * 1024)));
        }
        return false;
    }
    return analyserTrajectoire(contenu, fichier, echantillons, erreur);
}

QByteArray enteteTrajectoire()
{
    return kEntete + " 1\n# t_ms x y z f0 f1 f2 f3 f4 b0 b1\n";
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
