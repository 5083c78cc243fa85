#pragma once

#include "robot/consignerobot.h"
#include "robot/portserie.h"

#include <QString>
#include <atomic>
#include <cstddef>
#include <functional>

// How a wait for the controller's prompt ended.
enum class IssueAttente
{
    Recu,       // the awaited character arrived
    Silence,    // the controller stayed silent past the wait's bound: the exchange is abandoned
    Raccroche,  // the line hung up (device gone): the exchange is abandoned
    Interrompu, // shutdown interrupted the wait
};

// Which bound applies to a wait: homing takes minutes on a real arm, everything else seconds.
enum class GenreAttente
{
    Echange,
    Home,
};

// Bounds of the waits on the controller, injectable so that tests run in milliseconds.
struct BornesLiaison
{
    int delaiOctetMs = 5000;  // one read request
    int echangeMs = 30000;    // one wait for a prompt
    int homeMs = 300000;      // the wait that answers "home"
    int sondageMs = 2000;     // during an outage: a wait that gets no byte at all ends sooner
    int reouvertureMs = 1000; // after a hang-up: how often the device is tried again
};

// The one link to the robot controller, shared by the GUI thread and both workers.
//
// Threads: the class takes no lock of its own. Every caller holds the window's shared mutex from
// the first write of an exchange until its last prompt has been read. Interrompre() and the
// state getters may be called from any thread.
class LiaisonSerie
{
public:
    // `port` is "COM1" (the first serial port, /dev/ttyS0) or a device path.
    explicit LiaisonSerie(const QString& port = QStringLiteral("COM1"), BornesLiaison bornes = {});

    // 1 open and configured, 2 cannot be opened, 3 cannot be configured.
    int Ouvrir();
    // Writes the command's bytes, its "\r" included. Always 1, as callers expect; a failed write
    // shows in the wait that follows it.
    int Envoyer(const char* commande);
    // Reads and drops bytes until the first character of `attendu` has arrived (an empty text
    // returns at once), within the bound of `genre`.
    IssueAttente AttendreCaractere(const char* attendu, GenreAttente genre = GenreAttente::Echange);
    // defp, teach, X, Y, Z, P, R, move, each answered up to ">"; stops at the first wait that
    // fails.
    IssueAttente EnvoyerConsigne(ConsigneRobot consigne);
    // listpv, the answer stored into `tampon` (never past `taille` bytes, but always read through
    // its ">"), then X, Y and Z parsed from what was stored.
    IssueAttente LirePosition(ConsigneRobot consigne, char* tampon, std::size_t taille, int* x,
                              int* y, int* z);
    bool Fermer();

    // Ends every wait at once, now and later (shutdown).
    void Interrompre() { m_port.interrompre(); }
    int descripteurInterruption() const { return m_port.descripteurInterruption(); }

    // The name the operator knows the port by, for messages: "COM1" or the device path.
    QString nomPort() const { return m_nom; }
    static QString cheminPeripherique(const QString& port);

    // Outcome of the last wait that read the line (Recu while all is well). The observer is called
    // on the thread of the wait, each time this changes; it must only post work elsewhere.
    IssueAttente derniereIssue() const { return m_derniereIssue.load(); }
    void setObservateur(std::function<void(IssueAttente)> observateur);

private:
    IssueAttente attendre(char attendu, int borneMs, char* tampon, std::size_t taille,
                          std::size_t* stockes);
    void noterIssue(IssueAttente issue);
    bool reouvrirSiPossible();

    QString m_nom;
    QString m_chemin;
    BornesLiaison m_bornes;
    PortSerie m_port;
    bool m_horsPhase = false; // an abandoned exchange may have left answer bytes behind
    long long m_derniereTentativeMs = 0;
    std::atomic<IssueAttente> m_derniereIssue{IssueAttente::Recu};
    std::function<void(IssueAttente)> m_observateur;
};
