// The tracking tick without a window: what one tick shows, draws, targets and commands.
#include "glove/tic.h"

#include <QTest>
#include <cmath>

using Flottants = QList<float>;

class TestTic : public QObject
{
    Q_OBJECT

private slots:
    void unTic_data();
    void unTic();
    void suiteDeTics_data();
    void suiteDeTics();
};

void TestTic::unTic_data()
{
    QTest::addColumn<Flottants>("gant");
    QTest::addColumn<QList<int>>("robot");     // as last listed
    QTest::addColumn<Flottants>("cible");      // after clamping
    QTest::addColumn<Flottants>("pointGant");  // in the view
    QTest::addColumn<Flottants>("pointRobot"); // in the view
    const float u = 1.953125f;
    QTest::newRow("origine") << Flottants{0, 0, 0} << QList<int>{3162, 0, 2450}
                             << Flottants{3162, 0, 2450} << Flottants{0, 0, 0}
                             << Flottants{0, 0, 0};
    QTest::newRow("au milieu") << Flottants{100, 200, -100} << QList<int>{2732, -450, 3430}
                               << Flottants{2732, 450, 3430} << Flottants{u, 2 * u, -u}
                               << Flottants{-u, 2 * u, -u};
    QTest::newRow("bornes hautes")
        << Flottants{1200, -500, 300} << QList<int>{4300, 4500, 4900} << Flottants{4300, 4500, 550}
        << Flottants{12 * u, -5 * u, 3 * u} << Flottants{10 * u, 5 * u, 5.1689677f};
    QTest::newRow("bornes basses")
        << Flottants{-1000, 600, -400} << QList<int>{3162, 0, 2450} << Flottants{1745, -4500, 4900}
        << Flottants{-10 * u, 6 * u, -4 * u} << Flottants{0, 0, 0};
}

void TestTic::unTic()
{
    QFETCH(Flottants, gant);
    QFETCH(QList<int>, robot);
    QFETCH(Flottants, cible);
    QFETCH(Flottants, pointGant);
    QFETCH(Flottants, pointRobot);
    EtatSuivi etat;
    etat.suiviActif = true;
    EchantillonTic e;
    e.position = {gant[0], gant[1], gant[2]};
    const int listee[3] = {robot[0], robot[1], robot[2]};
    const ResultatTic r = calculerTic(e, listee, etat);
    const auto liste = [](Vecteur3f v) { return Flottants{v.X, v.Y, v.Z}; };
    QCOMPARE(liste(r.positionGant), gant);
    QCOMPARE(liste(r.pointGant), pointGant);
    QCOMPARE(liste(r.pointRobot), pointRobot);
    QCOMPARE(liste(r.delta), (Flottants{pointGant[0] - pointRobot[0], pointGant[1] - pointRobot[1],
                                        pointGant[2] - pointRobot[2]}));
    QCOMPARE(liste(r.cible), cible);
    QVERIFY(r.consigneValide);
    // The controller takes Y with the opposite sign.
    QCOMPARE((QList<double>{r.consigneX, r.consigneY, r.consigneZ}),
             (QList<double>{cible[0], -cible[1], cible[2]}));
    QCOMPARE(r.mouvement, gant != Flottants(3, 0.0f)); // the start state's hand is at the origin
}

void TestTic::suiteDeTics_data()
{
    // Each tick: x y z, gripper bend, first button, second button.
    QTest::addColumn<QList<Flottants>>("tics");
    QTest::addColumn<bool>("suivi");
    QTest::addColumn<QStringList>("attendu"); // readouts, then what the tick asks for
    using L = QList<Flottants>;
    QTest::newRow("pince 50/51, une commande par passage du seuil")
        << L{{0, 0, 0, 50, 0, 0}, {0, 0, 0, 51, 0, 0}, {0, 0, 0, 255, 0, 0},
             {0, 0, 0, 50, 0, 0}, {0, 0, 0, 0, 0, 0},  {0, 0, 0, 51, 0, 0}}
        << true
        << QStringList{"0 0 0", "0 0 0 close", "0 0 0", "0 0 0 open", "0 0 0", "0 0 0 close"};
    QTest::newRow("même lecture, bande morte")
        << L{{100, 200, -100, 0, 0, 0},
             {100, 200, -100, 0, 0, 0},
             {130, 170, -70, 0, 0, 0},
             {131, 200, -100, 0, 0, 0}}
        << true
        << QStringList{"100 200 -100 move", "100 200 -100", "100 200 -100", "131 200 -100 move"};
    // The hand's place is kept all the same: the next reading is filtered against it.
    QTest::newRow("suivi arrêté") << L{{100, 200, -100, 0, 0, 0}, {110, 200, -100, 0, 0, 0}}
                                  << false << QStringList{"100 200 -100", "100 200 -100"};
    QTest::newRow("bouton 1 tenu: comparé à l'origine")
        << L{{100, 200, -100, 0, 0, 0},
             {0, 0, 0, 0, 1, 0},
             {20, -10, 5, 0, 1, 0},
             {40, 0, 0, 0, 0, 0}}
        << true << QStringList{"100 200 -100 move", "0 0 0 rezero", "0 0 0 rezero", "40 0 0 move"};
    QTest::newRow("bouton 2 tenu") << L{{0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 0}}
                                   << true << QStringList{"0 0 0 home", "0 0 0 home", "0 0 0"};
    QTest::newRow("pas un nombre")
        << L{{100, 200, -100, 0, 0, 0}, {NAN, 200, -100, 0, 0, 0}} << true
        << QStringList{"100 200 -100 move", "nan 200 -100 invalide"};
}

void TestTic::suiteDeTics()
{
    QFETCH(QList<Flottants>, tics);
    EtatSuivi etat;
    QFETCH(bool, suivi);
    etat.suiviActif = suivi;
    const int robot[3] = {3162, 0, 2450};
    QStringList vus;
    for (const Flottants& t : tics) {
        EchantillonTic e;
        e.position = {t[0], t[1], t[2]};
        e.flexionPince = static_cast<unsigned char>(t[3]);
        e.bouton1 = t[4] != 0;
        e.bouton2 = t[5] != 0;
        const ResultatTic r = calculerTic(e, robot, etat);
        QStringList mots;
        for (float v : {r.positionGant.X, r.positionGant.Y, r.positionGant.Z})
            mots << QString::number(v);
        if (r.pince != CommandePince::Aucune)
            mots << (r.pince == CommandePince::Fermer ? "close" : "open");
        mots << (r.rezero ? "rezero" : "") << (r.home ? "home" : "")
             << (r.consigneValide ? "" : "invalide") << (r.mouvement ? "move" : "");
        mots.removeAll(QString());
        vus << mots.join(' ');
    }
    QTEST(vus, "attendu");
}

QTEST_GUILESS_MAIN(TestTic)
#include "test_tic.moc"
