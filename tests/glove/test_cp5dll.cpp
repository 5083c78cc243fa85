#include "glove/cp5dll.h"
#include "glove/sourcegant.h"
#include "glove/sourcevirtuelle.h"
#include "glove/trajectoire.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

static std::unique_ptr<CP5DLL> gantRejeu(const QString& fichier)
{
    return std::make_unique<CP5DLL>(creerSourceGant(QStringLiteral("replay:") + fichier, nullptr));
}

static QByteArray positionLue(const CP5DLL& p5)
{
    const EnregistrementP5* e = p5.enregistrement();
    return QByteArray::number(e->positionX) + ' ' + QByteArray::number(e->positionY) + ' ' +
           QByteArray::number(e->positionZ);
}

class TestCP5DLL : public QObject
{
    Q_OBJECT

private slots:
    void gantVirtuel()
    {
        CP5DLL p5(std::make_unique<SourceVirtuelle>());
        auto* gant = dynamic_cast<SourceVirtuelle*>(p5.source());
        gant->definirPosition(10, 20, 30);
        QVERIFY(!p5.enregistrement());
        QVERIFY(p5.P5_Init() != 0);
        EnregistrementP5* e = p5.enregistrement();
        QCOMPARE(positionLue(p5), QByteArray("10 20 30"));
        gant->definirFlexion(1, 51);
        gant->definirBouton(1, true);
        QVERIFY(e->flexion[1] == 51 && e->bouton[1] != 0 && e->bouton[0] == 0);

        p5.P5_CalibratePositionData(0);
        QCOMPARE(positionLue(p5), QByteArray("0 0 0"));
        gant->definirPosition(15, 10, 30);
        QCOMPARE(positionLue(p5), QByteArray("5 -10 0"));
        p5.P5_CalibratePositionData(0);
        gant->definirPosition(15, 12, 29);
        QCOMPARE(positionLue(p5), QByteArray("0 2 -1"));
        QCOMPARE(p5.enregistrement(), e); // the window keeps reading the same record
        p5.P5_Close();
        QVERIFY(!p5.enregistrement());
    }

    void rejeu()
    {
        QTemporaryDir dossier;
        QFile f(dossier.filePath(QStringLiteral("t.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("zelvor-gant 1\n0 5 5 5 0 0 0 0 0 0 0\n100 6 7 8 0 0 0 0 0 0 0\n"
                "200 9 9 9 0 99 0 0 0 1 0\n");
        f.close();
        auto p5 = gantRejeu(f.fileName());
        QVERIFY(p5->P5_Init() != 0);
        QTest::qWait(150); // the clock has not started: still the first sample
        QCOMPARE(positionLue(*p5), QByteArray("5 5 5"));

        p5->P5_CalibratePositionData(0);
        // Polled finely so that even a loaded machine does not skip the middle sample; the whole
        // 200 ms trajectory must have played within a generous second.
        QByteArrayList vues{positionLue(*p5)};
        QElapsedTimer chrono;
        chrono.start();
        while (vues.last() != "4 4 4" && chrono.elapsed() < 1000) {
            QTest::qWait(2);
            if (positionLue(*p5) != vues.last())
                vues.append(positionLue(*p5));
        }
        QCOMPARE(vues, QByteArrayList({"0 0 0", "1 2 3", "4 4 4"}));
        QVERIFY(p5->enregistrement()->flexion[1] == 99 && p5->enregistrement()->bouton[0] == 1);

        // A change recorded in the same millisecond as the re-zeroing came after it: the origin
        // is the first sample, not the second.
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("0 5 5 5 0 0 0 0 0 0 0\n0 7 5 5 0 0 0 0 0 0 0\n");
        f.close();
        auto meme = gantRejeu(f.fileName());
        QVERIFY(meme->P5_Init() != 0);
        meme->P5_CalibratePositionData(0);
        QCOMPARE(positionLue(*meme), QByteArray("2 0 0"));
    }

    void enregistrementPuisRejeu()
    {
        QTemporaryDir dossier;
        const QString premier = dossier.filePath(QStringLiteral("a.txt"));
        CP5DLL p5(std::make_unique<SourceVirtuelle>());
        auto* gant = static_cast<SourceVirtuelle*>(p5.source());
        QVERIFY(p5.enregistrerVers(premier) && p5.P5_Init() != 0);
        gant->definirPosition(1.5f, -2.25f, 0.1f); // before the session: not recorded
        p5.P5_CalibratePositionData(0);
        QTest::qWait(15);
        gant->definirPosition(2.5f, -2.25f, 0.3f);
        gant->definirPosition(2.5f, -2.25f, 0.3f); // no change, no sample
        QTest::qWait(15);
        gant->definirFlexion(1, 200);
        gant->definirBouton(1, true); // same millisecond as the bend, still its own sample
        const QByteArray finale = positionLue(p5);
        p5.P5_Close();

        std::vector<EchantillonGant> a;
        QString erreur;
        QVERIFY2(chargerTrajectoire(premier, &a, &erreur), qPrintable(erreur));
        QCOMPARE(a.size(), std::size_t(4));
        QVERIFY(a[0].tempsMs == 0 && a[0].etat.x == 1.5f);
        QVERIFY(a[1].tempsMs >= 15 && a[2].tempsMs >= 30);

        auto rejeu = gantRejeu(premier);
        QVERIFY(rejeu->P5_Init() != 0);
        rejeu->P5_CalibratePositionData(0);
        QTRY_COMPARE(int(rejeu->enregistrement()->bouton[1]), 1);
        QCOMPARE(positionLue(*rejeu), finale);
    }
};

QTEST_GUILESS_MAIN(TestCP5DLL)
#include "test_cp5dll.moc"
