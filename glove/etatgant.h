#pragma once

// What a glove source gives at one moment: its raw values, before any re-zeroing.
struct EtatGant
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    unsigned char flexion[5] = {0, 0, 0, 0, 0};
    bool bouton[2] = {false, false};
};

bool operator==(const EtatGant& a, const EtatGant& b);
inline bool operator!=(const EtatGant& a, const EtatGant& b)
{
    return !(a == b);
}
