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

namespace {
CommandePince contraire(CommandePince c)
{
    return c == CommandePince::Ouvrir ? CommandePince::Fermer : CommandePince::Ouvrir;
}
} // namespace

void PinceDemandee::demander(CommandePince commande)
{
    if (commande == CommandePince::Aucune)
        return;
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        // A command that was tried already may have reached the gripper: its opposite must go.
        if (m_commande == contraire(commande) && !m_dejaTentee) {
            m_commande = CommandePince::Aucune;
            m_drapeau.baisser();
            return;
        }
        m_commande = commande;
        m_dejaTentee = false;
    }
    m_drapeau.lever();
}

CommandePince PinceDemandee::prendre()
{
    std::lock_guard<std::mutex> garde(m_verrou);
    m_drapeau.baisser();
    return std::exchange(m_commande, CommandePince::Aucune);
}

void PinceDemandee::rendre(CommandePince commande)
{
    {
        std::lock_guard<std::mutex> garde(m_verrou);
        if (m_commande != CommandePince::Aucune || commande == CommandePince::Aucune)
            return;
        m_commande = commande;
        m_dejaTentee = true;
    }
    m_drapeau.lever();
}
