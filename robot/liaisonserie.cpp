#include "robot/liaisonserie.h"

#include "robot/protocole.h"

#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

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
    // Whatever was on the wire when an exchange was cut short may have reached the controller in
    // part: the next pose is read back before the arm moves.
    if (issue == IssueAttente::Silence || issue == IssueAttente::Raccroche)
        m_aConfirmer = true;
    if (m_derniereIssue.exchange(issue) != issue && m_observateur)
        m_observateur(issue);
}

void LiaisonSerie::nommer(const char* nom)
{
    m_nomEchange = nom;
    m_port.nommerEchange(nom);
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
    m_aConfirmer = true;
    m_promptsDus = 0;
    m_sale = false;
    m_sondeEnVol = false;
    return true;
}

IssueAttente LiaisonSerie::raccrochage()
{
    m_port.fermer();
    noterIssue(IssueAttente::Raccroche);
    return IssueAttente::Raccroche;
}

IssuePort LiaisonSerie::lire(char& octet, int delaiMs)
{
    const IssuePort lu = m_port.lireOctet(octet, delaiMs);
    if (lu == IssuePort::Octet) {
        m_dernierOctetMs = maintenantMs();
        if (octet == '>' && m_promptsDus > 0)
            --m_promptsDus;
    }
    return lu;
}

IssueAttente LiaisonSerie::commencerEchange(const char* nom)
{
    if (m_port.estInterrompu())
        return IssueAttente::Interrompu;
    nommer(nom);
    if (!m_port.estOuvert() && !reouvrirSiPossible()) {
        noterIssue(IssueAttente::Raccroche);
        return IssueAttente::Raccroche;
    }
    if (m_aVerifier) {
        const IssueAttente sonde = sonder();
        nommer(nom);
        if (sonde != IssueAttente::Recu)
            return sonde;
    }
    IssueAttente issue = remettreEnPhase();
    if (issue == IssueAttente::Recu && m_saisiePossible) {
        issue = quitterSaisie();
        nommer(nom);
    }
    return issue;
}

IssueAttente LiaisonSerie::sonder()
{
    m_port.nommerEchange("sonde");
    Envoyer("\r");
    QByteArray reponse;
    const IssueAttente issue = attendre('>', m_bornes.sondageMs, true, &reponse);
    if (issue == IssueAttente::Recu) {
        m_aVerifier = false;
        m_sale = true; // a controller may say more than its prompt; let the line settle
        // The controller kept a teach across the hang-up and took the probe as a coordinate.
        if (protocole::demandeUneValeur(reponse))
            m_saisiePossible = true;
    } else if (issue == IssueAttente::Silence) {
        // Not a controller, or not one that answers: nothing else goes to it. The name is tried
        // again later, in case the controller comes back under it.
        m_port.fermer();
    }
    return issue;
}

IssueAttente LiaisonSerie::quitterSaisie()
{
    // An empty line first: at the prompt it does nothing, and a controller may end a teach on it.
    // One that asks for the next value gets zeros until the teach is complete; the point they
    // leave is taught again and read back before the arm moves.
    m_port.nommerEchange("saisie");
    for (int i = 0; i < 6; ++i) {
        Envoyer(i == 0 ? "\r" : "0\r");
        QByteArray reponse;
        const IssueAttente issue = attendre('>', m_bornes.echangeMs, true, &reponse);
        if (issue != IssueAttente::Recu)
            return issue;
        if (!protocole::demandeUneValeur(reponse)) {
            m_saisiePossible = false;
            return IssueAttente::Recu;
        }
    }
    return IssueAttente::Dephase;
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
        if (m_sondeEnVol && jetes.contains('>'))
            promptsPerdus();
    }
    char octet = 0;
    if (!octetRecu && m_promptsDus == 0 && !m_sale)
        return IssueAttente::Recu;

    const long long debut = maintenantMs();
    const bool panne = enPanne();
    for (;;) {
        veiller();
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
                m_sondeEnVol = false;
            } else if (octetRecu) {
                m_sale = true; // still talking: the next exchange waits for quiet too
            }
            noterIssue(IssueAttente::Silence);
            return IssueAttente::Silence;
        }
        long long jusqua = std::min(limite, prochaineVeilleMs());
        if (m_promptsDus == 0)
            jusqua = std::min(jusqua, m_dernierOctetMs + m_bornes.calmeMs);
        const int delai =
            static_cast<int>(std::clamp<long long>(jusqua - maintenant, 0, m_bornes.delaiOctetMs));
        switch (lire(octet, delai)) {
        case IssuePort::Octet:
            octetRecu = true;
            if (octet == '>' && m_sondeEnVol)
                promptsPerdus();
            break;
        case IssuePort::Delai:
            break;
        case IssuePort::Raccroche:
            return raccrochage();
        case IssuePort::Interrompu:
            return IssueAttente::Interrompu;
        }
    }
}

