// The glove's device record as the window reads it, recorded and then replayed.
#include "glove/cp5dll.h"
#include "glove/sourcegant.h"
#include "glove/sourcevirtuelle.h"

#include <QTemporaryDir>
#include <QTest>

class TestCP5DLL : public QObject
{
    Q_OBJECT

private slots:
    // What was recorded from the first re-zeroing on plays back on the same clock.
    void enregistrementPuisRejeu()
    {
        QTemporaryDir dossier;
        const QString fichier = dossier.filePath(QStringLiteral("a.txt"));
        CP5DLL p5(std::make_unique<SourceVirtuelle>());
        auto* gant = static_cast<SourceVirtuelle*>(p5.source());
        QVERIFY(p5.ecrireTrajectoireVers(fichier) && p5.P5_Init() != 0);
        gant->definirPosition(5, 5, 5); // before the session: the first sample, at time 0
        p5.P5_CalibratePositionData(0);
        QTest::qWait(300);
        gant->definirPosition(6, 7, 8);
        QTest::qWait(300);
        gant->definirPosition(9, 9, 9);
        gant->definirBouton(1, true);
        p5.P5_Close();

        CP5DLL relu(creerSourceGant(QStringLiteral("replay:") + fichier, nullptr));
        QVERIFY(relu.P5_Init() != 0);
        const EnregistrementP5* e = relu.enregistrement();
        const auto position = [e] {
            return QList<float>{e->positionX, e->positionY, e->positionZ};
        };
        QTest::qWait(150); // the clock has not started: still the first sample
        QCOMPARE(position(), QList<float>({5, 5, 5}));
        relu.P5_CalibratePositionData(0);
        QCOMPARE(position(), QList<float>({0, 0, 0}));
        QTRY_COMPARE(position(), QList<float>({1, 2, 3}));
        QTRY_COMPARE(position(), QList<float>({4, 4, 4}));
        QCOMPARE(int(e->bouton[1]), 1);
    }
};

QTEST_GUILESS_MAIN(TestCP5DLL)
#include "test_cp5dll.moc"
