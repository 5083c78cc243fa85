#include "glove/etatgant.h"

bool operator==(const EtatGant& a, const EtatGant& b)
{
    // Exact comparison on purpose: a change of the least bit is a change worth recording.
    if (a.x != b.x || a.y != b.y || a.z != b.z)
        return false;
    for (int i = 0; i < 5; ++i) {
        if (a.flexion[i] != b.flexion[i])
            return false;
    }
    return a.bouton[0] == b.bouton[0] && a.bouton[1] == b.bouton[1];
}
