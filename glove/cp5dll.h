#pragma once

#include "glove/ecrivaintrajectoire.h"
#include "glove/enregistrementp5.h"
#include "glove/etatgant.h"

#include <QElapsedTimer>
#include <QString>
#include <memory>

class SourceGant;

// The glove as the window sees it: detect it, re-zero it, read its device record in place.
// The record is kept current by this object as its source changes; the window never asks for an
// update.
//
// Threads: everything runs on the thread that created the object (the GUI thread), including
// the source's timers; nothing is locked, and the record may be read at any time on that thread.
// Only the recording's file is written elsewhere, by its writer's thread (EcrivainTrajectoire).
class CP5DLL
{
public:
    CP5DLL(); // without a source: behaves as "no glove"
    explicit CP5DLL(std::unique_ptr<SourceGant> source);
    ~CP5DLL();
    CP5DLL(const CP5DLL&) = delete;
    CP5DLL& operator=(const CP5DLL&) = delete;

    // Nonzero when a glove is present; the record exists from then on until P5_Close().
    unsigned int P5_Init();
    // The glove's present place becomes the origin of later position readings. The argument is
    // always 0. The first call also starts the session clock (replay, recording).
    void P5_CalibratePositionData(int);
    void P5_Close();

    // Null while there is no glove: before P5_Init(), without a glove, after P5_Close().
    EnregistrementP5* enregistrement() const { return m_enregistrement.get(); }
    // The source, so that the program can hand a virtual glove to its panel. May be null.
    SourceGant* source() const { return m_source.get(); }

    // Records, in the replay format, the source's raw values from the first re-zeroing on: a
    // sample at time 0, then one per change. Replaces any recording under way. A file that cannot
    // be opened, and later a write that fails, is also reported to `surEchec`: the recording
    // stops there, and the file replays up to its last whole sample.
    bool ecrireTrajectoireVers(const QString& fichier, SurEchecEcriture surEchec = {});

private:
    void surChangement();
    void noterEtat(const EtatGant& etat);
    void arreterSortieTrajectoire();

    std::unique_ptr<SourceGant> m_source;
    std::unique_ptr<EnregistrementP5> m_enregistrement;
    float m_origine[3] = {0.0f, 0.0f, 0.0f};
    bool m_sessionDemarree = false; // first re-zeroing done
    QElapsedTimer m_horlogeSession;
    std::unique_ptr<EcrivainTrajectoire> m_ecrivain; // the recording under way, if any
    bool m_echantillonEcrit = false;
    EtatGant m_dernierEcrit;
};
