#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Cuts a TCP byte stream into OSC packets as OSC 1.0 frames them on a stream: a 32-bit
// big-endian size, then that many bytes. What the packets hold is glove/paquetosc.h's business.
//
// Memory stays bounded as long as the caller takes every whole packet before adding more bytes:
// then it holds at most one frame, and a frame over kTrameMax is refused from its size alone.
class FluxOsc
{
public:
    // Far above any glove message or bundle a tracker sends; a larger size is a broken or
    // hostile sender, and the connection is given up.
    static constexpr std::uint32_t kTrameMax = 64 * 1024;

    enum class Suite
    {
        Paquet,     // a whole packet is in `paquet`, valid until the next call
        Attente,    // more bytes are needed
        TropGrande, // the next frame announces more than kTrameMax bytes
    };

    void ajouter(const void* octets, std::size_t taille);
    Suite suivant(const unsigned char** paquet, std::size_t* taille);
    // Bytes of a frame that is not whole yet are held.
    bool entame() const { return m_debut < m_tampon.size(); }

private:
    std::vector<unsigned char> m_tampon;
    std::size_t m_debut = 0; // the first byte not yet handed out
};
