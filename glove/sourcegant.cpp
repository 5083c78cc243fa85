#include "glove/sourcegant.h"

#include "glove/sourceaucune.h"
#include "glove/sourcemanette.h"
#include "glove/sourceosc.h"
#include "glove/sourcerejeu.h"
#include "glove/sourcevirtuelle.h"
#include "glove/trajectoire.h"

#include <utility>

SourceGant::~SourceGant() = default;

void SourceGant::definirAbonne(std::function<void()> abonne)
{
    m_abonne = std::move(abonne);
}

void SourceGant::signalerChangement()
{
    if (m_abonne)
        m_abonne();
}

std::unique_ptr<SourceGant> creerSourceGant(const QString& choix, QString* erreur)
{
    const QString prefixeRejeu = QStringLiteral("replay:");
    if (choix == QLatin1String("none"))
        return std::make_unique<SourceAucune>();
    if (choix == QLatin1String("virtual"))
        return std::make_unique<SourceVirtuelle>();
    if (choix.startsWith(prefixeRejeu)) {
        const QString fichier = choix.mid(prefixeRejeu.size());
        if (fichier.isEmpty()) {
            if (erreur)
                *erreur = QStringLiteral("replay: file name missing (replay:FILE)");
            return nullptr;
        }
        std::vector<EchantillonGant> echantillons;
        if (!chargerTrajectoire(fichier, &echantillons, erreur))
            return nullptr;
        return std::make_unique<SourceRejeu>(std::move(echantillons));
    }
    if (choix.startsWith(QLatin1String("osc:")))
        return SourceOsc::creer(choix.mid(4), erreur);
    if (choix.startsWith(QLatin1String("osc.tcp:")))
        return SourceOsc::creer(choix.mid(8), erreur, SourceOsc::Transport::Tcp);
    if (choix == QLatin1String("manette") || choix.startsWith(QLatin1String("manette:")))
        return SourceManette::creer(choix.mid(7), erreur);
    if (erreur) {
        *erreur = QStringLiteral("unknown glove source \"%1\" (expected: none, virtual, "
                                 "replay:FILE, osc:PORT, osc.tcp:PORT or manette)")
                      .arg(choix);
    }
    return nullptr;
}
