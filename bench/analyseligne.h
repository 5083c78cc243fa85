#pragma once

#include "sim/interpreteurscorbot.h"

#include <QByteArray>
#include <QList>
#include <vector>

// One line the program sent, with its answer, placed on the serial line's time axis.
struct LigneSurFil
{
    QByteArray ligne;      // as the controller received it, without its "\r"
    double debutMs = 0;    // the program put the first byte on the wire
    double finLigneMs = 0; // the "\r" arrived (the controller's time stamp)
    double finMs = 0;      // the answer's last byte, the prompt, was handed to the program
    int envoyes = 0;       // program to controller, "\r" included
    int echo = 0;          // echoed back while the line was still coming in
    int reponse = 0;       // sent back after the line: line end, text, prompt
    // Bytes that cost line time: the echo travels back while the line is still being sent.
    int octetsCritiques() const { return envoyes + reponse; }
    // The same as the simulator paces them: it hands each byte it writes over at the start of
    // its frame, so that an answer arrives one byte time before a real line would bring it.
    int octetsCritiquesSimules() const { return envoyes + reponse - 1; }
};

// Rebuilds what went over the line from the controller's transcript: every line is replayed
// through an interpreter of its own, which gives the exact answer the simulator wrote, and the
// bytes are placed at the line's pace (11 bit times a byte, 8N2).
//
// Valid for transcripts without HOME (whose answer depends on time) and without noise.
class AnalyseLigne
{
public:
    AnalyseLigne(const QList<LigneRecue>& transcript, int baud);

    const std::vector<LigneSurFil>& lignes() const { return m_lignes; }
    double octetMs() const { return m_octetMs; }

    // Index of the first line at or after `depuis` that equals `texte`, and starts at or after
    // `apresMs`; -1 if none.
    int chercher(const QByteArray& texte, std::size_t depuis, double apresMs) const;
    // The five values that the pose exchange starting with "defp" at `indice` taught, or {}.
    QList<QByteArray> valeursPose(int indice) const;
    // Line time of the eight lines of the pose exchange at `indice` (critical bytes only), on a
    // real line or as the simulator paces it.
    double dureePoseMs(int indice, bool simulee) const;

private:
    std::vector<LigneSurFil> m_lignes;
    double m_octetMs;
};
