#pragma once

#include "glove/sourcegant.h"

// No glove attached: the program runs, but tracking cannot be armed.
class SourceAucune : public SourceGant
{
public:
    bool ouvrir() override { return false; }
    EtatGant etat() const override { return {}; }
};
