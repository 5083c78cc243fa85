#include "bench/analyseligne.h"

AnalyseLigne::AnalyseLigne(const QList<LigneRecue>& transcript, int baud)
    : m_octetMs(11000.0 / baud)
{
    OptionsInterpreteur options;
    options.homeMs = 0;
    InterpreteurScorbot interpreteur(options);
    for (const LigneRecue& recue : transcript) {
        LigneSurFil l;
        l.ligne = recue.ligne;
        // The time stamp is in whole ms, cut down: the middle of that ms is the best guess.
        l.finLigneMs = double(recue.ms) + 0.5;
        l.envoyes = int(recue.ligne.size()) + 1;
        const QByteArray sortie = interpreteur.recevoir(recue.ligne + '\r', recue.ms);
        // The program's lines are plain text: every character comes back as it arrives.
        l.echo = int(recue.ligne.size());
        l.reponse = int(sortie.size()) - l.echo;
        l.debutMs = l.finLigneMs - l.envoyes * m_octetMs;
        l.finMs = l.finLigneMs + (l.reponse - 1) * m_octetMs;
        m_lignes.push_back(l);
    }
}

int AnalyseLigne::chercher(const QByteArray& texte, std::size_t depuis, double apresMs) const
{
    for (std::size_t i = depuis; i < m_lignes.size(); ++i)
        if (m_lignes[i].ligne == texte && m_lignes[i].debutMs >= apresMs)
            return int(i);
    return -1;
}

QList<QByteArray> AnalyseLigne::valeursPose(int indice) const
{
    if (indice < 0 || std::size_t(indice) + 7 >= m_lignes.size() ||
        m_lignes[indice + 1].ligne != "teach A" || m_lignes[indice + 7].ligne != "move A")
        return {};
    QList<QByteArray> valeurs;
    for (int i = 2; i <= 6; ++i)
        valeurs.append(m_lignes[indice + i].ligne);
    return valeurs;
}

double AnalyseLigne::dureePoseMs(int indice, bool simulee) const
{
    double octets = 0;
    for (int i = 0; i < 8; ++i) {
        const LigneSurFil& l = m_lignes[indice + i];
        octets += simulee ? l.octetsCritiquesSimules() : l.octetsCritiques();
    }
    return octets * m_octetMs;
}
