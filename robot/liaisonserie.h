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
    Dephase,    // the controller answered, but not what was asked (it dropped what it owed, or did
                // not take a pose as written): the exchange is abandoned, nothing was moved
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
    int sondageMs = 2000;     // during an outage: a wait that gets no byte at all ends sooner;
                              // also how long a device that was opened again has to answer
    int reouvertureMs = 1000; // after a hang-up: how often the device is tried again
    int calmeMs = 100;        // a line that was out of step is in step again after this quiet
    int veilleMs = 5000;      // a wait that hears nothing for this long while prompts are owed
                              // sends one probe, to tell a busy controller from a restarted one
};

// The one link to the robot controller, used by the robot side's workers.
//
// Keeping in step: every line written is owed one prompt. An exchange begins (commencerEchange)
// only on a clean line: input that arrived between exchanges is dropped, and where the line may
// be out of step (a wait abandoned with prompts still owed, bytes seen after an exchange's last
// prompt) the line is read until every owed prompt has come and it has been quiet for `calmeMs`;
// nothing is written meanwhile. Prompts still owed after twice an exchange's bound of complete
// quiet are taken as lost.
// A device opened again after a hang-up is sent a bare "\r" and must answer it with a prompt
// before anything else is written to it.
// A controller that has been quiet for `veilleMs` while it owes prompts is sent a bare "\r": a busy
// one (homing, stalled) answers it after what it owes, a restarted one answers only it, and what
// it owed is then known to be lost.
// Never a mixed point: a teach cut short may leave the controller waiting for values, which would
// take the next lines as coordinates. Before anything else it is given lines until it is back at
// its prompt, and after any disturbance a pose is read back before the arm is moved to it.
//
// Threads: the class takes no lock of its own. Every caller holds the robot side's line mutex
// from the start of an exchange until its last prompt has been read. interrompre() and the state
// getters may be called from any thread.
class LiaisonSerie
{
public:
    // `port` is "COM1" (the first serial port, /dev/ttyS0) or a device path.
    explicit LiaisonSerie(const QString& port = QStringLiteral("COM1"), BornesLiaison bornes = {});

    // 1 open and configured, 2 cannot be opened, 3 cannot be configured.
    int Ouvrir();
    // Brings the line in step for a new exchange (see above); `nom` names the exchange in the
    // trace. Anything but Recu: nothing may be written in this exchange.
    IssueAttente commencerEchange(const char* nom);
    // Writes the command's bytes, its "\r" included. Always 1, as callers expect; a failed write
    // shows in the wait that follows it. Never reopens a closed port: only commencerEchange does.
    int Envoyer(const char* commande);
    // Reads and drops bytes until the first character of `attendu` has arrived (an empty text
    // returns at once), within the bound of `genre`.
    IssueAttente AttendreCaractere(const char* attendu, GenreAttente genre = GenreAttente::Echange);
    // One command answered up to ">", as a whole exchange.
    IssueAttente echangeSimple(const char* commande, GenreAttente genre, const char* nom);
    // defp, teach, X, Y, Z, P, R, move, each answered up to ">", as a whole exchange; stops at
    // the first wait that fails.
    IssueAttente EnvoyerConsigne(ConsigneRobot consigne);
    // listpv as a whole exchange, the answer stored into `tampon` (never past `taille` bytes, but
    // always read through its ">"), then X, Y and Z parsed from what was stored.
    IssueAttente LirePosition(ConsigneRobot consigne, char* tampon, std::size_t taille, int* x,
                              int* y, int* z);
    bool Fermer();
    // Every byte of the line, with its time, direction and exchange, to `fichier` ("-": the
    // standard error).
    bool activerTrace(const QString& fichier, QString* erreur);

    // Ends every wait at once, now and later (shutdown).
    void interrompre() { m_port.interrompre(); }
    bool estInterrompu() const { return m_port.estInterrompu(); }
    bool estOuvert() const { return m_port.estOuvert(); }
    int descripteurInterruption() const { return m_port.descripteurInterruption(); }

    // The name the operator knows the port by, for messages: "COM1" or the device path.
    QString nomPort() const { return m_nom; }
    static QString cheminPeripherique(const QString& port);

    // Outcome of the last wait that read the line (Recu while all is well). The observer is called
    // on the thread of the wait, each time this changes; it must only post work elsewhere.
    IssueAttente derniereIssue() const { return m_derniereIssue.load(); }
    void setObservateur(std::function<void(IssueAttente)> observateur);

private:
    // Waits for `attendu` within `borneMs`; `raccourcir`: while an outage lasts, a wait that hears
    // nothing gives up after the short bound. The answer, up to 4 KiB of it, goes to `reponse`.
    IssueAttente attendre(char attendu, int borneMs, bool raccourcir,
                          QByteArray* reponse = nullptr);
    // One byte, with the bookkeeping every read shares: the owed prompts and the last byte's time.
    IssuePort lire(char& octet, int delaiMs);
    IssueAttente remettreEnPhase();
    IssueAttente sonder();
    IssueAttente quitterSaisie();
    void nommer(const char* nom);
    // Keep-alive probe: written when the controller owes prompts and has been quiet too long.
    void veiller();
    long long prochaineVeilleMs() const;
    // Called when a prompt came while the probe was out: true when prompts written before it
    // were dropped by the controller.
    bool promptsPerdus();
    // After a prompt with bytes right behind it: reads until the line is quiet, so that the next
    // line is written after the real end of the answer.
    void laisserFinir(long long limite);
    IssueAttente raccrochage();
    void noterIssue(IssueAttente issue);
    bool enPanne() const;
    bool reouvrirSiPossible();

    static constexpr qsizetype kReponseMax = 4096;

    QString m_nom;
    QString m_chemin;
    BornesLiaison m_bornes;
    PortSerie m_port;
    int m_promptsDus = 0;          // lines written whose prompt has not been read
    bool m_sale = false;           // bytes may follow the last prompt read
    bool m_aVerifier = false;      // opened again: the probe has not been answered yet
    bool m_aRepondu = false;       // the controller answered at least once since the start
    bool m_saisiePossible = false; // a teach may be waiting for values
    bool m_aConfirmer = false;     // disturbed since the last pose: read the next one back
    bool m_sondeEnVol = false;     // a keep-alive probe has not been answered yet
    const char* m_nomEchange = "-";
    long long m_dernierOctetMs = 0;
    long long m_derniereEcritureMs = 0;
    long long m_derniereTentativeMs = 0;
    std::atomic<IssueAttente> m_derniereIssue{IssueAttente::Recu};
    std::function<void(IssueAttente)> m_observateur;
};
