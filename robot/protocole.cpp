#include "robot/protocole.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace protocole {

namespace {
// Commands are formatted into a buffer of this size before they are written.
constexpr std::size_t kTailleCommande = 80;
// How much of a listing answer is scanned, and how long a value field may be.
constexpr std::size_t kOctetsAnalyses = 139;
constexpr std::size_t kLongueurChamp = 5;
} // namespace

QByteArray commandePoint(const char* mot, const char* nomPoint)
{
    char tampon[kTailleCommande];
    // snprintf truncates: a name too long for the buffer loses its tail, and then the "\r".
    const int n = std::snprintf(tampon, sizeof tampon, "%s %s\r", mot, nomPoint);
    if (n < 0)
        return {};
    return QByteArray(tampon, static_cast<int>(std::min<std::size_t>(n, sizeof tampon - 1)));
}

QByteArray nombreFil(double valeur)
{
    if (std::isnan(valeur))
        return {};
    // Converting a double outside the int range is undefined: clamp first. Both ends are exact
    // in a double.
    const double borne = std::clamp(std::trunc(valeur), double(std::numeric_limits<int>::min()),
                                    double(std::numeric_limits<int>::max()));
    char tampon[kTailleCommande];
    const int n = std::snprintf(tampon, sizeof tampon, "%d\r", static_cast<int>(borne));
    return QByteArray(tampon, n);
}

QList<QByteArray> lignesConsigne(const ConsigneRobot& consigne)
{
    for (const double v : {consigne.X, consigne.Y, consigne.Z, consigne.P, consigne.R})
        if (!std::isfinite(v))
            return {};
    return {commandePoint("defp", consigne.nomPoint),
            commandePoint("teach", consigne.nomPoint),
            nombreFil(consigne.X),
            nombreFil(consigne.Y),
            nombreFil(consigne.Z),
            nombreFil(consigne.P),
            nombreFil(consigne.R),
            commandePoint("move", consigne.nomPoint)};
}

void analyserListing(const char* reponse, std::size_t taille, int* x, int* y, int* z)
{
    const std::size_t fin = std::min(taille, kOctetsAnalyses);
    for (std::size_t i = 0; i < fin; ++i) {
        int* cible = nullptr;
        switch (reponse[i]) {
        case 'X':
            cible = x;
            break;
        case 'Y':
            cible = y;
            break;
        case 'Z':
            cible = z;
            break;
        default:
            continue;
        }
        char champ[kLongueurChamp + 1];
        std::size_t n = 0;
        // The field may run past the scanned part, but never past the answer itself.
        for (std::size_t j = i + 3; j < taille && n < kLongueurChamp && reponse[j] != ' '; ++j)
            champ[n++] = reponse[j];
        champ[n] = '\0';
        if (cible)
            *cible = std::atoi(champ);
    }
}

namespace {
// The int a value line carries, as the controller reads it back.
int valeurFil(double v)
{
    return std::atoi(nombreFil(v).constData());
}

// The value after "L:" in a listing, if there is one.
bool valeurApres(const QByteArray& reponse, const char* etiquette, int* valeur)
{
    const qsizetype i = reponse.indexOf(etiquette);
    if (i < 0)
        return false;
    *valeur = std::atoi(reponse.constData() + i + std::strlen(etiquette));
    return true;
}
} // namespace

bool listingConfirme(const QByteArray& reponse, const ConsigneRobot& consigne)
{
    constexpr int kAbsent = std::numeric_limits<int>::min();
    int x = kAbsent, y = kAbsent, z = kAbsent;
    analyserListing(reponse.constData(), std::size_t(reponse.size()), &x, &y, &z);
    if (x != valeurFil(consigne.X) || y != valeurFil(consigne.Y) || z != valeurFil(consigne.Z))
        return false;
    int v = 0;
    if (valeurApres(reponse, "P:", &v) && v != valeurFil(consigne.P))
        return false;
    return !valeurApres(reponse, "R:", &v) || v == valeurFil(consigne.R);
}

bool demandeUneValeur(const QByteArray& reponse)
{
    const qsizetype prompt = reponse.lastIndexOf('>');
    return prompt > 0 && reponse.at(prompt - 1) == '-';
}

} // namespace protocole
