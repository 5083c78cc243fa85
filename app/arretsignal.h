#pragma once

#include <functional>

// How the program ends when the operator does not close it: on a signal, and when the display
// goes away.
//
// SIGINT, SIGTERM and SIGHUP end the program as "Quitter" does, whenever they come: before the
// application object exists, while a message box is up, while the line is waited on. The serial
// link's wait is interrupted at once, so nothing is written after the signal.
//
// A lost display ends the process at once with status 1 and one line on the error output,
// after the robot side was stopped through the function given to definirArret(): the toolkit
// would otherwise end the process with exit(), whose clean-up must never wait on a worker.
//
// Threads: demande() and surveillerInterruption() may be called from any thread; the rest from
// the GUI thread.
namespace arretsignal {

// First thing in main: the handlers, before anything can take a signal's default action. Also
// makes the standard descriptors safe: a closed one is opened on /dev/null, and SIGPIPE and
// SIGXFSZ are ignored, so that a broken pipe or a file-size limit is a failed write.
void installer();
// Before the application object is built: a display that cannot be reached makes the toolkit
// abort; instead the process ends with "zelvor: no display (...)" and status 1. Afterwards, a
// broken connection to the display ends it as described above.
void surveillerAffichage();
// Once the application object exists: a signal, even one that came earlier, ends every event
// loop, those of message boxes included, closes the boxes, and makes those that open later
// return at once.
void surveillerEvenements();
// The eventfd to write to when a signal arrives (the serial link's interruption), or -1. Written
// at once when a signal came already.
void surveillerInterruption(int descripteur);
// Whether a signal arrived since installer().
bool demande();
// What stops the robot side (the window's Quitter(): it interrupts the line and joins the
// workers) when the process ends other than by returning from main; empty to forget it, which
// main does before the window goes.
void definirArret(std::function<void()> arret);

} // namespace arretsignal
