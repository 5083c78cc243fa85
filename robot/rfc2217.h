#pragma once

#include <QByteArray>
#include <array>
#include <cstddef>

// The client's side of a Telnet connection to a port server that offers the COM port control
// option (RFC 2217), as pure code: what to send to open the connection and set the controller's
// line (9600 baud, 8 data bits, no parity, 2 stop bits, no flow control, DTR and RTS raised),
// how data bytes are escaped on the way out, and the received stream taken apart byte by byte
// into data and negotiation.
//
// Threads: none of its own; one instance belongs to one connection.
class Rfc2217
{
public:
    // Offers the COM port option and binary transfer both ways, and suppresses go-ahead.
    QByteArray ouverture();
    // The line settings, to send once the server accepted the option (optionAcceptee()).
    static QByteArray reglages();
    // Data as it goes over Telnet: every 0xFF doubled.
    static QByteArray echapper(const char* donnees, std::size_t taille);

    // Takes one received byte. True when it is a data byte, then given in `donnee`; whatever the
    // negotiation owes the server is appended to `reponse`.
    bool recevoir(unsigned char octet, char& donnee, QByteArray& reponse);

    bool optionAcceptee() const { return m_nous[kComPort] == Option::Oui; }
    // The server refused the option, or set the line otherwise than asked.
    bool refuse() const { return m_refuse; }
    // Every setting that decides how bytes are framed was confirmed with the value asked.
    bool regle() const { return m_confirmes == kTousConfirmes; }

private:
    static constexpr unsigned char kComPort = 44;
    static constexpr unsigned kTousConfirmes = 0xF; // speed, data bits, parity, stop bits

    // Where an option stands on one side (RFC 1143, without the queue: nothing here asks for
    // an option twice).
    enum class Option : unsigned char
    {
        Non,
        Demandee,
        Oui,
    };
    enum class Etat : unsigned char
    {
        Donnee,
        Iac,
        Verbe,
        Sous,
        SousIac,
    };

    void traiterVerbe(unsigned char verbe, unsigned char option, QByteArray& reponse);
    void traiterSousNegociation();

    Etat m_etat = Etat::Donnee;
    unsigned char m_verbe = 0;
    QByteArray m_sous;
    std::array<Option, 256> m_nous{}; // options this side performs (WILL / WONT)
    std::array<Option, 256> m_eux{};  // options the server performs (DO / DONT)
    unsigned m_confirmes = 0;
    bool m_refuse = false;
};
