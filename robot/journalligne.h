#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>

// The trace of a line: every byte written to and read from the controller, with its time, its
// direction and the exchange it belongs to, one text line per run of bytes:
//
//     zelvor-trace 1
//     # ms kind exchange "bytes"
//     0.000 open - "socket://lab-pc:4001"
//     0.412 tx sonde "\r"
//     17.630 rx sonde ">"
//
// ms: milliseconds since the trace was opened, to the microsecond. kind: tx (written), rx (read),
// drop (read and dropped as stale), open, error (the port could not be opened), close, hangup.
// exchange: the name given by nommerEchange(), "-" before any. The quoted field is the bytes,
// printable ASCII as it is and the rest escaped as \r \n \t \\ \" or \xHH (always two hex
// digits); for the events it is the port's name or the reason.
// Read bytes are gathered into one line up to a line feed, a prompt '>', a pause of 20 ms, 64
// bytes, or anything else happening on the line; the line carries the time of its first byte.
//
// Each text line goes to the system in one write as soon as it is made, so that a trace survives
// the program being killed. A write that fails (a full disk, a file-size limit, a reader gone
// from the pipe of the standard error) ends the trace: a file is cut back to its last whole line,
// the failure is reported once (avisecriture), and the line goes on untraced.
//
// Threads: used by whoever holds the line, one thread at a time.
class JournalLigne
{
public:
    JournalLigne() = default;
    ~JournalLigne();
    JournalLigne(const JournalLigne&) = delete;
    JournalLigne& operator=(const JournalLigne&) = delete;

    // "-" is the standard error. False with a one-line reason when the file cannot be created.
    bool ouvrir(const QString& fichier, QString* erreur);

    void nommerEchange(const char* nom);
    void ecrit(const char* octets, std::size_t taille);
    void lu(char octet);
    void jete(const char* octets, std::size_t taille);
    // An event of the port: "open", "error", "close" or "hangup", with its text.
    void evenement(const char* genre, const QString& texte);
    // Ends the run of read bytes being gathered.
    void terminerLecture();

private:
    double maintenantMs() const;
    void ecrireLigne(double ms, const char* genre, const char* octets, std::size_t taille);
    void ecrire(const std::string& texte);
    void abandonner(int erreur);
    void fermer();

    int m_fd = -1;          // -1 when nothing is traced, or no longer
    bool m_aFermer = false; // the file is ours, not the standard error
    QString m_nom;          // as the command line gave it
    off_t m_taille = 0;     // bytes of whole lines in the file
    std::chrono::steady_clock::time_point m_debut;
    std::string m_echange = "-";
    std::string m_lus;        // read bytes not written yet
    double m_premierLuMs = 0; // time of the first of them
    double m_dernierLuMs = 0; // time of the last
};
