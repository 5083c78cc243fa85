#include "glove/suivi.h"

#include <QTest>
#include <cstring>

Q_DECLARE_METATYPE(Vecteur3f)

// Exact, bit for bit: the window's readouts show what these floats hold.
static QList<quint32> bits(Vecteur3f v)
{
    QList<quint32> b(3);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

class TestSuivi : public QObject
{
    Q_OBJECT

private slots:
    void gantVersRobot_data()
    {
        QTest::addColumn<Vecteur3f>("gant");
        QTest::addColumn<Vecteur3f>("cible");
        QTest::addColumn<Vecteur3f>("bornee");
        QTest::addColumn<Vecteur3f>("vue");
        QTest::newRow("origine") << Vecteur3f{0, 0, 0} << Vecteur3f{3162, 0, 2450}
                                 << Vecteur3f{3162, 0, 2450} << Vecteur3f{0, 0, 0};
        QTest::newRow("dedans") << Vecteur3f{100, 200, -100} << Vecteur3f{2732, 450, 3430}
                                << Vecteur3f{2732, 450, 3430}
                                << Vecteur3f{1.953125f, 3.90625f, -1.953125f};
        QTest::newRow("au-dessus")
            << Vecteur3f{1200, -500, 300} << Vecteur3f{4452, 5400, 0} << Vecteur3f{4300, 4500, 550}
            << Vecteur3f{23.4375f, -9.765625f, 5.859375f};
        QTest::newRow("au-dessous")
            << Vecteur3f{-1000, 600, -400} << Vecteur3f{1442, -4500, 5390}
            << Vecteur3f{1745, -4500, 4900} << Vecteur3f{-19.53125f, 11.71875f, -7.8125f};
        // Here a single-precision product would land an ulp away from the double one.
        const Vecteur3f cible{3119.55908f, -55.5299988f, 2728.22192f};
        QTest::newRow("décimales") << Vecteur3f{-12.34f, 56.78f, -9.87f} << cible << cible
                                   << Vecteur3f{-0.241015628f, 1.10898435f, -0.192773432f};
    }
    void gantVersRobot()
    {
        QFETCH(Vecteur3f, gant);
        QFETCH(Vecteur3f, cible);
        QFETCH(Vecteur3f, bornee);
        QFETCH(Vecteur3f, vue);
        QCOMPARE(bits(cibleDepuisGant(gant)), bits(cible));
        QCOMPARE(bits(bornerCible(cibleDepuisGant(gant))), bits(bornee));
        QCOMPARE(bits(pointGantVue(gant)), bits(vue));
    }

    void robotVersVue_data()
    {
        QTest::addColumn<Vecteur3f>("robot");
        QTest::addColumn<Vecteur3f>("vue");
        QTest::newRow("départ") << Vecteur3f{3162, 0, 2450} << Vecteur3f{0, 0, 0};
        QTest::newRow("cible") << Vecteur3f{2732, -450, 3430}
                               << Vecteur3f{-1.953125f, 3.90625f, -1.953125f};
        QTest::newRow("coin") << Vecteur3f{4300, 4500, 4900}
                              << Vecteur3f{19.53125f, 9.765625f, 5.1689677f};
    }
    void robotVersVue()
    {
        QFETCH(Vecteur3f, robot);
        QFETCH(Vecteur3f, vue);
        const int x = int(robot.X), y = int(robot.Y), z = int(robot.Z);
        const Vecteur3f v = pointRobotVue(x, y, z);
        QVERIFY(qFuzzyCompare(v.X, vue.X) && qFuzzyCompare(v.Y, vue.Y) &&
                qFuzzyCompare(v.Z, vue.Z));
        // The scale is 19.5312497089617, not 19.53125, and runs in double: a shortcut lands an
        // ulp away, which only the bit pattern shows.
        const double k = 19.5312497089617;
        QCOMPARE(bits(v), bits({float(y * (1.0 / 4500) * k), float((z - 2450) * (1.0 / 4900) * k),
                                float((x - 3162) * (1.0 / 4300) * k)}));
    }

    void bande_data()
    {
        QTest::addColumn<float>("lecture");
        QTest::addColumn<float>("precedente");
        QTest::addColumn<float>("attendu");
        const float auDela = std::nextafter(130.0f, 200.0f);
        QTest::newRow("bord haut") << 130.0f << 100.0f << 100.0f;
        QTest::newRow("bord bas") << 70.0f << 100.0f << 100.0f;
        QTest::newRow("juste au-delà") << auDela << 100.0f << auDela;
        QTest::newRow("après remise à zéro") << -30.5f << 0.0f << -30.5f;
    }
    void bande()
    {
        QFETCH(float, lecture);
        QFETCH(float, precedente);
        QFETCH(float, attendu);
        QCOMPARE(filtreBande(lecture, precedente, 30.0f), attendu);
        // Each axis on its own, mirrored on Z, with Y steady.
        const Vecteur3f r = filtreBande({lecture, 7, -lecture}, {precedente, 7, -precedente}, 30);
        QCOMPARE(bits(r), bits({attendu, 7, -attendu}));
    }

    void seuilPince() { QVERIFY(!doigtEstPlie(50) && doigtEstPlie(51) && doigtEstPlie(255)); }
};

QTEST_GUILESS_MAIN(TestSuivi)
#include "test_suivi.moc"
