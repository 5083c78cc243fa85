#pragma once

#include "glove/etatgant.h"

#include <cstddef>

// The glove's values as Open Sound Control messages, decoded with liblo:
//     /zelvor/gant           fffiiiiiii  x y z, five bends, two buttons
//     /zelvor/gant/position  fff         x y z
//     /zelvor/gant/flexion   iiiii       five bends (the second drives the gripper)
//     /zelvor/gant/boutons   ii          two buttons
// Positions are finite and within ±kPositionOscMax glove units, bends 0..255, buttons 0 or 1.
// A bundle's messages are applied in order as they arrive; its time tag is not waited for.

// Far beyond the workspace (±1000 units around the origin reach every clamp), yet leaves room
// for a tracker whose own origin is tens of metres away in millimetres. Anything larger is a
// broken sender, and it would lose the precision the band filter relies on.
constexpr float kPositionOscMax = 100000.0f;

// Applies one UDP packet (a message or a bundle) to `etat`. A packet is taken whole or not at
// all: on any fault `etat` is left as it was and the result names the fault (a static string);
// null when the packet was taken. Any bytes are safe to pass.
const char* appliquerPaquetOsc(const void* donnees, std::size_t taille, EtatGant* etat);
