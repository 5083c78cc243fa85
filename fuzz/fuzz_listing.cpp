// Feeds arbitrary answers to the listing parser. The answer sits in a heap block of exactly its
// own size, so AddressSanitizer stops the run at the first byte read past it: a listing must
// never be read beyond its prompt, whatever the controller sent.
#include "robot/protocole.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
// Only this much of an answer is looked at for letters.
constexpr std::size_t kOctetsAnalyses = 139;
// Never a value the parser can produce: five bytes of atoi give -9999 to 99999.
constexpr int kIntact = INT_MIN;

bool lettrePresente(const char* reponse, std::size_t taille, char lettre)
{
    const std::size_t fin = taille < kOctetsAnalyses ? taille : kOctetsAnalyses;
    return std::memchr(reponse, lettre, fin) != nullptr;
}

void verifier(const char* reponse, std::size_t taille, char lettre, int valeur)
{
    if (!lettrePresente(reponse, taille, lettre)) {
        if (valeur != kIntact)
            std::abort(); // a letter that is not there changed its value
    } else if (valeur < -9999 || valeur > 99999) {
        std::abort(); // more than five bytes were taken into a value
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    std::unique_ptr<char[]> reponse(new char[taille]);
    if (taille > 0)
        std::memcpy(reponse.get(), donnees, taille);
    int x = kIntact, y = kIntact, z = kIntact;
    protocole::analyserListing(reponse.get(), taille, &x, &y, &z);
    verifier(reponse.get(), taille, 'X', x);
    verifier(reponse.get(), taille, 'Y', y);
    verifier(reponse.get(), taille, 'Z', z);
    return 0;
}
