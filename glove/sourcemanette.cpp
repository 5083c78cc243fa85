#include "glove/sourcemanette.h"

#include "glove/suivi.h"

#include <QElapsedTimer>
#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
// Without a pad the source only looks for one: a few times a second is enough.
constexpr int kRechercheMs = 250;

const char* nomOuDefaut(const char* nom)
{
    return nom && *nom ? nom : "unnamed";
}
} // namespace

float vitesseManche(int valeur)
{
    const int course = std::abs(valeur);
    if (course <= kZoneMorteManche)
        return 0.0f;
    const float part =
        std::min(1.0f, float(course - kZoneMorteManche) / float(32767 - kZoneMorteManche));
    return std::copysign(part * kVitesseMainMax, float(valeur));
}

EtatGant suivreManette(EtatGant etat, const LectureManette& lecture, double secondes,
                       SuiviManette& suivi)
{
    const auto avancer = [secondes](float& position, int manche) {
        position = float(std::clamp(double(position) + double(vitesseManche(manche)) * secondes,
                                    double(-kPorteeMain), double(kPorteeMain)));
    };
    avancer(etat.x, lecture.gaucheX);
    avancer(etat.z, -lecture.gaucheY);
    avancer(etat.y, -lecture.droiteY);
    const int gachette = std::clamp(lecture.gachette, 0, 32767);
    const auto flexion = static_cast<unsigned char>((gachette * kFlexionMax + 16383) / 32767);
    suivi.gachetteSuivie =
        suivi.gachetteSuivie || doigtEstPlie(flexion) == doigtEstPlie(etat.flexion[1]);
    if (suivi.gachetteSuivie)
        etat.flexion[1] = flexion;
    for (int i = 0; i < 2; ++i) {
        suivi.boutonRetenu[i] = suivi.boutonRetenu[i] && lecture.boutons[i];
        etat.bouton[i] = lecture.boutons[i] && !suivi.boutonRetenu[i];
    }
    return etat;
}

SourceManette::SourceManette(int numero, Horloge horloge)
    : m_numero(numero), m_horloge(std::move(horloge))
{
    QObject::connect(&m_minuterie, &QTimer::timeout, [this] { lire(); });
}

std::unique_ptr<SourceManette> SourceManette::creer(const QString& parametres, QString* erreur)
{
    bool nombre = parametres.isEmpty();
    const int numero = nombre ? 1 : parametres.mid(1).toInt(&nombre);
    if (!nombre || numero < 1) {
        if (erreur)
            *erreur = QStringLiteral("manette: invalid number in \"manette%1\" (expected: "
                                     "manette or manette:N, N from 1)")
                          .arg(parametres);
        return nullptr;
    }
    auto horloge = std::make_shared<QElapsedTimer>();
    horloge->start();
    return std::make_unique<SourceManette>(numero, [horloge] { return horloge->elapsed(); });
}

SourceManette::~SourceManette()
{
    fermer();
    if (m_sdl)
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool SourceManette::ouvrir()
{
    if (!m_sdl) {
        // SDL would otherwise take SIGINT and SIGTERM from the program, which ends cleanly on
        // them.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            std::fprintf(stderr, "zelvor: manette: SDL fails to start (%s)\n", SDL_GetError());
            return false;
        }
        m_sdl = true;
        // The pads are read, not listened to: nothing piles up in SDL's event queue, which
        // nobody empties.
        SDL_GameControllerEventState(SDL_IGNORE);
        SDL_JoystickEventState(SDL_IGNORE);
    }
    if (!m_manette) {
        SDL_GameControllerUpdate();
        if (!prendreManette()) {
            std::fprintf(
                stderr, "zelvor: manette: %s\n",
                m_numero == 1
                    ? "no gamepad plugged in"
                    : qPrintable(
                          QStringLiteral("fewer than %1 gamepads plugged in").arg(m_numero)));
            // A device that SDL does not know as a pad is not taken; its layout can be given to
            // SDL, which the user cannot do without its name.
            for (int i = 0; i < SDL_NumJoysticks(); ++i) {
                if (!SDL_IsGameController(i))
                    std::fprintf(
                        stderr,
                        "zelvor: manette: \"%s\": layout unknown to SDL, to be given to it "
                        "in SDL_GAMECONTROLLERCONFIG\n",
                        nomOuDefaut(SDL_JoystickNameForIndex(i)));
            }
            return false;
        }
    }
    m_derniereLecture = m_horloge();
    m_minuterie.start(kPeriodeManetteMs);
    return true;
}

