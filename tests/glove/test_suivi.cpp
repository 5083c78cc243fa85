#include "glove/suivi.h"
#include "robot/protocole.h"

#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>

Q_DECLARE_METATYPE(Vecteur3f)

// As the readouts show a view point: 6 significant digits.
static QString texte(Vecteur3f v)
{
    return QStringLiteral("%1 %2 %3")
        .arg(QString::number(v.X, 'g', 6), QString::number(v.Y, 'g', 6),
             QString::number(v.Z, 'g', 6));
}

class TestSuivi : public QObject
{
    Q_OBJECT

private slots:
    // From the glove's position to the view's point and to X, Y, Z as the wire carries them.
    void gantVersRobot_data()
    {
        QTest::addColumn<Vecteur3f>("gant");
        QTest::addColumn<QString>("vue");
        QTest::addColumn<QByteArray>("fil"); // empty: nothing is sent
        QTest::newRow("origine") << Vecteur3f{0, 0, 0} << "0 0 0" << QByteArray("3162 0 2450");
        QTest::newRow("dedans") << Vecteur3f{100, 200, -100} << "1.95313 3.90625 -1.95313"
                                << QByteArray("2732 -450 3430");
        QTest::newRow("au-dessus") << Vecteur3f{1200, -500, 300} << "23.4375 -9.76563 5.85938"
                                   << QByteArray("4300 -4500 550");
        QTest::newRow("au-dessous") << Vecteur3f{-1000, 600, -400} << "-19.5313 11.7188 -7.8125"
                                    << QByteArray("1745 4500 4900");
        QTest::newRow("décimales") << Vecteur3f{-12.34f, 56.78f, -9.87f}
                                   << "-0.241016 1.10898 -0.192773" << QByteArray("3119 55 2728");
        // Numbers no glove gives: a huge one still lands on the workspace's edge; one that is not
        // finite leaves the arm where the last good target put it.
        QTest::newRow("immense") << Vecteur3f{1e30f, -1e30f, 1e30f}
                                 << "1.95312e+28 -1.95312e+28 1.95312e+28"
                                 << QByteArray("4300 -4500 550");
        QTest::newRow("plus grand float")
            << Vecteur3f{FLT_MAX, FLT_MAX, -FLT_MAX} << "6.64614e+36 6.64614e+36 -6.64614e+36"
            << QByteArray("1745 -4500 4900");
        QTest::newRow("NaN") << Vecteur3f{std::nanf(""), 0, 0} << "nan 0 0" << QByteArray();
        QTest::newRow("+infini") << Vecteur3f{0, 0, HUGE_VALF} << "0 0 inf" << QByteArray();
        QTest::newRow("-infini") << Vecteur3f{0, -HUGE_VALF, 0} << "0 -inf 0" << QByteArray();
    }
    void gantVersRobot()
    {
        QFETCH(Vecteur3f, gant);
        QTEST(texte(pointGantVue(gant)), "vue");
        // The controller's Y turns the other way.
        const Vecteur3f cible = bornerCible(cibleDepuisGant(gant));
        ConsigneRobot c;
        c.X = cible.X;
        c.Y = -static_cast<double>(cible.Y);
        c.Z = cible.Z;
        std::strcpy(c.nomPoint, "A");
        QTEST(protocole::lignesConsigne(c).mid(2, 3).join(' ').replace("\r", ""), "fil");
    }

    void robotVersVue_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<QString>("vue");
        QTest::newRow("départ") << 3162 << 0 << 2450 << "0 0 0";
        QTest::newRow("cible") << 2732 << -450 << 3430 << "-1.95313 3.90625 -1.95313";
        QTest::newRow("coin") << 4300 << 4500 << 4900 << "19.5313 9.76563 5.16897";
    }
    void robotVersVue()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QTEST(texte(pointRobotVue(x, y, z)), "vue");
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
        // Each axis on its own, mirrored on Z, with Y steady.
        const Vecteur3f r = filtreBande({lecture, 7, -lecture}, {precedente, 7, -precedente}, 30);
        QCOMPARE(r.X, attendu);
        QCOMPARE(r.Y, 7.0f);
        QCOMPARE(r.Z, -attendu);
    }

    void seuilPince() { QVERIFY(!doigtEstPlie(50) && doigtEstPlie(51) && doigtEstPlie(255)); }
};

QTEST_GUILESS_MAIN(TestSuivi)
#include "test_suivi.moc"