long long LiaisonSerie::prochaineVeilleMs() const
{
    if (m_sondeEnVol || m_promptsDus == 0)
        return std::numeric_limits<long long>::max();
    return std::max(m_dernierOctetMs, m_derniereEcritureMs) + m_bornes.veilleMs;
}

void LiaisonSerie::veiller()
{
    if (!m_port.estOuvert() || maintenantMs() < prochaineVeilleMs())
        return;
    m_port.nommerEchange("veille");
    Envoyer("\r");
    m_port.nommerEchange(m_nomEchange);
    m_sondeEnVol = true;
}

bool LiaisonSerie::promptsPerdus()
{
    // Prompts come in the order of their lines, the probe's last. Once the line is quiet, prompts
    // still owed for lines written before the probe will not come: the controller dropped them
    // (it restarted) and answered only the probe. A busy controller answers what it owes first.
    m_sondeEnVol = false;
    char octet = 0;
    while (m_promptsDus > 0) {
        const IssuePort lu = lire(octet, m_bornes.calmeMs);
        if (lu == IssuePort::Delai) {
            m_promptsDus = 0;
            m_aConfirmer = true;
            // It may have been inside a teach when the probe came; a restarted one no longer is,
            // and one line tells.
            m_saisiePossible = true;
            return true;
        }
        if (lu != IssuePort::Octet)
            return false; // the caller's next read sees the hang-up or the interruption
    }
    return false;
}

void LiaisonSerie::laisserFinir(long long limite)
{
    char octet = 0;
    while (maintenantMs() < limite) {
        const long long reste = limite - maintenantMs();
        switch (lire(octet, static_cast<int>(std::min<long long>(reste, m_bornes.calmeMs)))) {
        case IssuePort::Octet:
            break;
        case IssuePort::Delai:
            return;
        case IssuePort::Raccroche:
            m_port.fermer();
            return;
        case IssuePort::Interrompu:
            return;
        }
    }
    m_sale = true; // still talking: the next exchange waits for quiet
}

int LiaisonSerie::Envoyer(const char* commande)
{
    if (m_port.estInterrompu() || !m_port.estOuvert())
        return 1;
    const IssuePort ecrit = m_port.ecrire(commande, std::strlen(commande), m_bornes.echangeMs);
    m_derniereEcritureMs = maintenantMs();
    if (ecrit == IssuePort::Raccroche)
        m_port.fermer();
    else if (ecrit == IssuePort::Delai)
        m_sale = true;
    if (ecrit != IssuePort::Interrompu)
        ++m_promptsDus;
    return 1;
}

IssueAttente LiaisonSerie::AttendreCaractere(const char* attendu, GenreAttente genre)
{
    if (attendu[0] == '\0')
        return IssueAttente::Recu;
    // Homing takes its own bound whatever state the line is in: a controller that answered late
    // or not at all a moment ago may be homing now, and "open" must wait for homing's end.
    if (genre == GenreAttente::Home)
        return attendre(attendu[0], m_bornes.homeMs, false);
    return attendre(attendu[0], m_bornes.echangeMs, true);
}

