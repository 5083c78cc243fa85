#include "glove/fluxosc.h"

void FluxOsc::ajouter(const void* octets, std::size_t taille)
{
    // What was handed out goes first, so that the buffer never holds more than a frame and the
    // bytes just received.
    m_tampon.erase(m_tampon.begin(), m_tampon.begin() + std::ptrdiff_t(m_debut));
    m_debut = 0;
    const auto* debut = static_cast<const unsigned char*>(octets);
    m_tampon.insert(m_tampon.end(), debut, debut + taille);
}

FluxOsc::Suite FluxOsc::suivant(const unsigned char** paquet, std::size_t* taille)
{
    const std::size_t reste = m_tampon.size() - m_debut;
    if (reste < 4)
        return Suite::Attente;
    const unsigned char* t = m_tampon.data() + m_debut;
    const std::uint32_t n =
        std::uint32_t(t[0]) << 24 | std::uint32_t(t[1]) << 16 | std::uint32_t(t[2]) << 8 | t[3];
    if (n > kTrameMax)
        return Suite::TropGrande;
    if (reste - 4 < n)
        return Suite::Attente;
    *paquet = t + 4;
    *taille = n;
    m_debut += 4 + n;
    return Suite::Paquet;
}
