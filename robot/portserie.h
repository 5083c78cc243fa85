#pragma once

#include <QString>
#include <cstddef>
#include <memory>

class JournalLigne;
class Rfc2217;

// How one read or write on the port ended.
enum class IssuePort
{
    Octet,      // one byte arrived (a write: every byte went out)
    Delai,      // nothing arrived within the delay
    Raccroche,  // the line is gone: hang-up, EIO, end of file, or the port is not open
    Interrompu, // interrompre() was called (shutdown)
};

// A serial port over POSIX termios, opened exclusively and set up for the controller's line:
// 9600 baud, 8 data bits, no parity, 2 stop bits, DTR and RTS raised, no flow control, raw bytes.
// The same line may be reached through a serial port server: "socket://HOST:PORT" (raw TCP, the
// server sets the line) or "rfc2217://HOST:PORT" (Telnet, and the line is set from here as on a
// local port). A connection that closes is a hang-up, as an unplugged device is.
//
// Threads: one thread at a time reads or writes (the callers hold the shared line mutex);
// interrompre() may be called from any thread, and from a signal handler through
// descripteurInterruption(). An interruption is final: every later wait returns at once, so
// that shutdown never waits on the line.
class PortSerie
{
public:
    PortSerie();
    ~PortSerie();
    PortSerie(const PortSerie&) = delete;
    PortSerie& operator=(const PortSerie&) = delete;

    // 1 open and configured; 2 cannot be opened (missing, or held by another program; for a
    // network port: malformed, unresolved, refused or unanswered); 3 opened but the line settings
    // were refused (the device or connection is closed again).
    int ouvrir(const QString& chemin);
    bool estOuvert() const { return m_fd >= 0; }
    bool fermer();

    // Blocks until every byte is handed to the driver. Returns Octet when all went out,
    // Raccroche when the line is gone, Interrompu, or Delai when delaiMs (>= 0) passed first.
    IssuePort ecrire(const char* donnees, std::size_t taille, int delaiMs = -1);
    IssuePort lireOctet(char& octet, int delaiMs);
    // Drops whatever input is pending (at most 64 KiB, so that a flood cannot hold the caller)
    // and returns it.
    QByteArray viderEntree();

    void interrompre();
    bool estInterrompu() const;
    // An eventfd; writing an 8-byte count to it from a signal handler interrupts like
    // interrompre().
    int descripteurInterruption() const { return m_fdInterruption; }

    // Traces every byte of the line to `fichier` ("-": the standard error) from now on, for
    // whichever port is opened. False with a one-line reason when the file cannot be written.
    bool activerTrace(const QString& fichier, QString* erreur);
    // The exchange the bytes that follow belong to, for the trace.
    void nommerEchange(const char* nom);

private:
    enum class Genre
    {
        Peripherique,
        Tcp,
        Rfc2217,
    };

    int ouvrirPeripherique(const QByteArray& nom, QString& raison);
    int ouvrirReseau(const QString& chemin, QString& raison);
    int negocier(QString& raison);
    IssuePort ecrireBrut(const char* donnees, std::size_t taille, int delaiMs);
    IssuePort lireBrut(char& octet, int delaiMs);
    IssuePort lireTelnet(char& octet, int delaiMs);
    void tracerLecture(IssuePort issue, char octet);

    int m_fd = -1;
    int m_fdInterruption = -1;
    Genre m_genre = Genre::Peripherique;
    QString m_nom;
    std::unique_ptr<Rfc2217> m_telnet;     // only while an rfc2217:// port is open
    std::unique_ptr<JournalLigne> m_trace; // null when the line is not traced
};
