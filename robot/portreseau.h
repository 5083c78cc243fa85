#pragma once

#include <QByteArray>
#include <QString>

// Where a controller behind a serial port server is: "socket://HOST:PORT" for a raw TCP server,
// "rfc2217://HOST:PORT" for Telnet with the COM port control option.
struct AdresseReseau
{
    bool rfc2217 = false;
    QByteArray hote;    // a name, an IPv4 address, or an IPv6 address without its brackets
    QByteArray service; // the TCP port, in digits
};

// The network side of the serial port, as plain functions: no state, no thread of their own.
namespace portreseau {

// True when `chemin` is meant as a network port at all, well formed or not.
bool estReseau(const QString& chemin);

// False with a one-line reason when `chemin` is not a well-formed network port.
bool analyser(const QString& chemin, AdresseReseau& adresse, QString* probleme = nullptr);

// A connected, non-blocking TCP socket, set up for a serial line carried over it; -1 when the
// name does not resolve, every address refuses or does not answer within `delaiMs`, or
// `fdInterruption` becomes readable (the connect is abandoned at once then). Resolving a name
// is not interruptible: it is bounded by the resolver's own time-outs.
int connecter(const AdresseReseau& adresse, int fdInterruption, int delaiMs,
              QString* raison = nullptr);

} // namespace portreseau
