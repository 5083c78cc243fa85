#pragma once

#include "glove/sourcegant.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

struct _SDL_GameController;

// How a stick moves the hand. Past the dead zone, the speed grows in proportion to the stick's
// travel up to the top speed at full travel (SDL reads a stick from -32768 to 32767).
constexpr int kZoneMorteManche = 8191;     // a quarter of the travel
constexpr float kVitesseMainMax = 1000.0f; // glove units a second: ±1000 crossed in 2 s
constexpr float kPorteeMain = 1000.0f;     // the hand stays within ±kPorteeMain on each axis
constexpr int kPeriodeManetteMs = 10;      // the pad is read this often

// The hand's speed, in glove units a second, for a stick at `valeur`.
float vitesseManche(int valeur);

// One reading of a pad as SDL gives it: sticks from -32768 to 32767 (pushed forward or up:
// negative), the right trigger from 0 to 32767.
struct LectureManette
{
    int gaucheX = 0;
    int gaucheY = 0;
    int droiteY = 0;
    int gachette = 0;
    bool boutons[2] = {false, false}; // A, B
};

// What carries from one reading of a pad to the next.
struct SuiviManette
{
    bool boutonRetenu[2] = {false, false}; // held when the pad was taken, not yet released
    bool gachetteSuivie = false;           // the trigger has agreed with the gripper once
};

// The glove `secondes` after `etat` with the pad read as `lecture`: the hand moved at the
// sticks' speeds and held within ±kPorteeMain, the trigger's bend and the buttons as `suivi`
// lets them through.
EtatGant suivreManette(EtatGant etat, const LectureManette& lecture, double secondes,
                       SuiviManette& suivi);

// A gamepad as the glove, through SDL's game-controller layer, which knows the usual pads'
// layouts. The sticks give the hand a speed, not a place: the hand is integrated at every
// reading and held within ±kPorteeMain, so that tracking sees a hand that moves, and stays where
// it was left, as a glove's does.
//
//     left stick, sideways    glove X       right trigger   gripper finger's bend, 0..255
//     left stick, forward     glove Z       A               the glove's first button
//     right stick, vertical   glove Y       B               the glove's second button
//
// A pad pulled out leaves the hand where it is and its buttons released, and says so once; the
// same pad or another, plugged in, takes over from there. A button held when a pad is taken is
// ignored until released once, and the trigger until it agrees with the gripper as it stands,
// so that taking a pad never re-zeroes, homes or drops what the gripper holds.
//
// Threads: everything runs on the thread that created the source (the GUI thread), from a
// timer; SDL is read without waiting.
class SourceManette : public SourceGant
{
public:
    // Milliseconds on a steady clock; tests give their own.
    using Horloge = std::function<std::int64_t()>;

    // `numero`: 1 for the first pad SDL lists, 2 for the second, and so on.
    SourceManette(int numero, Horloge horloge);
    // `parametres` is what follows "manette": empty or ":N". On error, null and one line in
    // `erreur`.
    static std::unique_ptr<SourceManette> creer(const QString& parametres, QString* erreur);
    ~SourceManette() override;

    // False when SDL finds no pad (or fewer than `numero`).
    bool ouvrir() override;
    void fermer() override;
    EtatGant etat() const override { return m_etat; }
    bool appareilPresent() const override { return m_manette != nullptr; }

private:
    void lire();
    bool prendreManette();
    void perdreManette();

    const int m_numero;
    const Horloge m_horloge;
    bool m_sdl = false; // SDL's game-controller layer is started
    _SDL_GameController* m_manette = nullptr;
    QByteArray m_nom;
    std::int64_t m_derniereLecture = 0;
    SuiviManette m_suivi;
    QTimer m_minuterie;
    EtatGant m_etat;
};
