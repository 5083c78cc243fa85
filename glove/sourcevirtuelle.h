#pragma once

#include "glove/sourcegant.h"

// A glove moved by hand, from a panel or a test. Every setter shows in the device record at once.
class SourceVirtuelle : public SourceGant
{
public:
    bool ouvrir() override { return true; }
    EtatGant etat() const override { return m_etat; }

    void definirPosition(float x, float y, float z);
    // doigt 0..4; any other finger is ignored.
    void definirFlexion(int doigt, unsigned char flexion);
    // bouton 0 or 1; any other button is ignored.
    void definirBouton(int bouton, bool appuye);

private:
    void changer(const EtatGant& nouveau);

    EtatGant m_etat;
};
