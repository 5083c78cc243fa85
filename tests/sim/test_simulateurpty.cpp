// The simulator on its pseudo-terminal, reached through the program's own serial port code.
#include "robot/portserie.h"
#include "sim/simulateurpty.h"

#include <QElapsedTimer>
#include <QtTest>

class TestSimulateurPty : public QObject
{
    Q_OBJECT

private slots:
    // Paced as a 9600-baud line; every line heard, answered or not; stopped at once even while
    // the arm homes. Hang-ups are played by the window's outage tests.
    void ligneEtArret()
    {
        OptionsSimulateur options;
        options.homeMs = 60000;
        SimulateurPty simulateur;
        QVERIFY(simulateur.demarrer(options));
        PortSerie port;
        QCOMPARE(port.ouvrir(simulateur.peripherique()), 1);
        const auto echanger = [&port](const QByteArray& ligne) {
            port.ecrire(ligne.constData(), ligne.size(), 1000);
            QByteArray recu;
            for (char c = 0; c != '>' && port.lireOctet(c, 300) == IssuePort::Octet;)
                recu += c;
            return recu;
        };
        QElapsedTimer chrono;
        chrono.start();
        QCOMPARE(echanger("open\r"), QByteArray("open\r\nDone.\r\n>"));
        // "\r" arrives after 5 byte times, the 10 bytes it triggers leave one byte time apart:
        // the prompt is out 14 byte times of 11/9600 s after the write, 16 ms.
        QCOMPARE_GE(chrono.elapsed(), 15);
        simulateur.setSilencieux(true);
        QCOMPARE(echanger("close\r"), QByteArray());
        simulateur.setSilencieux(false);
        QCOMPARE(echanger("home\r"), QByteArray("home\r\n"));
        const QList<LigneRecue> t = simulateur.transcript();
        QVERIFY(t.size() == 3 && t[0].ligne == "open" && t[1].ligne == "close" &&
                t[2].ligne == "home");
        QVERIFY(t[1].ms >= t[0].ms && t[2].ms >= t[1].ms);
        QVERIFY(simulateur.etat().homing);
        chrono.restart();
        simulateur.arreter();
        QVERIFY(chrono.elapsed() < 5000);
    }
};

QTEST_GUILESS_MAIN(TestSimulateurPty)
#include "test_simulateurpty.moc"
