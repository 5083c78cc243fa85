#include "robot/liaisonserie.h"

#include "robot/protocole.h"

#include <QRegularExpression>
#include <chrono>
#include <cstring>

namespace {
long long maintenantMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

LiaisonSerie::LiaisonSerie(const QString& port, BornesLiaison bornes)
    : m_nom(port), m_chemin(cheminPeripherique(port)), m_bornes(bornes)
{
}

QString LiaisonSerie::cheminPeripherique(const QString& port)
{
    // The controller's manuals speak of COM ports; COM1 is the first serial port of the machine.
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]*)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(port);
    if (m.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(m.captured(1).toInt() - 1);
    return port;
}

int LiaisonSerie::Ouvrir()
{
    return m_port.ouvrir(m_chemin);
}

bool LiaisonSerie::Fermer()
{
    return m_port.fermer();
}

void LiaisonSerie::setObservateur(std::function<void(IssueAttente)> observateur)
{
    m_observateur = std::move(observateur);
}

void LiaisonSerie::noterIssue(IssueAttente issue)
{
    if (m_derniereIssue.exchange(issue) != issue && m_observateur)
        m_observateur(issue);
}

bool LiaisonSerie::reouvrirSiPossible()
{
    // A device that was unplugged may come back under the same name; try again now and then,
    // never in a tight loop.
    const long long maintenant = maintenantMs();
    if (m_derniereTentativeMs != 0 && maintenant - m_derniereTentativeMs < m_bornes.reouvertureMs)
        return false;
    m_derniereTentativeMs = maintenant;
    return m_port.ouvrir(m_chemin) == 1;
}

int LiaisonSerie::Envoyer(const char* commande)
{
    if (m_port.estInterrompu())
        return 1;
    if (!m_port.estOuvert() && !reouvrirSiPossible())
        return 1;
    if (m_horsPhase) {
        // The last exchange was abandoned halfway: whatever the controller said since belongs to
        // it, not to this command.
        m_port.viderEntree();
        m_horsPhase = false;
    }
    const Lecture ecrit = m_port.ecrire(commande, std::strlen(commande), m_bornes.echangeMs);
    if (ecrit == Lecture::Raccroche)
        m_port.fermer();
    else if (ecrit == Lecture::Delai)
        m_horsPhase = true;
    return 1;
}

IssueAttente LiaisonSerie::AttendreCaractere(const char* attendu, GenreAttente genre)
{
    if (attendu[0] == '\0')
        return IssueAttente::Recu;
    const int borne = genre == GenreAttente::Home ? m_bornes.homeMs : m_bornes.echangeMs;
    return attendre(attendu[0], borne, nullptr, 0, nullptr);
}

IssueAttente LiaisonSerie::attendre(char attendu, int borneMs, char* tampon, std::size_t taille,
                                    std::size_t* stockes)
{
    if (m_port.estInterrompu())
        return IssueAttente::Interrompu;
    if (!m_port.estOuvert()) {
        noterIssue(IssueAttente::Raccroche);
        return IssueAttente::Raccroche;
    }
    const long long debut = maintenantMs();
    const long long echeance = debut + borneMs;
    // While an outage lasts, a wait that hears nothing at all gives up sooner, so that the
    // exchanges queued behind the line mutex (the window's among them) are not held for long.
    const bool enPanne = m_derniereIssue.load() != IssueAttente::Recu;
    bool octetRecu = false;
    for (;;) {
        long long limite = echeance;
        if (enPanne && !octetRecu)
            limite = std::min(limite, debut + m_bornes.sondageMs);
        const long long reste = limite - maintenantMs();
        if (reste <= 0) {
            m_horsPhase = true;
            noterIssue(IssueAttente::Silence);
            return IssueAttente::Silence;
        }
        char octet = 0;
        switch (m_port.lireOctet(
            octet, static_cast<int>(std::min<long long>(reste, m_bornes.delaiOctetMs)))) {
        case Lecture::Octet:
            octetRecu = true;
            if (tampon && *stockes < taille)
                tampon[(*stockes)++] = octet;
            if (octet == attendu) {
                noterIssue(IssueAttente::Recu);
                return IssueAttente::Recu;
            }
            break;
        case Lecture::Delai:
            break; // one read request gave nothing: the wait goes on until its bound
        case Lecture::Raccroche:
            m_port.fermer();
            noterIssue(IssueAttente::Raccroche);
            return IssueAttente::Raccroche;
        case Lecture::Interrompu:
            return IssueAttente::Interrompu;
        }
    }
}

IssueAttente LiaisonSerie::EnvoyerConsigne(ConsigneRobot consigne)
{
    for (const QByteArray& ligne : protocole::lignesConsigne(consigne)) {
        Envoyer(ligne.constData());
        const IssueAttente issue = AttendreCaractere(">");
        if (issue != IssueAttente::Recu)
            return issue;
    }
    return IssueAttente::Recu;
}

IssueAttente LiaisonSerie::LirePosition(ConsigneRobot consigne, char* tampon, std::size_t taille,
                                        int* x, int* y, int* z)
{
    Envoyer(protocole::commandePoint("listpv", consigne.nomPoint).constData());
    std::size_t stockes = 0;
    const IssueAttente issue = attendre('>', m_bornes.echangeMs, tampon, taille, &stockes);
    if (issue == IssueAttente::Recu)
        protocole::analyserListing(tampon, stockes, x, y, z);
    return issue;
}
