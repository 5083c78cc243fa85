#include "robot/etatpartage.h"

#include <chrono>
#include <utility>

void Reveil::notifier()
{
    // Taking the lock orders the flag's store before any waiter's check, so no wake-up is lost.
    {
        std::lock_guard<std::mutex> garde(verrou);
    }
    condition.notify_all();
}

void Drapeau::lever()
{
    m_valeur.store(true);
    m_reveil->notifier();
}

void attendreDrapeaux(std::initializer_list<const Drapeau*> drapeaux, int delaiMs)
{
    if (drapeaux.size() == 0)
        return;
    Reveil* reveil = (*drapeaux.begin())->reveil();
    const auto leve = [&] {
        for (const Drapeau* d : drapeaux)
            if (d->estLeve())
                return true;
        return false;
    };
    std::unique_lock<std::mutex> verrou(reveil->verrou);
    if (delaiMs < 0)
        reveil->condition.wait(verrou, leve);
    else
        reveil->condition.wait_for(verrou, std::chrono::milliseconds(delaiMs), leve);
}

ConsigneRobot ConsignePartagee::copie() const
{
    QMutexLocker verrou(&m_verrou);
    return m_valeur;
}

void ConsignePartagee::ecrire(const ConsigneRobot& consigne)
{
    QMutexLocker verrou(&m_verrou);
    m_valeur = consigne;
}

void PinceDemandee::demander(CommandePince commande)
{
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        if (commande == CommandePince::Aucune || commande == m_derniere)
            return;
        m_derniere = commande;
        m_attente.push_back(commande);
        if (m_attente.size() > kAttenteMax)
            m_attente.erase(m_attente.begin(), m_attente.begin() + 2);
    }
    m_drapeau.lever();
}

CommandePince PinceDemandee::prendre()
{
    std::lock_guard<std::mutex> garde(m_verrou);
    m_drapeau.baisser();
    if (m_attente.empty())
        return CommandePince::Aucune;
    const CommandePince commande = m_attente.front();
    m_attente.pop_front();
    if (!m_attente.empty())
        m_drapeau.lever();
    return commande;
}

void PinceDemandee::rendre(CommandePince commande)
{
    if (commande == CommandePince::Aucune)
        return;
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        m_attente.push_front(commande);
    }
    m_drapeau.lever();
}