void SourceManette::fermer()
{
    m_minuterie.stop();
    if (m_manette)
        SDL_GameControllerClose(m_manette);
    m_manette = nullptr;
}

bool SourceManette::prendreManette()
{
    for (int i = 0, vues = 0; i < SDL_NumJoysticks() && !m_manette; ++i) {
        if (SDL_IsGameController(i) && ++vues == m_numero)
            m_manette = SDL_GameControllerOpen(i);
    }
    if (!m_manette)
        return false;
    m_nom = QByteArray(SDL_GameControllerName(m_manette));
    std::fprintf(stderr, "zelvor: manette: \"%s\" drives the hand\n",
                 nomOuDefaut(m_nom.constData()));
    m_suivi = {};
    m_suivi.boutonRetenu[0] = SDL_GameControllerGetButton(m_manette, SDL_CONTROLLER_BUTTON_A);
    m_suivi.boutonRetenu[1] = SDL_GameControllerGetButton(m_manette, SDL_CONTROLLER_BUTTON_B);
    m_minuterie.setInterval(kPeriodeManetteMs);
    return true;
}

void SourceManette::perdreManette()
{
    SDL_GameControllerClose(m_manette);
    m_manette = nullptr;
    std::fprintf(stderr,
                 "zelvor: manette: \"%s\" unplugged; the hand stays where it is until a gamepad "
                 "is plugged in\n",
                 nomOuDefaut(m_nom.constData()));
    m_minuterie.setInterval(kRechercheMs);
    // Nothing holds the buttons any more; the gripper keeps what it holds.
    if (m_etat.bouton[0] || m_etat.bouton[1]) {
        m_etat.bouton[0] = m_etat.bouton[1] = false;
        signalerChangement();
    }
}

void SourceManette::lire()
{
    SDL_GameControllerUpdate();
    const std::int64_t maintenant = m_horloge();
    if (m_manette && !SDL_GameControllerGetAttached(m_manette))
        perdreManette();
    if (!m_manette) {
        // A pad just taken moves the hand from its next reading on, not over the time without
        // one; SDL gives its trigger only after a first update.
        if (prendreManette())
            m_derniereLecture = maintenant;
        return;
    }
    const double secondes = double(maintenant - m_derniereLecture) / 1000.0;
    m_derniereLecture = maintenant;
    const auto axe = [this](SDL_GameControllerAxis a) {
        return int(SDL_GameControllerGetAxis(m_manette, a));
    };
    LectureManette lecture;
    lecture.gaucheX = axe(SDL_CONTROLLER_AXIS_LEFTX);
    lecture.gaucheY = axe(SDL_CONTROLLER_AXIS_LEFTY);
    lecture.droiteY = axe(SDL_CONTROLLER_AXIS_RIGHTY);
    lecture.gachette = axe(SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    lecture.boutons[0] = SDL_GameControllerGetButton(m_manette, SDL_CONTROLLER_BUTTON_A) != 0;
    lecture.boutons[1] = SDL_GameControllerGetButton(m_manette, SDL_CONTROLLER_BUTTON_B) != 0;
    const EtatGant e = suivreManette(m_etat, lecture, secondes, m_suivi);
    if (e == m_etat)
        return;
    m_etat = e;
    signalerChangement();
}
