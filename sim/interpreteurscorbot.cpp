#include "sim/interpreteurscorbot.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr char invite = '>';
constexpr int valeurMax = 99999; // six characters at most on a listing line, sign included

QByteArray erreur(const char* texte)
{
    return QByteArray("*** ") + texte + "\r\n" + invite;
}

bool nomValide(const QByteArray& nom)
{
    return std::all_of(nom.begin(), nom.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

int borne(double valeur)
{
    return static_cast<int>(std::clamp(std::lround(valeur), -long(valeurMax), long(valeurMax)));
}

// Joint counts of a pose, from a two-link arm with equal links above a turning base. Only
// plausibility matters: they follow the pose smoothly and stay within six characters.
QByteArray lignesArticulations(const PoseBras& p)
{
    constexpr double pi = 3.14159265358979323846;
    constexpr double lien = 2200.0;
    constexpr double epaule = 3585.0;
    constexpr double comptesParRadian = 4000.0 / pi;

    const double base = std::atan2(double(p.Y), double(p.X));
    const double rayon = std::hypot(double(p.X), double(p.Y));
    const double hauteur = double(p.Z) - epaule;
    const double d = std::clamp(std::hypot(rayon, hauteur), 1.0, 2.0 * lien);
    const double coude =
        std::acos(std::clamp((d * d - 2.0 * lien * lien) / (2.0 * lien * lien), -1.0, 1.0));
    const double bras = std::atan2(hauteur, rayon) + coude / 2.0;

    return QString::asprintf(" 1:%d  2:%d  3:%d  4:%d  5:%d\r\n", borne(base * comptesParRadian),
                             borne(bras * comptesParRadian), borne(coude * comptesParRadian),
                             borne(double(p.P) + p.R), borne(double(p.P) - p.R))
        .toLatin1();
}

} // namespace

InterpreteurScorbot::InterpreteurScorbot(const OptionsInterpreteur& options)
    : m_options(options), m_alea(options.graine)
{
    m_trajet.depart = m_trajet.arrivee = poseRepos();
}

QByteArray InterpreteurScorbot::recevoir(const QByteArray& octets, qint64 ms)
{
    if (!m_raccroche)
        m_file += octets;
    QByteArray sortie;
    traiterFile(ms, sortie);
    return sortie;
}

QByteArray InterpreteurScorbot::avancer(qint64 ms)
{
    QByteArray sortie;
    traiterFile(ms, sortie);
    return sortie;
}

qint64 InterpreteurScorbot::prochaineEcheance() const
{
    return m_homing && !m_raccroche ? m_trajet.finMs : -1;
}

EtatBras InterpreteurScorbot::etat(qint64 ms) const
{
    EtatBras e;
    e.position = positionA(ms);
    e.homing = m_homing && ms < m_trajet.finMs;
    e.enMouvement = ms < m_trajet.finMs;
    e.pinceOuverte = m_pinceOuverte;
    return e;
}

QList<LigneRecue> InterpreteurScorbot::prendreLignes()
{
    QList<LigneRecue> lignes;
    lignes.swap(m_nouvelles);
    return lignes;
}

bool InterpreteurScorbot::muet() const
{
    // A line that will hang up is not answered either: the program sees silence, then the hang-up.
    return m_silencieux || (m_options.silenceApres >= 0 && m_lignes >= m_options.silenceApres) ||
           (m_options.raccrocheApres >= 0 && m_lignes >= m_options.raccrocheApres);
}

void InterpreteurScorbot::traiterFile(qint64 ms, QByteArray& sortie)
{
    ms = std::max(ms, m_dernierMs);
    m_dernierMs = ms;
    qsizetype lus = 0;
    while (!m_raccroche) {
        if (m_homing) {
            if (ms < m_trajet.finMs)
                break;
            m_homing = false;
            if (!m_silencieux)
                sortie += bruiter(QByteArray("Homing complete(robot).\r\n") + invite);
        }
        if (lus >= m_file.size())
            break;
        traiterOctet(m_file.at(lus++), ms, sortie);
    }
    if (m_raccroche)
        m_file.clear();
    else
        m_file.remove(0, lus);
}

void InterpreteurScorbot::traiterOctet(char octet, qint64 ms, QByteArray& sortie)
{
    const bool sansReponse = muet();
    const bool finDeLigne = octet == '\r' || octet == '\n';
    // "\r\n" ends one line, not two.
    if (octet == '\n' && m_crPrecedent) {
        m_crPrecedent = false;
        return;
    }
    m_crPrecedent = octet == '\r';

    QByteArray reponse;
    if (finDeLigne) {
        reponse = "\r\n";
        const QByteArray ligne = m_ligne;
        m_ligne.clear();
        ++m_lignes;
        m_nouvelles.append({ms, ligne});
        if (m_options.raccrocheApres >= 0 && m_lignes > m_options.raccrocheApres) {
            m_raccroche = true;
            return;
        }
        // A silent controller has stopped working, not only talking.
        if (!sansReponse)
            reponse += executer(ligne, ms);
    } else if (octet == '\b' || octet == '\x7f') {
        if (!m_ligne.isEmpty()) {
            m_ligne.chop(1);
            reponse = "\b \b";
        }
    } else if (octet == '\t' || static_cast<unsigned char>(octet) >= 0x20) {
        if (m_ligne.size() < longueurLigneMax) {
            const char c = octet == '\t' ? ' ' : octet;
            m_ligne += c;
            // Echoing a typed '>' would look like a prompt to the program.
            if (c != invite)
                reponse += c;
        }
    }
    if (!sansReponse)
        sortie += bruiter(reponse);
}

QByteArray InterpreteurScorbot::executer(const QByteArray& ligne, qint64 ms)
{
    if (!m_nomEnseigne.isEmpty())
        return valeurEnseignee(ligne);

    const QList<QByteArray> mots = ligne.simplified().split(' ');
    const QByteArray commande = mots.first().toUpper();
    if (commande.isEmpty())
        return QByteArray(1, invite);

    if (commande == "HOME" || commande == "OPEN" || commande == "CLOSE") {
        if (mots.size() > 1)
            return erreur("TOO MANY ARGUMENTS");
        if (commande == "HOME") {
            m_trajet = {positionA(ms), poseRepos(), ms, ms + std::max(0, m_options.homeMs)};
            m_homing = true;
            return {}; // answered when homing ends, see traiterFile()
        }
        m_pinceOuverte = commande == "OPEN";
        return QByteArray("Done.\r\n") + invite;
    }

    if (commande != "DEFP" && commande != "TEACH" && commande != "MOVE" && commande != "LISTPV")
        return erreur("UNKNOWN COMMAND");
    if (mots.size() < 2)
        return erreur("POINT NAME MISSING");
    if (mots.size() > 2)
        return erreur("TOO MANY ARGUMENTS");
    const QByteArray nom = mots.at(1).toUpper();
    if (commande == "LISTPV" && nom == "POSITION")
        return listing("Current position", positionA(ms));
    if (nom.size() > longueurNomMax)
        return erreur("NAME TOO LONG");
    if (!nomValide(nom) || nom == "POSITION")
        return erreur("INVALID NAME");

    const auto point = m_points.find(nom);
    if (commande == "DEFP") {
        if (point != m_points.end())
            return erreur("POINT ALREADY DEFINED");
        m_points.insert(nom, Point{nom, false, {}});
        return QByteArray(1, invite);
    }
    if (point == m_points.end())
        return erreur("POINT NOT DEFINED");
    if (commande == "TEACH") {
        m_nomEnseigne = nom;
        m_indexEnseigne = 0;
        return "X --" + QByteArray(1, invite);
    }
    if (!point->enseigne)
        return erreur("POINT NOT TAUGHT");
    if (commande == "LISTPV")
        return listing("Position " + point->nom, point->pose);

    const PoseBras depart = positionA(ms);
    const PoseBras& arrivee = point->pose;
    const int ecart = std::max({std::abs(arrivee.X - depart.X), std::abs(arrivee.Y - depart.Y),
                                std::abs(arrivee.Z - depart.Z), std::abs(arrivee.P - depart.P),
                                std::abs(arrivee.R - depart.R)});
    const qint64 duree =
        m_options.vitesse > 0.0 ? qint64(std::ceil(ecart * 1000.0 / m_options.vitesse)) : 0;
    m_trajet = {depart, arrivee, ms, ms + duree};
    return QByteArray("Done.\r\n") + invite;
}

QByteArray InterpreteurScorbot::valeurEnseignee(const QByteArray& ligne)
{
    bool ok = false;
    const int valeur = ligne.trimmed().toInt(&ok);
    if (!ok || std::abs(valeur) > valeurMax) {
        // The point keeps what it had: a teach is all five values or nothing.
        m_nomEnseigne.clear();
        return erreur(ok ? "VALUE OUT OF RANGE" : "INVALID VALUE");
    }
    m_valeurs[m_indexEnseigne++] = valeur;
    if (m_indexEnseigne < 5)
        return QByteArray(1, "XYZPR"[m_indexEnseigne]) + " --" + invite;

    Point& point = m_points[m_nomEnseigne];
    point.pose = {m_valeurs[0], m_valeurs[1], m_valeurs[2], m_valeurs[3], m_valeurs[4]};
    point.enseigne = true;
    m_nomEnseigne.clear();
    return QByteArray(1, invite);
}

QByteArray InterpreteurScorbot::listing(const QByteArray& titre, const PoseBras& p) const
{
    // Each value starts three bytes after its letter and ends at a space or the line end: the
    // program reads the listing that way.
    QByteArray texte =
        titre + "\r\n" + lignesArticulations(p) +
        QString::asprintf(" X: %d  Y: %d  Z: %d  P: %d  R: %d\r\n", p.X, p.Y, p.Z, p.P, p.R)
            .toLatin1();
    // Padding comes after the X/Y/Z line, so that a reader that keeps only the first 140 bytes
    // still finds its values; it holds none of the letters X, Y or Z.
    for (int axe = 6; m_options.listingLong && texte.size() <= 200; axe += 4)
        texte += QString::asprintf(" %d:0  %d:0  %d:0  %d:0\r\n", axe, axe + 1, axe + 2, axe + 3)
                     .toLatin1();
    return texte + invite;
}

QByteArray InterpreteurScorbot::bruiter(const QByteArray& texte)
{
    if (!m_options.bruit)
        return texte;
    QByteArray brouille;
    for (const char c : texte) {
        if (m_alea() % 4 == 0) {
            char parasite;
            do
                parasite = static_cast<char>(m_alea() & 0xff);
            while (parasite == invite);
            brouille += parasite;
        }
        brouille += c;
    }
    return brouille;
}

PoseBras InterpreteurScorbot::positionA(qint64 ms) const
{
    const Trajet& t = m_trajet;
    if (ms >= t.finMs)
        return t.arrivee;
    if (ms <= t.debutMs)
        return t.depart;
    const double f = double(ms - t.debutMs) / double(t.finMs - t.debutMs);
    const auto entre = [f](int a, int b) { return int(std::lround(a + (b - a) * f)); };
    return {entre(t.depart.X, t.arrivee.X), entre(t.depart.Y, t.arrivee.Y),
            entre(t.depart.Z, t.arrivee.Z), entre(t.depart.P, t.arrivee.P),
            entre(t.depart.R, t.arrivee.R)};
}
