#pragma once

#include "glove/etatgant.h"

#include <QString>
#include <functional>
#include <memory>

// Where the glove's values come from: nothing, a glove set by hand, a recorded trajectory, a
// hand tracker speaking Open Sound Control, or a gamepad. CP5DLL owns one source, subscribes to its
// changes and keeps the device record from them.
//
// Threads: a source lives on the thread that created it (the GUI thread) and reports changes on
// that thread (a source that receives on a thread of its own hands its state over first).
class SourceGant
{
public:
    SourceGant() = default;
    SourceGant(const SourceGant&) = delete;
    SourceGant& operator=(const SourceGant&) = delete;
    virtual ~SourceGant();

    // True when a glove is there to be read.
    virtual bool ouvrir() = 0;
    virtual void fermer() {}
    // The operator armed tracking for the first time: time-driven sources start their clock.
    virtual void demarrerHorloge() {}
    virtual EtatGant etat() const = 0;
    // False while the source has lost the device it reads (a gamepad pulled out): the glove
    // then holds still, and the window says why.
    virtual bool appareilPresent() const { return true; }

    // Called after every change of etat(); one subscriber, replaced by the next call.
    void definirAbonne(std::function<void()> abonne);

protected:
    void signalerChangement();

private:
    std::function<void()> m_abonne;
};

// Builds the source that the command line names: "none", "virtual", "replay:FILE",
// "osc:[ADDRESS:]PORT[@HOSTS]", "osc.tcp:[ADDRESS:]PORT[@HOSTS]", "manette" or "manette:N". On
// error, null and a one-line message in `erreur` (for a file: its name, the line and the problem).
std::unique_ptr<SourceGant> creerSourceGant(const QString& choix, QString* erreur);

// A source built before its owner exists: the command line reads a replay file (once) before
// any window, and the window's glove takes the source over. Copies of a configuration share it;
// the first to take it owns it.
using SourceGantPreparee = std::shared_ptr<std::unique_ptr<SourceGant>>;

// The prepared source while it is there, else the one `choix` names, built now.
inline std::unique_ptr<SourceGant> prendreSourceGant(const SourceGantPreparee& preparee,
                                                     const QString& choix, QString* erreur)
{
    if (preparee && *preparee)
        return std::move(*preparee);
    return creerSourceGant(choix, erreur);
}