IssueAttente LiaisonSerie::attendre(char attendu, int borneMs, bool raccourcir, QByteArray* reponse)
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
    const bool panne = raccourcir && enPanne();
    bool octetRecu = false;
    for (;;) {
        veiller();
        long long limite = echeance;
        if (panne && !octetRecu)
            limite = std::min(limite, debut + m_bornes.sondageMs);
        const long long maintenant = maintenantMs();
        if (limite <= maintenant) {
            noterIssue(IssueAttente::Silence);
            return IssueAttente::Silence;
        }
        const long long jusqua = std::min(limite, prochaineVeilleMs());
        const int delai =
            static_cast<int>(std::clamp<long long>(jusqua - maintenant, 0, m_bornes.delaiOctetMs));
        char octet = 0;
        switch (lire(octet, delai)) {
        case IssuePort::Octet:
            octetRecu = true;
            if (reponse && reponse->size() < kReponseMax)
                reponse->append(octet);
            if (octet != attendu)
                break;
            m_aRepondu = true;
            noterIssue(IssueAttente::Recu);
            if (m_sondeEnVol && promptsPerdus())
                return IssueAttente::Dephase; // what this wait was for will never come
            // A byte already waiting behind the prompt cannot answer a line not yet written:
            // the prompt was not the answer's last byte (a '>' inside a text). The rest is read
            // now, so that the next line, of this exchange or the next, goes out after it.
            switch (lire(octet, 0)) {
            case IssuePort::Octet:
                laisserFinir(std::min(echeance, maintenantMs() + m_bornes.echangeMs));
                break;
            case IssuePort::Raccroche:
                m_port.fermer();
                break;
            default:
                break;
            }
            return IssueAttente::Recu;
        case IssuePort::Delai:
            break; // one read request gave nothing: the wait goes on until its bound
        case IssuePort::Raccroche:
            return raccrochage();
        case IssuePort::Interrompu:
            return IssueAttente::Interrompu;
        }
    }
}

IssueAttente LiaisonSerie::echangeSimple(const char* commande, GenreAttente genre, const char* nom)
{
    const IssueAttente debut = commencerEchange(nom);
    if (debut != IssueAttente::Recu)
        return debut;
    Envoyer(commande);
    return AttendreCaractere(">", genre);
}

IssueAttente LiaisonSerie::EnvoyerConsigne(ConsigneRobot consigne)
{
    const IssueAttente debut = commencerEchange("consigne");
    if (debut != IssueAttente::Recu)
        return debut;
    const QList<QByteArray> lignes = protocole::lignesConsigne(consigne);
    if (lignes.isEmpty())
        return IssueAttente::Recu;
    // After a disturbance the point is read back before the arm moves to it: a teach cut short,
    // or one whose values a controller took out of step, may have left it mixed.
    const bool confirmer = m_aConfirmer;
    for (qsizetype i = 0; i + 1 < lignes.size(); ++i) {
        if (lignes[i].startsWith("teach"))
            m_saisiePossible = true;
        Envoyer(lignes[i].constData());
        const IssueAttente issue = AttendreCaractere(">");
        if (issue != IssueAttente::Recu)
            return issue;
    }
    m_saisiePossible = false;
    if (confirmer) {
        Envoyer(protocole::commandePoint("listpv", consigne.nomPoint).constData());
        QByteArray listing;
        const IssueAttente issue = attendre('>', m_bornes.echangeMs, true, &listing);
        if (issue != IssueAttente::Recu)
            return issue;
        if (!protocole::listingConfirme(listing, consigne)) {
            // Not the point that was written: the arm stays where it is, and the controller may
            // still be inside the teach.
            m_saisiePossible = true;
            return IssueAttente::Dephase;
        }
    }
    Envoyer(lignes.last().constData());
    const IssueAttente issue = AttendreCaractere(">");
    if (issue == IssueAttente::Recu && confirmer)
        m_aConfirmer = false;
    return issue;
}

IssueAttente LiaisonSerie::LirePosition(ConsigneRobot consigne, char* tampon, std::size_t taille,
                                        int* x, int* y, int* z)
{
    const IssueAttente debut = commencerEchange("listing");
    if (debut != IssueAttente::Recu)
        return debut;
    Envoyer(protocole::commandePoint("listpv", consigne.nomPoint).constData());
    QByteArray reponse;
    const IssueAttente issue = attendre('>', m_bornes.echangeMs, true, &reponse);
    if (issue == IssueAttente::Recu) {
        // The caller's buffer gets the answer's first bytes and never more than it holds.
        const std::size_t stockes = std::min(taille, std::size_t(reponse.size()));
        std::memcpy(tampon, reponse.constData(), stockes);
        protocole::analyserListing(tampon, stockes, x, y, z);
    }
    return issue;
}
