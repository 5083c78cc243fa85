#include "robot/liaisonserie.h"

#include "robot/protocole.h"

#include <QRegularExpression>
#include <algorithm>
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

bool LiaisonSerie::activerTrace(const QString& fichier, QString* erreur)
{
    return m_port.activerTrace(fichier, erreur);
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

bool LiaisonSerie::enPanne() const
{
    // Until the controller has answered once, a silent line is as good as an outage: the
    // operator hears of it after the short bound, not after a whole exchange's.
    return !m_aRepondu || m_derniereIssue.load() != IssueAttente::Recu;
}

bool LiaisonSerie::reouvrirSiPossible()
{
    // A device that was unplugged may come back under the same name; try again now and then,
    // never in a tight loop.
    const long long maintenant = maintenantMs();
    if (m_derniereTentativeMs != 0 && maintenant - m_derniereTentativeMs < m_bornes.reouvertureMs)
        return false;
    m_derniereTentativeMs = maintenant;
    if (m_port.ouvrir(m_chemin) != 1)
        return false;
    // Whatever now answers to the name may not be the controller.
    m_aVerifier = true;
    m_promptsDus = 0;
    m_sale = false;
    return true;
}

IssueAttente LiaisonSerie::raccrochage()
{
    m_port.fermer();
    noterIssue(IssueAttente::Raccroche);
    return IssueAttente::Raccroche;
}

Lecture LiaisonSerie::lire(char& octet, int delaiMs)
{
    const Lecture lu = m_port.lireOctet(octet, delaiMs);
    if (lu == Lecture::Octet) {
        m_dernierOctetMs = maintenantMs();
        if (octet == '>' && m_promptsDus > 0)
            --m_promptsDus;
    }
    return lu;
}

IssueAttente LiaisonSerie::CommencerEchange(const char* nom)
{
    if (m_port.estInterrompu())
        return IssueAttente::Interrompu;
    m_port.nommerEchange(nom);
    if (!m_port.estOuvert() && !reouvrirSiPossible()) {
        noterIssue(IssueAttente::Raccroche);
        return IssueAttente::Raccroche;
    }
    if (m_aVerifier) {
        const IssueAttente sonde = sonder();
        m_port.nommerEchange(nom);
        if (sonde != IssueAttente::Recu)
            return sonde;
    }
    return remettreEnPhase();
}

IssueAttente LiaisonSerie::sonder()
{
    m_port.nommerEchange("sonde");
    Envoyer("\r");
    const IssueAttente issue = attendre('>', m_bornes.sondageMs, nullptr, 0, nullptr);
    if (issue == IssueAttente::Recu) {
        m_aVerifier = false;
        m_sale = true; // a controller may say more than its prompt; let the line settle
    } else if (issue == IssueAttente::Silence) {
        // Not a controller, or not one that answers: nothing else goes to it. The name is tried
        // again later, in case the controller comes back under it.
        m_port.fermer();
    }
    return issue;
}

IssueAttente LiaisonSerie::remettreEnPhase()
{
    // Whatever arrived between two exchanges answers nothing that is asked now; the prompts in
    // it still count.
    const QByteArray jetes = m_port.viderEntree();
    bool octetRecu = !jetes.isEmpty();
    if (octetRecu) {
        m_dernierOctetMs = maintenantMs();
        m_promptsDus = std::max<int>(0, m_promptsDus - int(jetes.count('>')));
    }
    char octet = 0;
    if (!octetRecu && m_promptsDus == 0 && !m_sale)
        return IssueAttente::Recu;

    const long long debut = maintenantMs();
    const bool panne = enPanne();
    for (;;) {
        const long long maintenant = maintenantMs();
        if (m_promptsDus == 0 && maintenant - m_dernierOctetMs >= m_bornes.calmeMs) {
            m_sale = false;
            return IssueAttente::Recu;
        }
        long long limite = debut + m_bornes.echangeMs;
        if (panne && !octetRecu)
            limite = std::min(limite, debut + m_bornes.sondageMs);
        if (maintenant >= limite) {
            // A controller that stalls answers what it holds later, in order, and nothing may be
            // written before that. One that stays quiet for twice an exchange's bound since the
            // line was last used has lost what it owed (a cable pulled, a controller restarted).
            const long long calme = maintenant - std::max(m_dernierOctetMs, m_derniereEcritureMs);
            if (!octetRecu && calme >= 2LL * m_bornes.echangeMs) {
                m_promptsDus = 0;
                m_sale = false;
            } else if (octetRecu) {
                m_sale = true; // still talking: the next exchange waits for quiet too
            }
            noterIssue(IssueAttente::Silence);
            return IssueAttente::Silence;
        }
        long long jusqua = limite;
        if (m_promptsDus == 0)
            jusqua = std::min(jusqua, m_dernierOctetMs + m_bornes.calmeMs);
        const int delai =
            static_cast<int>(std::clamp<long long>(jusqua - maintenant, 0, m_bornes.delaiOctetMs));
        switch (lire(octet, delai)) {
        case Lecture::Octet:
            octetRecu = true;
            break;
        case Lecture::Delai:
            break;
        case Lecture::Raccroche:
            return raccrochage();
        case Lecture::Interrompu:
            return IssueAttente::Interrompu;
        }
    }
}

int LiaisonSerie::Envoyer(const char* commande)
{
    if (m_port.estInterrompu() || !m_port.estOuvert())
        return 1;
    const Lecture ecrit = m_port.ecrire(commande, std::strlen(commande), m_bornes.echangeMs);
    m_derniereEcritureMs = maintenantMs();
    if (ecrit == Lecture::Raccroche)
        m_port.fermer();
    else if (ecrit == Lecture::Delai)
        m_sale = true;
    if (ecrit != Lecture::Interrompu)
        ++m_promptsDus;
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
    // requests queued behind the line mutex are not held for long.
    const bool panne = enPanne();
    bool octetRecu = false;
    for (;;) {
        long long limite = echeance;
        if (panne && !octetRecu)
            limite = std::min(limite, debut + m_bornes.sondageMs);
        const long long reste = limite - maintenantMs();
        if (reste <= 0) {
            noterIssue(IssueAttente::Silence);
            return IssueAttente::Silence;
        }
        char octet = 0;
        switch (lire(octet, static_cast<int>(std::min<long long>(reste, m_bornes.delaiOctetMs)))) {
        case Lecture::Octet:
            octetRecu = true;
            if (tampon && *stockes < taille)
                tampon[(*stockes)++] = octet;
            if (octet == attendu) {
                // A byte already waiting behind the prompt cannot answer a line not yet written:
                // the prompt was not the answer's last byte, and the next exchange must first let
                // the line settle.
                char suivant = 0;
                const Lecture apres = m_port.lireOctet(suivant, 0);
                if (apres == Lecture::Octet)
                    m_sale = true;
                else if (apres == Lecture::Raccroche)
                    m_port.fermer();
                m_aRepondu = true;
                noterIssue(IssueAttente::Recu);
                return IssueAttente::Recu;
            }
            break;
        case Lecture::Delai:
            break; // one read request gave nothing: the wait goes on until its bound
        case Lecture::Raccroche:
            return raccrochage();
        case Lecture::Interrompu:
            return IssueAttente::Interrompu;
        }
    }
}

IssueAttente LiaisonSerie::EchangeSimple(const char* commande, GenreAttente genre, const char* nom)
{
    const IssueAttente debut = CommencerEchange(nom);
    if (debut != IssueAttente::Recu)
        return debut;
    Envoyer(commande);
    return AttendreCaractere(">", genre);
}

IssueAttente LiaisonSerie::EnvoyerConsigne(ConsigneRobot consigne)
{
    const IssueAttente debut = CommencerEchange("consigne");
    if (debut != IssueAttente::Recu)
        return debut;
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
    const IssueAttente debut = CommencerEchange("listing");
    if (debut != IssueAttente::Recu)
        return debut;
    Envoyer(protocole::commandePoint("listpv", consigne.nomPoint).constData());
    std::size_t stockes = 0;
    const IssueAttente issue = attendre('>', m_bornes.echangeMs, tampon, taille, &stockes);
    if (issue == IssueAttente::Recu)
        protocole::analyserListing(tampon, stockes, x, y, z);
    return issue;
}
