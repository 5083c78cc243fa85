#include "robot/rfc2217.h"

#include <initializer_list>

namespace {

constexpr unsigned char IAC = 255;
constexpr unsigned char DONT = 254;
constexpr unsigned char DO = 253;
constexpr unsigned char WONT = 252;
constexpr unsigned char WILL = 251;
constexpr unsigned char SB = 250;
constexpr unsigned char SE = 240;

constexpr unsigned char BINAIRE = 0;
constexpr unsigned char SANS_GA = 3;
constexpr unsigned char COM_PORT = 44;

// COM port commands as the client sends them; the server's answers carry the code plus 100.
constexpr unsigned char VITESSE = 1;
constexpr unsigned char BITS_DONNEES = 2;
constexpr unsigned char PARITE = 3;
constexpr unsigned char BITS_STOP = 4;
constexpr unsigned char CONTROLE = 5;
constexpr unsigned char REPONSE = 100;

constexpr unsigned char PARITE_AUCUNE = 1;
constexpr unsigned char SANS_CONTROLE_DE_FLUX = 1;
constexpr unsigned char DTR_LEVE = 8;
constexpr unsigned char RTS_LEVE = 11;

const QByteArray kVitesse("\x00\x00\x25\x80", 4); // 9600, most significant byte first

QByteArray octets(std::initializer_list<unsigned char> liste)
{
    QByteArray sortie;
    for (unsigned char c : liste)
        sortie.append(char(c));
    return sortie;
}

QByteArray verbe(unsigned char v, unsigned char option)
{
    return octets({IAC, v, option});
}

QByteArray commande(unsigned char code, const QByteArray& valeur)
{
    return octets({IAC, SB, COM_PORT, code}) +
           Rfc2217::echapper(valeur.constData(), std::size_t(valeur.size())) + octets({IAC, SE});
}

bool accepteChezNous(unsigned char option)
{
    return option == BINAIRE || option == SANS_GA || option == COM_PORT;
}

bool accepteChezEux(unsigned char option)
{
    return option == BINAIRE || option == SANS_GA;
}

} // namespace

QByteArray Rfc2217::ouverture()
{
    for (unsigned char option : {COM_PORT, BINAIRE, SANS_GA})
        m_nous[option] = Option::Demandee;
    for (unsigned char option : {BINAIRE, SANS_GA})
        m_eux[option] = Option::Demandee;
    return verbe(WILL, COM_PORT) + verbe(WILL, BINAIRE) + verbe(DO, BINAIRE) +
           verbe(WILL, SANS_GA) + verbe(DO, SANS_GA);
}

QByteArray Rfc2217::reglages()
{
    return commande(VITESSE, kVitesse) + commande(BITS_DONNEES, QByteArray(1, 8)) +
           commande(PARITE, QByteArray(1, PARITE_AUCUNE)) + commande(BITS_STOP, QByteArray(1, 2)) +
           commande(CONTROLE, QByteArray(1, SANS_CONTROLE_DE_FLUX)) +
           commande(CONTROLE, QByteArray(1, DTR_LEVE)) +
           commande(CONTROLE, QByteArray(1, RTS_LEVE));
}

QByteArray Rfc2217::echapper(const char* donnees, std::size_t taille)
{
    QByteArray sortie;
    sortie.reserve(qsizetype(taille));
    for (std::size_t i = 0; i < taille; ++i) {
        sortie.append(donnees[i]);
        if (static_cast<unsigned char>(donnees[i]) == IAC)
            sortie.append(char(IAC));
    }
    return sortie;
}

bool Rfc2217::recevoir(unsigned char octet, char& donnee, QByteArray& reponse)
{
    switch (m_etat) {
    case Etat::Donnee:
        if (octet != IAC) {
            donnee = char(octet);
            return true;
        }
        m_etat = Etat::Iac;
        return false;
    case Etat::Iac:
        m_etat = Etat::Donnee;
        if (octet == IAC) {
            donnee = char(IAC);
            return true;
        }
        if (octet >= WILL) {
            m_verbe = octet;
            m_etat = Etat::Verbe;
        } else if (octet == SB) {
            m_sous.clear();
            m_etat = Etat::Sous;
        }
        return false; // NOP, go-ahead and the like carry nothing for a serial line
    case Etat::Verbe:
        m_etat = Etat::Donnee;
        traiterVerbe(m_verbe, octet, reponse);
        return false;
    case Etat::Sous:
        if (octet == IAC)
            m_etat = Etat::SousIac;
        else if (m_sous.size() < 64) // nothing the server may say is longer; junk must not grow
            m_sous.append(char(octet));
        return false;
    case Etat::SousIac:
        if (octet == IAC) {
            m_etat = Etat::Sous;
            if (m_sous.size() < 64)
                m_sous.append(char(IAC));
            return false;
        }
        m_etat = Etat::Donnee;
        if (octet == SE)
            traiterSousNegociation();
        return false;
    }
    return false;
}

void Rfc2217::traiterVerbe(unsigned char v, unsigned char option, QByteArray& reponse)
{
    // Only a change of state is answered, so that two sides never echo each other forever.
    const bool pourNous = v == DO || v == DONT;
    Option& etat = pourNous ? m_nous[option] : m_eux[option];
    const bool accepte = pourNous ? accepteChezNous(option) : accepteChezEux(option);
    const unsigned char oui = pourNous ? WILL : DO;
    const unsigned char non = pourNous ? WONT : DONT;
    if (v == DO || v == WILL) {
        if (!accepte)
            reponse += verbe(non, option);
        else if (etat == Option::Non)
            reponse += verbe(oui, option);
        if (accepte)
            etat = Option::Oui;
        return;
    }
    if (etat == Option::Oui)
        reponse += verbe(non, option);
    if (etat != Option::Non && pourNous && option == COM_PORT)
        m_refuse = true;
    etat = Option::Non;
}

void Rfc2217::traiterSousNegociation()
{
    if (m_sous.size() < 3 || static_cast<unsigned char>(m_sous[0]) != COM_PORT)
        return;
    const int code = static_cast<unsigned char>(m_sous[1]) - REPONSE;
    const QByteArray valeur = m_sous.mid(2);
    QByteArray attendu;
    switch (code) {
    case VITESSE:
        attendu = kVitesse;
        break;
    case BITS_DONNEES:
        attendu = QByteArray(1, 8);
        break;
    case PARITE:
        attendu = QByteArray(1, PARITE_AUCUNE);
        break;
    case BITS_STOP:
        attendu = QByteArray(1, 2);
        break;
    default:
        // The modem lines and flow control: a pseudo-terminal behind the server has no modem
        // lines and its server may not confirm them, and they do not change the bytes' framing.
        // Line and modem state notifications carry nothing the link acts on.
        return;
    }
    if (valeur != attendu)
        m_refuse = true;
    else
        m_confirmes |= 1u << (code - VITESSE);
}
