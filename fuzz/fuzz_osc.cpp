// Feeds arbitrary bytes to the OSC glove's decoder as a TCP stream, cut into pieces of a size
// that the input's length chooses, and each packet it holds to the decoder, as a UDP datagram's
// would be. Checks that a stream gives the same packets however it is cut, none over the frame
// limit; the sanitizers check every read.
#include "glove/fluxosc.h"
#include "glove/paquetosc.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
// The packets of a stream read `morceau` bytes at a time, up to a frame over the limit.
std::vector<std::vector<unsigned char>> decouper(const std::uint8_t* flux, std::size_t taille,
                                                 std::size_t morceau)
{
    FluxOsc decoupeur;
    std::vector<std::vector<unsigned char>> paquets;
    const unsigned char* p = nullptr;
    std::size_t n = 0;
    for (std::size_t i = 0; i < taille; i += morceau) {
        decoupeur.ajouter(flux + i, std::min(morceau, taille - i));
        while (decoupeur.suivant(&p, &n) == FluxOsc::Suite::Paquet)
            paquets.emplace_back(p, p + n);
    }
    return paquets;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const auto paquets = decouper(donnees, taille, 1 + taille % 16);
    if (paquets != decouper(donnees, taille, taille + 1))
        std::abort();
    EtatGant etat;
    for (const auto& p : paquets) {
        if (p.size() > FluxOsc::kTrameMax)
            std::abort();
        appliquerPaquetOsc(p.data(), p.size(), &etat);
    }
    return 0;
}
