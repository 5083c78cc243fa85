#pragma once

#include "glove/sourcegant.h"
#include "glove/trajectoire.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstddef>
#include <vector>

// Plays a recorded trajectory. Its clock starts when the operator first arms tracking; until
// then it holds the first sample, after the last one it holds the last. One single-shot timer,
// set for the next sample's time, drives it: nothing runs between samples.
class SourceRejeu : public SourceGant
{
public:
    explicit SourceRejeu(std::vector<EchantillonGant> echantillons);

    bool ouvrir() override;
    void fermer() override;
    void demarrerHorloge() override;
    EtatGant etat() const override;

private:
    void avancer();

    std::vector<EchantillonGant> m_echantillons;
    std::size_t m_indice = 0;
    QElapsedTimer m_horloge;
    QTimer m_minuterie;
    bool m_ouvert = false;
};
