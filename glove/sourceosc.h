#pragma once

#include "glove/sourcegant.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What one TCP connection of an OSC glove may do before it is closed, and how many there may
// be. The defaults are the program's; tests shorten the wait for a frame.
struct BornesOscTcp
{
    std::size_t connexionsMax = 8;
    std::chrono::milliseconds attenteTrame{2000}; // a frame begun must be whole within this
    int tramesParSeconde = 1000;                  // a tracker sends 20 to 100
    std::size_t octetsParSeconde = 1024 * 1024;
};

// A glove fed by Open Sound Control messages (glove/paquetosc.h), so that any hand tracker, or
// a few lines of script beside it, can stand in for the glove. Over UDP, one packet a datagram;
// over TCP, packets framed as OSC 1.0 streams (glove/fluxosc.h), from a bounded number of
// connections, each closed on its own when it breaks its bounds.
//
// Threads: a receiving thread of the source's own reads the sockets, decodes and checks every
// packet, keeps the latest valid state and reports bad input on standard error. Only that latest
// state crosses to the thread that created the source (the GUI thread), by one queued call at a
// time: however fast packets come, the GUI thread takes at most one call per turn of its event
// loop, and nothing queues but the kernel's bounded socket buffers. etat() and the change
// notification belong to the GUI thread.
class SourceOsc : public SourceGant
{
public:
    enum class Transport
    {
        Udp,
        Tcp
    };

    // `parametres` is what follows "osc:" or "osc.tcp:": PORT or ADDRESS:PORT, then optionally
    // @HOST[,HOST...], the only senders heeded. ADDRESS defaults to 127.0.0.1; one outside the
    // loopback network needs the list. Binds the port at once. On error, null and one line in
    // `erreur`.
    static std::unique_ptr<SourceOsc> creer(const QString& parametres, QString* erreur,
                                            Transport transport = Transport::Udp,
                                            BornesOscTcp bornes = {});
    ~SourceOsc() override;

    bool ouvrir() override;
    void fermer() override;
    EtatGant etat() const override { return m_etat; }

private:
    SourceOsc(int socket, Transport transport, std::vector<std::uint32_t> autorises,
              BornesOscTcp bornes);
    void recevoir();
    void recevoirDatagrammes(EtatGant etat);
    void recevoirFlux(EtatGant etat);
    bool autorise(std::uint32_t adresse) const;
    void publier(const EtatGant& etat);
    void prendreEtat();

    const int m_socket; // the datagram socket, or the listening one
    const Transport m_transport;
    const std::vector<std::uint32_t> m_autorises; // IPv4, network order; empty: anyone
    const BornesOscTcp m_bornes;
    int m_reveil[2] = {-1, -1}; // a byte in the pipe stops the receiver
    std::thread m_recepteur;

    // Protects m_etatRecu and m_appelEnAttente, between the receiver and the GUI thread.
    std::mutex m_verrou;
    EtatGant m_etatRecu;
    bool m_appelEnAttente = false;

    EtatGant m_etat;    // GUI thread only
    QObject m_contexte; // receives the queued calls on the GUI thread; drops them when it goes
};
