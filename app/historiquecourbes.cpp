#include "app/historiquecourbes.h"

#include "robot/protocole.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace {
using Genre = EvenementSuivi::Genre;

double surLeFil(double valeur)
{
    return protocole::nombreFil(valeur).trimmed().toDouble();
}

QByteArray nombre(double v)
{
    return QByteArray::number(v, 'g', 12);
}
} // namespace

template <typename T> void HistoriqueCourbes::Anneau<T>::inserer(const T& e)
{
    if (taille == int(cases.size()))
        debut = (debut + 1) % taille; // the oldest goes
    else
        ++taille;
    int i = taille - 1;
    for (; i > 0 && (*this)[i - 1].ms > e.ms; --i)
        (*this)[i] = (*this)[i - 1];
    (*this)[i] = e;
}

template <typename T> int HistoriqueCourbes::Anneau<T>::depuis(qint64 ms) const
{
    int bas = 0, haut = taille;
    while (bas < haut) {
        const int milieu = (bas + haut) / 2;
        if ((*this)[milieu].ms < ms)
            bas = milieu + 1;
        else
            haut = milieu;
    }
    return bas;
}

HistoriqueCourbes::HistoriqueCourbes() : m_series(kSeries, Anneau<Point>(kPointsParSerie)) {}

void HistoriqueCourbes::ajouter(const EvenementSuivi& e)
{
    if (e.genre == Genre::Cible || e.genre == Genre::PoseEcrite ||
        e.genre == Genre::PositionListee) {
        if (!std::isfinite(e.x) || !std::isfinite(e.y) || !std::isfinite(e.z))
            return;
        const Serie serie = e.genre == Genre::Cible        ? Cible
                            : e.genre == Genre::PoseEcrite ? PoseEcrite
                                                           : PositionListee;
        Anneau<Point>& anneau = m_series[std::size_t(serie)];
        Point p{e.ms, e.x, e.y, e.z};
        if (serie == PoseEcrite)
            p = {e.ms, surLeFil(e.x), surLeFil(e.y), surLeFil(e.z)};
        Point* dernier = anneau.taille ? &anneau[anneau.taille - 1] : nullptr;
        if (serie == Cible && dernier && dernier->ms <= p.ms &&
            dernier->ms / kPasCibleMs == p.ms / kPasCibleMs)
            *dernier = p;
        else
            anneau.inserer(p);
    } else {
        m_marques.inserer({e.ms, e.genre});
    }
    m_dernierMs = std::max(m_dernierMs, e.ms);
    ++m_changements;
}

qint64 HistoriqueCourbes::premierMs() const
{
    qint64 premier = m_dernierMs;
    const auto prendre = [&](const auto& anneau) {
        const int i = anneau.depuis(debutFenetre());
        if (i < anneau.taille)
            premier = std::min(premier, anneau[i].ms);
    };
    for (const Anneau<Point>& anneau : m_series)
        prendre(anneau);
    prendre(m_marques);
    return premier;
}

std::vector<HistoriqueCourbes::Point> HistoriqueCourbes::points(Serie serie, qint64 debut,
                                                                qint64 fin) const
{
    const Anneau<Point>& anneau = m_series[std::size_t(serie)];
    debut = std::max(debut, debutFenetre());
    std::vector<Point> resultat;
    int i = anneau.depuis(debut);
    if (i > 0 && anneau[i - 1].ms >= debutFenetre())
        --i;
    for (; i < anneau.taille && anneau[i].ms <= fin; ++i)
        resultat.push_back(anneau[i]);
    return resultat;
}

std::vector<HistoriqueCourbes::Marque> HistoriqueCourbes::marques(qint64 debut, qint64 fin) const
{
    std::vector<Marque> resultat;
    for (int i = m_marques.depuis(std::max(debut, debutFenetre()));
         i < m_marques.taille && m_marques[i].ms <= fin; ++i)
        resultat.push_back(m_marques[i]);
    return resultat;
}

const char* HistoriqueCourbes::nom(Genre genre)
{
    switch (genre) {
    case Genre::Cible:
        return "cible";
    case Genre::PoseEcrite:
        return "pose_ecrite";
    case Genre::PositionListee:
        return "position_listee";
    case Genre::Fermeture:
        return "fermeture";
    case Genre::Ouverture:
        return "ouverture";
    case Genre::DebutHoming:
        return "debut_homing";
    case Genre::FinHoming:
        return "fin_homing";
    case Genre::PanneSilence:
        return "panne_e0005";
    case Genre::PanneRaccroche:
        return "panne_e0006";
    case Genre::Retour:
        return "retour";
    }
    return "?";
}

bool HistoriqueCourbes::ecrireCsv(QIODevice& sortie) const
{
    // Merged by time; at the same millisecond, targets, poses, listings, then marks.
    std::vector<std::tuple<qint64, int, QByteArray>> lignes;
    const Genre genres[kSeries] = {Genre::Cible, Genre::PoseEcrite, Genre::PositionListee};
    for (int s = 0; s < kSeries; ++s) {
        const Anneau<Point>& anneau = m_series[std::size_t(s)];
        for (int i = anneau.depuis(debutFenetre()); i < anneau.taille; ++i) {
            const Point& p = anneau[i];
            lignes.emplace_back(p.ms, s,
                                QByteArray::number(p.ms) + ',' + nom(genres[s]) + ',' +
                                    nombre(p.x) + ',' + nombre(p.y) + ',' + nombre(p.z) + '\n');
        }
    }
    for (int i = m_marques.depuis(debutFenetre()); i < m_marques.taille; ++i)
        lignes.emplace_back(m_marques[i].ms, kSeries,
                            QByteArray::number(m_marques[i].ms) + ',' + nom(m_marques[i].genre) +
                                ",,,\n");
    std::stable_sort(lignes.begin(), lignes.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    QByteArray texte = "ms,serie,x,y,z\n";
    for (const auto& ligne : lignes)
        texte += std::get<2>(ligne);
    return sortie.write(texte) == texte.size();
}

bool HistoriqueCourbes::exporterCsv(const QString& chemin, QString* erreur) const
{
    QSaveFile fichier(chemin);
    if (fichier.open(QIODevice::WriteOnly) && ecrireCsv(fichier) && fichier.commit())
        return true;
    if (erreur)
        *erreur = fichier.errorString();
    return false;
}
