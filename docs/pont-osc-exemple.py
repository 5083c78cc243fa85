#!/usr/bin/env python3
"""What a hand tracker's bridge sends to ZELVOR's OSC glove: an example to adapt, not a part of
the program (standard library only).

Run the program with an OSC glove, then this script:

    zelvor --simulate --glove osc:9000
    python3 docs/pont-osc-exemple.py 9000            # or: ... 9000 127.0.0.1

It sends 30 times a second one /zelvor/gant message (fffiiiiiii): the hand's position x y z in
glove units (about 1000 units from the origin reach the edge of the arm's workspace), the five
finger bends 0..255 (the second one closes the gripper above 50) and the two buttons 0 or 1
(the first re-zeroes the glove, the second sends the arm home while held). Here the "tracker" is
a hand circling in X and Y and closing the gripper on every other turn; a real bridge replaces
lire_main() with its tracker's reading and scales the tracker's units to the glove's.
"""
import math
import socket
import struct
import sys
import time


def chaine_osc(texte):
    # OSC strings end with a NUL and are padded with NULs to a multiple of 4 bytes.
    octets = texte.encode("ascii") + b"\0"
    return octets + b"\0" * (-len(octets) % 4)


def message_osc(adresse, types, *valeurs):
    paquet = chaine_osc(adresse) + chaine_osc("," + types)
    for t, v in zip(types, valeurs):
        # Big-endian 32-bit float or int, as OSC wants.
        paquet += struct.pack(">f", v) if t == "f" else struct.pack(">i", int(v))
    return paquet


def lire_main(t):
    """Stand-in for the tracker: (x, y, z), five bends, two buttons at time t in seconds."""
    angle = 2 * math.pi * t / 8  # one turn in 8 s
    position = (400 * math.cos(angle), 400 * math.sin(angle), 0.0)
    pince = 200 if int(t / 8) % 2 else 0
    return position, (0, pince, 0, 0, 0), (0, 0)


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 9000
    hote = sys.argv[2] if len(sys.argv) > 2 else "127.0.0.1"
    prise = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    debut = time.monotonic()
    while True:
        (x, y, z), flexions, boutons = lire_main(time.monotonic() - debut)
        prise.sendto(message_osc("/zelvor/gant", "fffiiiiiii", x, y, z, *flexions, *boutons),
                     (hote, port))
        time.sleep(1 / 30)


if __name__ == "__main__":
    main()
