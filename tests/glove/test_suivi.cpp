// Numbers no glove gives, from the glove's position to X, Y, Z as the wire carries them. The
// reference numbers, the dead band's edges and the gripper threshold are test_tic's, through the
// whole tick.
#include "glove/suivi.h"
#include "robot/protocole.h"

#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>

Q_DECLARE_METATYPE(Vecteur3f)

class TestSuivi : public QObject
{
    Q_OBJECT

private slots:
    void gantVersRobot_data()
    {
        QTest::addColumn<Vecteur3f>("gant");
        QTest::addColumn<QByteArray>("fil"); // empty: nothing is sent
        // A huge position still lands on the workspace's edge; one that is not finite leaves the
        // arm where the last good target put it.
        QTest::newRow("immense") << Vecteur3f{1e30f, -1e30f, 1e30f} << QByteArray("4300 -4500 550");
        QTest::newRow("plus grand float")
            << Vecteur3f{FLT_MAX, FLT_MAX, -FLT_MAX} << QByteArray("1745 -4500 4900");
        QTest::newRow("NaN") << Vecteur3f{std::nanf(""), 0, 0} << QByteArray();
        QTest::newRow("+infini") << Vecteur3f{0, 0, HUGE_VALF} << QByteArray();
        QTest::newRow("-infini") << Vecteur3f{0, -HUGE_VALF, 0} << QByteArray();
    }
    void gantVersRobot()
    {
        QFETCH(Vecteur3f, gant);
        const Vecteur3f cible = bornerCible(cibleDepuisGant(gant));
        ConsigneRobot c;
        c.X = cible.X;
        c.Y = -static_cast<double>(cible.Y); // the controller's Y turns the other way
        c.Z = cible.Z;
        std::strcpy(c.nomPoint, "A");
        QTEST(protocole::lignesConsigne(c).mid(2, 3).join(' ').replace("\r", ""), "fil");
    }

    // test_tic sees a reading exactly on the band's edge kept; the next float beyond it is taken.
    void bande()
    {
        const float auDela = std::nextafter(130.0f, 200.0f);
        QCOMPARE(filtreBande(auDela, 100.0f, 30), auDela);
        QCOMPARE(filtreBande(-auDela, -100.0f, 30), -auDela);
    }
};

QTEST_GUILESS_MAIN(TestSuivi)
#include "test_suivi.moc"
