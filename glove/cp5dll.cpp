#include "glove/cp5dll.h"

#include "glove/ecrivaintrajectoire.h"
#include "glove/sourcegant.h"

#include <cstring>
#include <utility>

CP5DLL::CP5DLL() = default;

CP5DLL::CP5DLL(std::unique_ptr<SourceGant> source) : m_source(std::move(source))
{
    if (m_source)
        m_source->definirAbonne([this] { surChangement(); });
}

CP5DLL::~CP5DLL()
{
    P5_Close();
    if (m_source)
        m_source->definirAbonne({});
}

unsigned int CP5DLL::P5_Init()
{
    if (m_enregistrement)
        return 1;
    if (!m_source || !m_source->ouvrir())
        return 0;
    m_enregistrement = std::make_unique<EnregistrementP5>();
    surChangement();
    return 1;
}

void CP5DLL::P5_CalibratePositionData(int)
{
    if (!m_enregistrement)
        return;
    // The origin is where the glove is at this moment, before a replay's clock starts: samples
    // due at once belong to the session, after the origin, as they did when it was recorded.
    const EtatGant etat = m_source->etat();
    m_origine[0] = etat.x;
    m_origine[1] = etat.y;
    m_origine[2] = etat.z;
    if (!m_sessionDemarree) {
        m_sessionDemarree = true;
        m_horlogeSession.start();
        // May already bring the replay's first samples, through surChangement().
        m_source->demarrerHorloge();
    }
    surChangement();
}

void CP5DLL::P5_Close()
{
    arreterSortieTrajectoire();
    if (m_enregistrement && m_source)
        m_source->fermer();
    m_enregistrement.reset();
}

bool CP5DLL::ecrireTrajectoireVers(const QString& fichier, SurEchecEcriture surEchec)
{
    arreterSortieTrajectoire();
    QString raison;
    m_ecrivain = EcrivainTrajectoire::ouvrir(fichier, &raison, surEchec);
    if (!m_ecrivain) {
        // The window starts the recording; a failure there would otherwise go unsaid.
        if (surEchec)
            surEchec(fichier, raison);
        return false;
    }
    // A session already under way is recorded from now on, on its own clock.
    if (m_enregistrement && m_sessionDemarree)
        noterEtat(m_source->etat());
    return true;
}

void CP5DLL::surChangement()
{
    if (!m_enregistrement)
        return;
    const EtatGant etat = m_source->etat();
    m_enregistrement->positionX = etat.x - m_origine[0];
    m_enregistrement->positionY = etat.y - m_origine[1];
    m_enregistrement->positionZ = etat.z - m_origine[2];
    std::memcpy(m_enregistrement->flexion, etat.flexion, sizeof etat.flexion);
    for (int i = 0; i < 2; ++i)
        m_enregistrement->bouton[i] = etat.bouton[i] ? 1 : 0;
    if (m_sessionDemarree)
        noterEtat(etat);
}

void CP5DLL::noterEtat(const EtatGant& etat)
{
    if (!m_ecrivain || (m_echantillonEcrit && etat == m_dernierEcrit))
        return;
    EchantillonGant e;
    e.tempsMs = m_horlogeSession.elapsed();
    e.etat = etat;
    if (!m_ecrivain->ajouter(e)) {
        arreterSortieTrajectoire(); // stopped and reported by the writer
        return;
    }
    m_echantillonEcrit = true;
    m_dernierEcrit = etat;
}

void CP5DLL::arreterSortieTrajectoire()
{
    m_ecrivain.reset();
    m_echantillonEcrit = false;
}
