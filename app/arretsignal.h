#pragma once

class QWidget;

// SIGINT and SIGTERM close the window as the "Quitter" button does. A signal that arrives while
// start-up still waits on the line interrupts that wait at once.
namespace arretsignal {

// Installs the handlers; call once, before the window is built.
void installer();
// The eventfd to write to when a signal arrives (the serial link's interruption), or -1.
void surveillerInterruption(int descripteur);
// Whether a signal arrived since installer().
bool demande();
// Closes `fenetre` when a signal arrives while the event loop runs.
void fermerSurSignal(QWidget* fenetre);

} // namespace arretsignal
