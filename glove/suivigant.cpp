#include "glove/suivigant.h"

#include "glove/cp5dll.h"
#include "glove/enregistrementp5.h"
#include "glove/sourcegant.h"

#include <utility>

SuiviGant::SuiviGant(std::unique_ptr<CP5DLL> gant)
    : m_gant(std::move(gant)), m_gantDetecte(m_gant->P5_Init() != 0)
{
}

SuiviGant::~SuiviGant() = default;

void SuiviGant::noterPositionRobot(int x, int y, int z)
{
    m_positionRobot[0] = x;
    m_positionRobot[1] = y;
    m_positionRobot[2] = z;
}

std::optional<ResultatTic> SuiviGant::tic()
{
    const EnregistrementP5* gant = m_gant->enregistrement();
    if (!gant)
        return std::nullopt;
    // The re-zeroing comes first, so that this tick reads the hand from the new origin.
    if (gant->bouton[0])
        m_gant->P5_CalibratePositionData(0);
    EchantillonTic echantillon;
    echantillon.flexionPince = gant->flexion[1];
    echantillon.bouton1 = gant->bouton[0] != 0;
    echantillon.bouton2 = gant->bouton[1] != 0;
    echantillon.position = {gant->positionX, gant->positionY, gant->positionZ};
    ResultatTic r = calculerTic(echantillon, m_positionRobot, m_etat);
    r.appareilPresent = m_gant->source()->appareilPresent();
    return r;
}
