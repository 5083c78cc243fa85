#include "glove/sourcevirtuelle.h"

void SourceVirtuelle::definirPosition(float x, float y, float z)
{
    EtatGant e = m_etat;
    e.x = x;
    e.y = y;
    e.z = z;
    changer(e);
}

void SourceVirtuelle::definirFlexion(int doigt, unsigned char flexion)
{
    if (doigt < 0 || doigt >= 5)
        return;
    EtatGant e = m_etat;
    e.flexion[doigt] = flexion;
    changer(e);
}

void SourceVirtuelle::definirBouton(int bouton, bool appuye)
{
    if (bouton < 0 || bouton >= 2)
        return;
    EtatGant e = m_etat;
    e.bouton[bouton] = appuye;
    changer(e);
}

void SourceVirtuelle::changer(const EtatGant& nouveau)
{
    // A panel re-sending the same value must not count as a change (nor be recorded as one).
    if (nouveau == m_etat)
        return;
    m_etat = nouveau;
    signalerChangement();
}
