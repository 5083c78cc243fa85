#include "glove/paquetosc.h"

#include <lo/lo.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/types.h>
#include <type_traits>

namespace {
// Nested bundles are legal; a deep nest is only ever a hostile packet.
constexpr int kProfondeurMax = 8;
constexpr char kEnteteBundle[8] = {'#', 'b', 'u', 'n', 'd', 'l', 'e', '\0'};

struct LibererMessage
{
    void operator()(lo_message m) const { lo_message_free(m); }
};

// liblo points into the packet, where an argument is only 4-byte aligned: copy it out rather
// than read the union in place.
float flottant(const lo_arg* a)
{
    float v;
    std::memcpy(&v, a, sizeof v);
    return v;
}

std::int32_t entier(const lo_arg* a)
{
    std::int32_t v;
    std::memcpy(&v, a, sizeof v);
    return v;
}

const char* lirePosition(lo_arg** a, EtatGant& e)
{
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(flottant(a[i])) || std::fabs(flottant(a[i])) > kPositionOscMax)
            return "position not finite or beyond ±100000";
    }
    e.x = flottant(a[0]);
    e.y = flottant(a[1]);
    e.z = flottant(a[2]);
    return nullptr;
}

const char* lireFlexion(lo_arg** a, EtatGant& e)
{
    for (int i = 0; i < 5; ++i) {
        if (entier(a[i]) < 0 || entier(a[i]) > 255)
            return "bend outside 0..255";
    }
    for (int i = 0; i < 5; ++i)
        e.flexion[i] = static_cast<unsigned char>(entier(a[i]));
    return nullptr;
}

const char* lireBoutons(lo_arg** a, EtatGant& e)
{
    for (int i = 0; i < 2; ++i) {
        if (entier(a[i]) != 0 && entier(a[i]) != 1)
            return "button other than 0 or 1";
    }
    e.bouton[0] = entier(a[0]) == 1;
    e.bouton[1] = entier(a[1]) == 1;
    return nullptr;
}

const char* appliquerMessage(const char* donnees, std::size_t taille, EtatGant& e)
{
    // liblo takes a non-const pointer but only reads the packet.
    void* brut = const_cast<char*>(donnees);
    std::unique_ptr<std::remove_pointer_t<lo_message>, LibererMessage> m(
        lo_message_deserialise(brut, taille, nullptr));
    const char* chemin = m ? lo_get_path(brut, static_cast<ssize_t>(taille)) : nullptr;
    if (!chemin)
        return "malformed packet";
    const char* types = lo_message_get_types(m.get());
    lo_arg** a = lo_message_get_argv(m.get());
    const auto attendu = [&](const char* t) { return std::strcmp(types, t) == 0; };
    if (std::strcmp(chemin, "/zelvor/gant") == 0) {
        if (!attendu("fffiiiiiii"))
            return "types other than fffiiiiiii";
        const char* probleme = lirePosition(a, e);
        if (!probleme)
            probleme = lireFlexion(a + 3, e);
        return probleme ? probleme : lireBoutons(a + 8, e);
    }
    if (std::strcmp(chemin, "/zelvor/gant/position") == 0)
        return attendu("fff") ? lirePosition(a, e) : "types other than fff";
    if (std::strcmp(chemin, "/zelvor/gant/flexion") == 0)
        return attendu("iiiii") ? lireFlexion(a, e) : "types other than iiiii";
    if (std::strcmp(chemin, "/zelvor/gant/boutons") == 0)
        return attendu("ii") ? lireBoutons(a, e) : "types other than ii";
    return "unknown address";
}

const char* appliquerElement(const char* donnees, std::size_t taille, EtatGant& e, int profondeur)
{
    if (taille < sizeof kEnteteBundle ||
        std::memcmp(donnees, kEnteteBundle, sizeof kEnteteBundle) != 0)
        return appliquerMessage(donnees, taille, e);
    if (profondeur >= kProfondeurMax)
        return "bundle nested too deep";
    // The header, then an 8-byte time tag, then elements each preceded by its big-endian size.
    std::size_t i = sizeof kEnteteBundle + 8;
    if (taille < i)
        return "malformed bundle";
    while (i < taille) {
        if (taille - i < 4)
            return "malformed bundle";
        const auto* octets = reinterpret_cast<const unsigned char*>(donnees + i);
        const std::uint32_t n = std::uint32_t(octets[0]) << 24 | std::uint32_t(octets[1]) << 16 |
                                std::uint32_t(octets[2]) << 8 | octets[3];
        i += 4;
        if (n == 0 || n % 4 != 0 || n > taille - i)
            return "malformed bundle";
        if (const char* probleme = appliquerElement(donnees + i, n, e, profondeur + 1))
            return probleme;
        i += n;
    }
    return nullptr;
}
} // namespace

const char* appliquerPaquetOsc(const void* donnees, std::size_t taille, EtatGant* etat)
{
    EtatGant nouveau = *etat;
    if (const char* probleme =
            appliquerElement(static_cast<const char*>(donnees), taille, nouveau, 0))
        return probleme;
    *etat = nouveau;
    return nullptr;
}
