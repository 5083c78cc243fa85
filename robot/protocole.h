#pragma once

#include "robot/consignerobot.h"

#include <QByteArray>
#include <cstddef>

// The controller's command language as this program speaks it, as pure functions.
namespace protocole {

// "defp A\r", "teach A\r", "move A\r", "listpv A\r": the command word, a space, the point name and
// a carriage return, the name cut so that the whole command fits the 80-byte command buffer.
QByteArray commandePoint(const char* mot, const char* nomPoint);

// A value line, "%d\r": truncated toward zero to an int, and beyond the int range (infinities
// included) clamped to its nearest end. A NaN gives no line at all (an empty array): no number
// would stand for it without making one up.
QByteArray nombreFil(double valeur);

// The eight lines of a pose exchange, in order: defp, teach, X, Y, Z, P, R, move. None when a value
// is not a finite number: such a pose is not sent, so the arm keeps the last pose that was.
QList<QByteArray> lignesConsigne(const ConsigneRobot& consigne);

// Reads X, Y and Z out of a listing answer of `taille` bytes (no terminating NUL needed). Only the
// first 139 bytes are scanned; each upper-case letter's value starts three bytes after it, is at
// most five bytes long, ends before a space or the end of the answer, and is read as atoi reads.
// A letter that is absent leaves its value alone; the last occurrence wins.
void analyserListing(const char* reponse, std::size_t taille, int* x, int* y, int* z);

// True when a listing answer shows point `consigne` as it was taught: X, Y and Z present and equal
// to the values that went on the wire for them, and P and R too where the listing carries them
// ("P:" and "R:"). A listing without one of X, Y or Z confirms nothing.
bool listingConfirme(const QByteArray& reponse, const ConsigneRobot& consigne);

// True when an answer that ends in a prompt asks for a value ("X -->"): the controller is still
// inside a teach and takes the next line as a coordinate.
bool demandeUneValeur(const QByteArray& reponse);

} // namespace protocole
