#pragma once

#include <QString>
#include <cstddef>

// What one read request gave.
enum class Lecture
{
    Octet,      // one byte arrived
    Delai,      // nothing arrived within the delay
    Raccroche,  // the line is gone: hang-up, EIO, end of file, or the port is not open
    Interrompu, // interrompre() was called (shutdown)
};

// A serial port over POSIX termios, opened exclusively and set up for the controller's line:
// 9600 baud, 8 data bits, no parity, 2 stop bits, DTR and RTS raised, no flow control, raw bytes.
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

    // 1 open and configured; 2 cannot be opened (missing, or held by another program);
    // 3 opened but the line settings were refused (the device is closed again).
    int ouvrir(const QString& chemin);
    bool estOuvert() const { return m_fd >= 0; }
    bool fermer();

    // Blocks until every byte is handed to the driver. Returns Octet when all went out,
    // Raccroche when the line is gone, Interrompu, or Delai when delaiMs (>= 0) passed first.
    Lecture ecrire(const char* donnees, std::size_t taille, int delaiMs = -1);
    Lecture lireOctet(char& octet, int delaiMs);
    // Drops whatever input is pending.
    void viderEntree();

    void interrompre();
    bool estInterrompu() const;
    // An eventfd; writing an 8-byte count to it from a signal handler interrupts like
    // interrompre().
    int descripteurInterruption() const { return m_fdInterruption; }

private:
    int m_fd = -1;
    int m_fdInterruption = -1;
};
