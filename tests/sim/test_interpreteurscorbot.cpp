// The simulated controller's command language, driven with the time passed in.
#include "robot/protocole.h"
#include "sim/interpreteurscorbot.h"

#include <QtTest>

namespace {
// X, Y and Z as the program's own parser reads them out of a listing.
QList<int> lireXYZ(const QByteArray& reponse)
{
    int x = -1, y = -1, z = -1;
    protocole::analyserListing(reponse.constData(), reponse.size(), &x, &y, &z);
    return {x, y, z};
}

const QByteArray kPose = "defp A\rteach A\r5162\r0\r1450\r-850\r0\rmove A\r";
} // namespace

class TestInterpreteurScorbot : public QObject
{
    Q_OBJECT

private slots:
    void reponses_data()
    {
        QTest::addColumn<QByteArray>("avant");
        QTest::addColumn<QByteArray>("ligne");
        QTest::addColumn<QByteArray>("attendu"); // after the echo
        const char* cas[][4] = {
            {"defp", "", "defp A\r", ">"},
            {"teach asks for X", "defp A\r", "teach A\r", "X -->"},
            {"move", "defp A\rteach A\r1\r2\r3\r4\r5\r", "move A\r", "Done.\r\n>"},
            {"defp twice, any case", "defp A\r", "DEFP a\r", "*** POINT ALREADY DEFINED\r\n>"},
            {"unknown", "", "jump\r", "*** UNKNOWN COMMAND\r\n>"},
            {"empty line", "", "\r", ">"},
            {"crlf is one line", "", "OpEn\r\n", "Done.\r\n>"},
            {"move undefined", "", "move B\r", "*** POINT NOT DEFINED\r\n>"},
            {"listpv never taught", "defp A\r", "listpv a\r", "*** POINT NOT TAUGHT\r\n>"},
            {"value not a number", "defp A\rteach A\r", "12a\r", "*** INVALID VALUE\r\n>"},
        };
        for (const auto& c : cas)
            QTest::newRow(c[0]) << QByteArray(c[1]) << QByteArray(c[2])
                                << QByteArray(c[2]).trimmed() + "\r\n" + c[3];
        QTest::newRow("typed > not echoed")
            << QByteArray() << QByteArray("a>b\r") << QByteArray("ab\r\n*** UNKNOWN COMMAND\r\n>");
    }

    void reponses()
    {
        QFETCH(QByteArray, avant);
        QFETCH(QByteArray, ligne);
        InterpreteurScorbot controleur;
        controleur.recevoir(avant, 0);
        QTEST(controleur.recevoir(ligne, 0), "attendu");
    }

    // From the rest pose to X 5162, Z 1450 at 2000 units a second, X leads and the move takes
    // 1000 ms; a HOME takes its own time and holds back the lines typed meanwhile.
    void mouvementEtHoming()
    {
        OptionsInterpreteur options;
        options.homeMs = 1000;
        InterpreteurScorbot c(options);
        c.recevoir(kPose, 0);
        const auto position = [&c](qint64 ms) {
            return lireXYZ(c.recevoir("listpv position\r", ms));
        };
        QCOMPARE(position(0), (QList<int>{3162, 0, 2450}));
        QCOMPARE(position(500), (QList<int>{4162, 0, 1950}));
        QVERIFY(c.etat(500).enMouvement && !c.etat(1000).enMouvement);
        QCOMPARE(position(1000), (QList<int>{5162, 0, 1450}));
        QCOMPARE(lireXYZ(c.recevoir("listpv A\r", 1000)), (QList<int>{5162, 0, 1450}));
        QCOMPARE(c.recevoir("home\r", 10000), QByteArray("home\r\n"));
        QCOMPARE(c.recevoir("close\r", 10500), QByteArray());
        QVERIFY(c.etat(10500).homing);
        QCOMPARE(c.avancer(10999), QByteArray());
        QCOMPARE(c.avancer(11000), QByteArray("Homing complete(robot).\r\n>close\r\nDone.\r\n>"));
        QVERIFY(!c.etat(11000).homing && !c.etat(11000).pinceOuverte);
        QCOMPARE(position(11000), (QList<int>{3162, 0, 2450}));
    }
};

QTEST_GUILESS_MAIN(TestInterpreteurScorbot)
#include "test_interpreteurscorbot.moc"
