// The tracking tick without a window: what one tick shows, draws, targets and commands.
#include "glove/tic.h"

#include <QTest>
#include <cfloat>

using F = QList<float>;

class TestTic : public QObject
{
    Q_OBJECT

private slots:
    void unTic_data()
    {
        QTest::addColumn<F>("gant");
        QTest::addColumn<QList<int>>("robot"); // as last listed
        // The target as the controller takes it (clamped, Y's sign turned), then the view's glove
        // point and robot point.
        QTest::addColumn<F>("attendu");
        const float u = 1.953125f, v = u / 100; // a glove unit, a hundredth of one, in the view
        QTest::newRow("origine") << F{0, 0, 0} << QList<int>{3162, 0, 2450}
                                 << F{3162, 0, 2450, 0, 0, 0, 0, 0, 0};
        QTest::newRow("au milieu") << F{100, 200, -100} << QList<int>{2732, -450, 3430}
                                   << F{2732, -450, 3430, u, 2 * u, -u, -u, 2 * u, -u};
        QTest::newRow("bornes hautes")
            << F{1200, -500, 300} << QList<int>{4300, 4500, 4900}
            << F{4300, -4500, 550, 12 * u, -5 * u, 3 * u, 10 * u, 5 * u, 5.1689677f};
        QTest::newRow("bornes basses") << F{-1000, 600, -400} << QList<int>{3162, 0, 2450}
                                       << F{1745, 4500, 4900, -10 * u, 6 * u, -4 * u, 0, 0, 0};
        // A position far beyond any glove's, or at the float range's end, lands on the edge.
        QTest::newRow("immense") << F{1e30f, -1e30f, 1e30f} << QList<int>{3162, 0, 2450}
                                 << F{4300, -4500, 550, 1e30f * v, -1e30f * v, 1e30f * v, 0, 0, 0};
        QTest::newRow("plus grand float")
            << F{FLT_MAX, FLT_MAX, -FLT_MAX} << QList<int>{3162, 0, 2450}
            << F{1745, -4500, 4900, FLT_MAX * v, FLT_MAX * v, -FLT_MAX * v, 0, 0, 0};
    }

    void unTic()
    {
        QFETCH(F, gant);
        QFETCH(QList<int>, robot);
        QFETCH(F, attendu);
        EtatSuivi etat;
        EchantillonTic e;
        e.position = {gant[0], gant[1], gant[2]};
        const int listee[3] = {robot[0], robot[1], robot[2]};
        const ResultatTic r = calculerTic(e, listee, etat);
        const Vecteur3f &g = r.pointGant, &p = r.pointRobot;
        QCOMPARE((F{float(r.consigneX), float(r.consigneY), float(r.consigneZ), g.X, g.Y, g.Z, p.X,
                    p.Y, p.Z}),
                 attendu);
    }

    void suiteDeTics_data()
    {
        QTest::addColumn<QStringList>("tics");    // x y z, gripper bend, first and second button
        QTest::addColumn<QStringList>("attendu"); // readouts, then what the tick asks for
        QTest::newRow("pince 50/51, une commande par passage du seuil")
            << QStringList{"0 0 0 50", "0 0 0 51", "0 0 0 255", "0 0 0 50", "0 0 0 0", "0 0 0 51"}
            << QStringList{"0 0 0", "0 0 0 close", "0 0 0", "0 0 0 open", "0 0 0", "0 0 0 close"};
        QTest::newRow("même lecture, bande morte")
            << QStringList{"100 200 -100", "100 200 -100", "130 170 -70", "131 200 -100"}
            << QStringList{"100 200 -100 move", "100 200 -100", "100 200 -100",
                           "131 200 -100 move"};
        // The hand's place is kept all the same: the next reading is filtered against it.
        QTest::newRow("suivi arrêté") << QStringList{"100 200 -100", "110 200 -100"}
                                      << QStringList{"100 200 -100", "100 200 -100"};
        QTest::newRow("bouton 1 tenu: comparé à l'origine")
            << QStringList{"100 200 -100", "0 0 0 0 1", "20 -10 5 0 1", "40 0 0"}
            << QStringList{"100 200 -100 move", "0 0 0", "0 0 0", "40 0 0 move"};
        QTest::newRow("bouton 2 tenu") << QStringList{"0 0 0 0 0 1", "0 0 0 0 0 1", "0 0 0"}
                                       << QStringList{"0 0 0 home", "0 0 0 home", "0 0 0"};
        QTest::newRow("pas un nombre")
            << QStringList{"100 200 -100", "nan 200 -100", "0 inf 0", "0 0 -inf"}
            << QStringList{"100 200 -100 move", "nan 200 -100 invalide", "0 inf 0 invalide",
                           "0 0 -inf invalide"};
    }

    void suiteDeTics()
    {
        QFETCH(QStringList, tics);
        EtatSuivi etat;
        etat.suiviActif = QByteArray(QTest::currentDataTag()) != "suivi arrêté";
        const int robot[3] = {3162, 0, 2450};
        QStringList vus;
        for (const QString& tic : tics) {
            const QStringList t = (tic + " 0 0 0").split(' ');
            EchantillonTic e{static_cast<unsigned char>(t[3].toInt()),
                             t[4] == "1",
                             t[5] == "1",
                             {t[0].toFloat(), t[1].toFloat(), t[2].toFloat()}};
            const ResultatTic r = calculerTic(e, robot, etat);
            const Vecteur3f& p = r.positionGant;
            vus << QString("%1 %2 %3").arg(p.X).arg(p.Y).arg(p.Z) +
                       (r.pince == GestePince::Fermer   ? " close"
                        : r.pince == GestePince::Ouvrir ? " open"
                                                        : "") +
                       (r.home ? " home" : "") + (r.consigneValide ? "" : " invalide") +
                       (r.mouvement ? " move" : "");
        }
        QTEST(vus, "attendu");
    }
};

QTEST_GUILESS_MAIN(TestTic)
#include "test_tic.moc"
