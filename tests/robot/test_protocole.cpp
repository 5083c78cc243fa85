#include "robot/protocole.h"

#include <QTest>
#include <cstring>

class TestProtocole : public QObject
{
    Q_OBJECT

private slots:
    void lignesDUnePose_data();
    void lignesDUnePose();
    void nomTropLongTientDansLeTampon();
    void analyseListing_data();
    void analyseListing();
    void reponseCourteApresLongueDansLeMemeTampon();
};

void TestProtocole::lignesDUnePose_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("z");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("p");
    QTest::addColumn<QByteArray>("attendu");
    QTest::newRow("pose de depart")
        << 3162.0 << 0.0 << 2450.0 << 0.0 << -850.0
        << QByteArray("defp A\r|teach A\r|3162\r|0\r|2450\r|-850\r|0\r|move A\r");
    QTest::newRow("troncature vers zero")
        << 12.9 << -12.9 << 0.99 << -0.5 << -1000.7
        << QByteArray("defp A\r|teach A\r|12\r|-12\r|0\r|-1000\r|0\r|move A\r");
    QTest::newRow("P avant R") << 1.0 << 2.0 << 3.0 << 4.0 << 5.0
                               << QByteArray("defp A\r|teach A\r|1\r|2\r|3\r|5\r|4\r|move A\r");
}

void TestProtocole::lignesDUnePose()
{
    ConsigneRobot c;
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    QFETCH(double, r);
    QFETCH(double, p);
    c.X = x;
    c.Y = y;
    c.Z = z;
    c.R = r;
    c.P = p;
    std::strcpy(c.nomPoint, "A");
    QFETCH(QByteArray, attendu);
    QCOMPARE(protocole::lignesConsigne(c).join('|'), attendu);
}

void TestProtocole::nomTropLongTientDansLeTampon()
{
    // 71 characters is the longest name "listpv %s\r" still carries whole.
    const QByteArray nom71(71, 'N');
    QCOMPARE(protocole::commandePoint("listpv", nom71.constData()), "listpv " + nom71 + "\r");
    const QByteArray nom79(79, 'N');
    const QByteArray coupe = protocole::commandePoint("listpv", nom79.constData());
    QCOMPARE(coupe.size(), 79);
    QVERIFY(coupe.startsWith("listpv NNN"));
}

void TestProtocole::analyseListing_data()
{
    QTest::addColumn<QByteArray>("reponse");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("z");
    // Each case starts from the values 7, 8, 9.
    QTest::newRow("listing complet")
        << QByteArray("listpv A\r\nPosition A\r\n 1:0  2:1791  3:2048  4:0  5:0\r\n"
                      " X: 3162  Y: 0  Z: 2450  P: -850  R: 0\r\n>")
        << 3162 << 0 << 2450;
    QTest::newRow("chiffres colles au prompt") << QByteArray("X: 1234>") << 1234 << 8 << 9;
    QTest::newRow("espace au debut du champ") << QByteArray("Y:  123 >") << 7 << 0 << 9;
    QTest::newRow("six caracteres coupes a cinq") << QByteArray("Z: -12345 >") << 7 << 8 << -1234;
    QTest::newRow("lettre absente") << QByteArray("X: 10  Z: 30 >") << 10 << 8 << 30;
    QTest::newRow("derniere occurrence") << QByteArray("X: 1 X: 2 >") << 2 << 8 << 9;
    QTest::newRow("minuscules ignorees") << QByteArray("x: 1 y: 2 z: 3 >") << 7 << 8 << 9;
    QTest::newRow("lettre en fin de reponse") << QByteArray("ABC X") << 0 << 8 << 9;
    QTest::newRow("champ coupe par la fin") << QByteArray("X: 12") << 12 << 8 << 9;
    QByteArray loin(139, '.');
    loin += "X: 55 >";
    QTest::newRow("lettre au-dela de 139 octets") << loin << 7 << 8 << 9;
    QByteArray limite(138, '.');
    limite += "X: 4321 >";
    QTest::newRow("champ qui deborde les 139 octets") << limite << 4321 << 8 << 9;
}

void TestProtocole::analyseListing()
{
    QFETCH(QByteArray, reponse);
    int x = 7, y = 8, z = 9;
    protocole::analyserListing(reponse.constData(), reponse.size(), &x, &y, &z);
    QTEST(x, "x");
    QTEST(y, "y");
    QTEST(z, "z");
}

void TestProtocole::reponseCourteApresLongueDansLeMemeTampon()
{
    char tampon[140];
    const QByteArray longue("........................ X: 999  Y: 888  Z: 777 >");
    std::memcpy(tampon, longue.constData(), longue.size());
    int x = 0, y = 0, z = 0;
    protocole::analyserListing(tampon, longue.size(), &x, &y, &z);
    QCOMPARE(x, 999);
    // A shorter answer overwrites only its own bytes: the old letters behind it are not read again.
    const QByteArray courte("X: 5 >");
    std::memcpy(tampon, courte.constData(), courte.size());
    protocole::analyserListing(tampon, courte.size(), &x, &y, &z);
    QCOMPARE(x, 5);
    QCOMPARE(y, 888);
    QCOMPARE(z, 777);
}

QTEST_GUILESS_MAIN(TestProtocole)
#include "test_protocole.moc"
