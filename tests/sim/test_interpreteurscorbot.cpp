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

const QByteArray sequenceDepart = "defp A\rteach A\r3162\r0\r2450\r-850\r0\rmove A\r";

} // namespace

class TestInterpreteurScorbot : public QObject
{
    Q_OBJECT

private slots:
    void sequenceDeDepart()
    {
        InterpreteurScorbot controleur;
        const QByteArrayList lignes = sequenceDepart.split('\r');
        const QByteArrayList attendu{"defp A\r\n>", "teach A\r\nX -->",    "3162\r\nY -->",
                                     "0\r\nZ -->",  "2450\r\nP -->",       "-850\r\nR -->",
                                     "0\r\n>",      "move A\r\nDone.\r\n>"};
        for (int i = 0; i < attendu.size(); ++i)
            QCOMPARE(controleur.recevoir(lignes.at(i) + '\r', 0), attendu.at(i));

        const QByteArray listing = controleur.recevoir("listpv A\r", 0);
        QVERIFY(listing.startsWith("listpv A\r\nPosition A\r\n 1:"));
        QVERIFY(listing.endsWith("\r\n X: 3162  Y: 0  Z: 2450  P: -850  R: 0\r\n>"));
        QVERIFY(listing.size() < 120);
        QCOMPARE(listing.count('>'), 1);
        QCOMPARE(lireXYZ(listing), (QList<int>{3162, 0, 2450}));
    }

    void reponses_data()
    {
        QTest::addColumn<QByteArray>("avant");
        QTest::addColumn<QByteArray>("ligne");
        QTest::addColumn<QByteArray>("attendu");
        const char* cas[][4] = {
            {"defp twice, any case", "defp A\r", "DEFP a\r", "*** POINT ALREADY DEFINED\r\n>"},
            {"unknown", "", "jump\r", "*** UNKNOWN COMMAND\r\n>"},
            {"empty line", "", "\r", ">"},
            {"crlf is one line", "", "OpEn\r\n", "Done.\r\n>"},
            {"move undefined", "", "move B\r", "*** POINT NOT DEFINED\r\n>"},
            {"listpv never taught", "defp A\r", "listpv a\r", "*** POINT NOT TAUGHT\r\n>"},
            {"value not a number", "defp A\rteach A\r", "12a\r", "*** INVALID VALUE\r\n>"},
            {"bad value ends the teach", "defp A\rteach A\rx\r", "open\r", "Done.\r\n>"},
            {"half a teach teaches nothing", "defp A\rteach A\r1\r2\rx\r", "move A\r",
             "*** POINT NOT TAUGHT\r\n>"},
        };
        for (const auto& c : cas)
            QTest::newRow(c[0]) << QByteArray(c[1]) << QByteArray(c[2])
                                << QByteArray(c[2]).trimmed() + "\r\n" + c[3];
        QTest::newRow("backspace")
            << QByteArray() << QByteArray("opex\x7fn\r") << QByteArray("opex\b \bn\r\nDone.\r\n>");
        QTest::newRow("typed > not echoed")
            << QByteArray() << QByteArray("a>b\r") << QByteArray("ab\r\n*** UNKNOWN COMMAND\r\n>");
    }

    void reponses()
    {
        QFETCH(QByteArray, avant);
        QFETCH(QByteArray, ligne);
        QFETCH(QByteArray, attendu);
        InterpreteurScorbot controleur;
        controleur.recevoir(avant, 0);
        QCOMPARE(controleur.recevoir(ligne, 0), attendu);
    }

    void homing()
    {
        OptionsInterpreteur options;
        options.homeMs = 1000;
        InterpreteurScorbot controleur(options);
        controleur.recevoir("defp A\rteach A\r0\r0\r0\r0\r0\rmove A\r", 0);
        QCOMPARE(controleur.recevoir("home\r", 10000), QByteArray("home\r\n"));
        QCOMPARE(controleur.prochaineEcheance(), 11000);
        // Typed ahead while homing: answered only once homing is over.
        QCOMPARE(controleur.recevoir("close\r", 10500), QByteArray());
        QVERIFY(controleur.etat(10500).homing);
        QCOMPARE(controleur.etat(10500).position.X, 3162 / 2);
        QCOMPARE(controleur.avancer(10999), QByteArray());
        QCOMPARE(controleur.avancer(11000),
                 QByteArray("Homing complete(robot).\r\n>close\r\nDone.\r\n>"));
        const EtatBras apres = controleur.etat(11000);
        QVERIFY(!apres.homing && !apres.pinceOuverte);
        QCOMPARE(apres.position.Z, InterpreteurScorbot::poseRepos().Z);
    }

    void mouvement_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("z");
        // From the rest pose to X 5162, Z 1450 at 2000 units/s: X leads, it takes 1000 ms.
        QTest::newRow("start") << qint64(0) << 3162 << 2450;
        QTest::newRow("half") << qint64(500) << 4162 << 1950;
        QTest::newRow("arrived") << qint64(1000) << 5162 << 1450;
        QTest::newRow("later") << qint64(60000) << 5162 << 1450;
    }

    void mouvement()
    {
        QFETCH(qint64, ms);
        QFETCH(int, x);
        QFETCH(int, z);
        InterpreteurScorbot controleur;
        controleur.recevoir("defp A\rteach A\r5162\r0\r1450\r-850\r0\rmove A\r", 0);
        QCOMPARE(lireXYZ(controleur.recevoir("listpv position\r", ms)), (QList<int>{x, 0, z}));
        QCOMPARE(controleur.etat(ms).enMouvement, ms < 1000);
    }

    void bruitEtListingLong_data()
    {
        QTest::addColumn<bool>("bruit");
        QTest::addColumn<bool>("listingLong");
        QTest::newRow("noise") << true << false;
        QTest::newRow("long listing") << false << true;
    }

    void bruitEtListingLong()
    {
        QFETCH(bool, bruit);
        QFETCH(bool, listingLong);
        OptionsInterpreteur options;
        options.homeMs = 0;
        options.bruit = bruit;
        options.listingLong = listingLong;
        InterpreteurScorbot controleur(options);
        InterpreteurScorbot temoin;
        // Enough answers for a stray '>' among the noise bytes to be all but certain.
        QByteArrayList lignes = sequenceDepart.split('\r').mid(0, 8) + QByteArrayList{"home"};
        for (int i = 0; i < 40; ++i)
            lignes += QByteArrayList{"listpv A", "listpv position"};
        qsizetype taille = 0;
        for (const QByteArray& ligne : lignes) {
            const QByteArray reponse = controleur.recevoir(ligne + '\r', 0);
            QCOMPARE(reponse.count('>'), 1);
            QVERIFY(reponse.endsWith('>'));
            taille += reponse.size() - temoin.recevoir(ligne + '\r', 0).size();
            if (ligne == "listpv A" && listingLong) {
                QVERIFY(reponse.size() > 200);
                QCOMPARE(lireXYZ(reponse), (QList<int>{3162, 0, 2450}));
            }
        }
        QVERIFY(taille > 100); // the fault really shows
    }
};

QTEST_GUILESS_MAIN(TestInterpreteurScorbot)
#include "test_interpreteurscorbot.moc"
