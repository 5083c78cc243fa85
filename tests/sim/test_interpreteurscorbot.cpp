// The simulated controller's command language: what it answers to each line.
#include "glove/espacetravail.h"
#include "sim/interpreteurscorbot.h"

#include <QtTest>

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
        QTest::newRow("held while homing")
            << QByteArray("home\r") << QByteArray("open\r") << QByteArray();
        QTest::newRow("typed > not echoed")
            << QByteArray() << QByteArray("a>b\r") << QByteArray("ab\r\n*** UNKNOWN COMMAND\r\n>");
    }

    void reponses()
    {
        QFETCH(QByteArray, avant);
        QFETCH(QByteArray, ligne);
        InterpreteurScorbot controleur;
        const PoseBras repos = InterpreteurScorbot::poseRepos(); // the program starts there too
        QCOMPARE(
            QList<int>({repos.X, repos.Y, repos.Z, repos.P, repos.R}),
            QList<int>({kAxeX.depart, kAxeY.depart, kAxeZ.depart, kAxeP.depart, kAxeR.depart}));
        controleur.recevoir(avant, 0);
        QTEST(controleur.recevoir(ligne, 0), "attendu");
    }
};

QTEST_GUILESS_MAIN(TestInterpreteurScorbot)
#include "test_interpreteurscorbot.moc"
