#pragma once

#include "glove/sourcegant.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A glove fed over UDP by Open Sound Control messages (glove/paquetosc.h), so that any hand
// tracker, or a few lines of script beside it, can stand in for the glove.
//
// Threads: a receiving thread of the source's own reads the socket, decodes and checks every
// packet, keeps the latest valid state and reports bad input on standard error. Only that latest
// state crosses to the thread that created the source (the GUI thread), by one queued call at a
// time: however fast packets come, the GUI thread takes at most one call per turn of its event
// loop, and nothing queues but the kernel's bounded socket buffer. etat() and the change
// notification belong to the GUI thread.
class SourceOsc : public SourceGant
{
public:
    // `parametres` is what follows "osc:": PORT or ADDRESS:PORT, then optionally
    // @HOST[,HOST...], the only senders heeded. ADDRESS defaults to 127.0.0.1; one outside the
    // loopback network needs the list. Binds the port at once. On error, null and one line in
    // `erreur`.
    static std::unique_ptr<SourceOsc> creer(const QString& parametres, QString* erreur);
    ~SourceOsc() override;

    bool ouvrir() override;
    void fermer() override;
    EtatGant etat() const override { return m_etat; }

private:
    SourceOsc(int socket, std::vector<std::uint32_t> autorises);
    void recevoir();
    void publier(const EtatGant& etat);
    void prendreEtat();

    const int m_socket;
    const std::vector<std::uint32_t> m_autorises; // IPv4, network order; empty: anyone
    int m_reveil[2] = {-1, -1};                   // a byte in the pipe stops the receiver
    std::thread m_recepteur;

    // Protects m_etatRecu and m_appelEnAttente, between the receiver and the GUI thread.
    std::mutex m_verrou;
    EtatGant m_etatRecu;
    bool m_appelEnAttente = false;

    EtatGant m_etat;    // GUI thread only
    QObject m_contexte; // receives the queued calls on the GUI thread; drops them when it goes
};
