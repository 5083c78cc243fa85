#include "robot/protocole.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestProtocole : public QObject
{
    Q_OBJECT

private slots:
    // 71 characters is the longest name "listpv %s\r" still carries whole; longer ones lose their
    // tail, then the "\r", within the 80-byte command buffer.
    void nomsLongs()
    {
        const QByteArray nom71(71, 'N');
        QCOMPARE(protocole::commandePoint("listpv", nom71.constData()), "listpv " + nom71 + "\r");
        QCOMPARE(protocole::commandePoint("listpv", QByteArray(79, 'N').constData()),
                 "listpv " + QByteArray(72, 'N'));
    }

    void valeursSurLeFil_data()
    {
        QTest::addColumn<double>("valeur");
        QTest::addColumn<QByteArray>("ligne"); // empty: no line, and a pose holding it is not sent
        const double infini = std::numeric_limits<double>::infinity();
        QTest::newRow("vers zero, positif") << 12.9 << QByteArray("12\r");
        QTest::newRow("vers zero, negatif") << -1000.7 << QByteArray("-1000\r");
        QTest::newRow("moins d'une unite") << -0.5 << QByteArray("0\r");
        QTest::newRow("plus grand int") << 2147483647.9 << QByteArray("2147483647\r");
        QTest::newRow("plus petit int") << -2147483648.9 << QByteArray("-2147483648\r");
        QTest::newRow("au-dela") << 1e12 << QByteArray("2147483647\r");
        QTest::newRow("en deca") << -1e300 << QByteArray("-2147483648\r");
        QTest::newRow("+infini") << infini << QByteArray("2147483647\r");
        QTest::newRow("-infini") << -infini << QByteArray("-2147483648\r");
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << QByteArray();
    }
    // The value alone, then as Y in a whole pose exchange: one that is not a finite number keeps
    // the whole pose off the wire.
    void valeursSurLeFil()
    {
        QFETCH(double, valeur);
        QFETCH(QByteArray, ligne);
        QCOMPARE(protocole::nombreFil(valeur), ligne);
        const ConsigneRobot c{3162, valeur, 2450, 0, -850, "A"};
        QCOMPARE(protocole::lignesConsigne(c).join('|'),
                 std::isfinite(valeur)
                     ? "defp A\r|teach A\r|3162\r|" + ligne + "|2450\r|-850\r|0\r|move A\r"
                     : QByteArray());
    }

    void analyseListing_data()
    {
        QTest::addColumn<QByteArray>("reponse");
        QTest::addColumn<QList<int>>("xyz"); // each case starts from 7, 8, 9
        QTest::newRow("listing complet")
            << QByteArray("listpv A\r\nPosition A\r\n 1:0  2:1791  3:2048  4:0  5:0\r\n"
                          " X: 3162  Y: 0  Z: 2450  P: -850  R: 0\r\n>")
            << QList<int>{3162, 0, 2450};
        QTest::newRow("chiffres colles au prompt")
            << QByteArray("X: 1234>") << QList<int>{1234, 8, 9};
        QTest::newRow("espace au debut du champ") << QByteArray("Y:  123 >") << QList<int>{7, 0, 9};
        QTest::newRow("six caracteres coupes a cinq")
            << QByteArray("Z: -12345 >") << QList<int>{7, 8, -1234};
        QTest::newRow("lettre absente") << QByteArray("X: 10  Z: 30 >") << QList<int>{10, 8, 30};
        QTest::newRow("derniere occurrence") << QByteArray("X: 1 X: 2 >") << QList<int>{2, 8, 9};
        QTest::newRow("minuscules ignorees")
            << QByteArray("x: 1 y: 2 z: 3 >") << QList<int>{7, 8, 9};
        QTest::newRow("lettre en fin de reponse") << QByteArray("ABC X") << QList<int>{0, 8, 9};
        QTest::newRow("champ coupe par la fin") << QByteArray("X: 12") << QList<int>{12, 8, 9};
        // A short answer in a buffer that still holds a longer one: the old bytes are not read.
        QTest::newRow("reste d'une reponse precedente")
            << QByteArray("X: 5 >Y: 888  Z: 777 >") << QList<int>{5, 8, 9};
        QTest::newRow("lettre au-dela de 139 octets")
            << QByteArray(139, '.') + "X: 55 >" << QList<int>{7, 8, 9};
        QTest::newRow("champ qui deborde les 139 octets")
            << QByteArray(138, '.') + "X: 4321 >" << QList<int>{4321, 8, 9};
    }
    void analyseListing()
    {
        QFETCH(QByteArray, reponse);
        // The parser is told the answer's length through its first prompt, or the whole buffer.
        const qsizetype prompt = reponse.indexOf('>');
        int x = 7, y = 8, z = 9;
        protocole::analyserListing(reponse.constData(), prompt < 0 ? reponse.size() : prompt + 1,
                                   &x, &y, &z);
        QTEST((QList<int>{x, y, z}), "xyz");
    }
};

QTEST_GUILESS_MAIN(TestProtocole)
#include "test_protocole.moc"
