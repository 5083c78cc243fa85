#include "glove/sourcerejeu.h"

#include <algorithm>
#include <utility>

SourceRejeu::SourceRejeu(std::vector<EchantillonGant> echantillons)
    : m_echantillons(std::move(echantillons))
{
    m_minuterie.setSingleShot(true);
    // Samples tens of ms apart would drift by a few ms with a coarse timer.
    m_minuterie.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_minuterie, &QTimer::timeout, [this] { avancer(); });
}

bool SourceRejeu::ouvrir()
{
    if (m_echantillons.empty())
        return false;
    m_ouvert = true;
    if (m_horloge.isValid())
        avancer();
    return true;
}

void SourceRejeu::fermer()
{
    m_ouvert = false;
    m_minuterie.stop();
}

void SourceRejeu::demarrerHorloge()
{
    if (m_horloge.isValid())
        return;
    m_horloge.start();
    if (m_ouvert)
        avancer();
}

EtatGant SourceRejeu::etat() const
{
    return m_echantillons.empty() ? EtatGant{} : m_echantillons[m_indice].etat;
}

void SourceRejeu::avancer()
{
    const qint64 maintenant = m_horloge.elapsed();
    // Samples that fell due together still go out one by one, so that a recording of this
    // replay holds every one of them. A subscriber may close the source meanwhile.
    while (m_ouvert && m_indice + 1 < m_echantillons.size() &&
           m_echantillons[m_indice + 1].tempsMs <= maintenant) {
        const bool change = m_echantillons[m_indice + 1].etat != m_echantillons[m_indice].etat;
        ++m_indice;
        if (change)
            signalerChangement();
    }
    if (m_ouvert && m_indice + 1 < m_echantillons.size()) {
        // A very distant sample is reached in hops: QTimer counts in int milliseconds.
        constexpr qint64 kAttenteMax = 24LL * 3600 * 1000;
        const qint64 attente = m_echantillons[m_indice + 1].tempsMs - maintenant;
        m_minuterie.start(static_cast<int>(std::clamp<qint64>(attente, 0, kAttenteMax)));
    }
}
