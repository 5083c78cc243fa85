#include "pseudoterminal.h"
#include "robot/liaisonserie.h"

#include <QElapsedTimer>
#include <QTest>
#include <thread>

namespace {
// Byte, exchange, home, outage wait, reopening.
const BornesLiaison kBornes{40, 150, 400, 60, 100000};
} // namespace

class TestLiaisonSerie : public QObject
{
    Q_OBJECT

private slots:
    void cheminDuPort();
    void ouverture();
    void echangeOctetPourOctet();
    void silenceAbandonneEtRemetEnPhase();
    void listingTropLongNeDebordePas();
    void raccrochageTermineAussitot();
    void interruptionDepuisUnAutreThread();
};

void TestLiaisonSerie::cheminDuPort()
{
    QCOMPARE(LiaisonSerie::cheminPeripherique("COM1"), QString("/dev/ttyS0"));
    QCOMPARE(LiaisonSerie::cheminPeripherique("COM3"), QString("/dev/ttyS2"));
    QCOMPARE(LiaisonSerie::cheminPeripherique("/dev/ttyUSB0"), QString("/dev/ttyUSB0"));
    QCOMPARE(LiaisonSerie("/dev/pts/9").nomPort(), QString("/dev/pts/9"));
}

void TestLiaisonSerie::ouverture()
{
    PseudoTerminal pty;
    QVERIFY(pty.valide());
    LiaisonSerie absente("/dev/zelvor-absent");
    QCOMPARE(absente.Ouvrir(), 2);
    // Not a terminal: it opens, but takes no line settings.
    LiaisonSerie pasUnTerminal("/dev/null");
    QCOMPARE(pasUnTerminal.Ouvrir(), 3);

    LiaisonSerie premiere(pty.esclave());
    QCOMPARE(premiere.Ouvrir(), 1);
    LiaisonSerie seconde(pty.esclave());
    QCOMPARE(seconde.Ouvrir(), 2); // held by the first
    QVERIFY(premiere.Fermer());
    QCOMPARE(seconde.Ouvrir(), 1); // released on close
}

void TestLiaisonSerie::echangeOctetPourOctet()
{
    PseudoTerminal pty;
    LiaisonSerie liaison(pty.esclave(), kBornes);
    QCOMPARE(liaison.Ouvrir(), 1);

    QCOMPARE(liaison.AttendreCaractere(""), IssueAttente::Recu); // reads nothing
    QCOMPARE(liaison.Envoyer("open\r"), 1);
    QCOMPARE(pty.lireJusqua('\r'), QByteArray("open\r"));
    // Bytes before the prompt are consumed; the ones after it stay for the next read.
    pty.ecrire("open\r\nDone.\r\n>X: 42 >");
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Recu);
    ConsigneRobot c;
    std::strcpy(c.nomPoint, "A");
    char tampon[140];
    int x = 0, y = 5, z = 6;
    QCOMPARE(liaison.LirePosition(c, tampon, sizeof tampon, &x, &y, &z), IssueAttente::Recu);
    QCOMPARE(pty.lireJusqua('\r'), QByteArray("listpv A\r"));
    QCOMPARE(x, 42);
    QCOMPARE(y, 5);
    QCOMPARE(liaison.derniereIssue(), IssueAttente::Recu);
}

void TestLiaisonSerie::silenceAbandonneEtRemetEnPhase()
{
    PseudoTerminal pty;
    BornesLiaison bornes = kBornes;
    // Wide enough for the late controller below to be heard under load, short enough to test.
    bornes.echangeMs = 1000;
    bornes.sondageMs = bornes.delaiOctetMs = 300;
    LiaisonSerie liaison(pty.esclave(), bornes);
    QList<IssueAttente> vues;
    liaison.setObservateur([&vues](IssueAttente i) { vues.append(i); });
    QCOMPARE(liaison.Ouvrir(), 1);

    QElapsedTimer chrono;
    chrono.start();
    liaison.Envoyer("open\r");
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Silence);
    QVERIFY2(chrono.elapsed() >= 990 && chrono.elapsed() < 3000,
             qPrintable(QString::number(chrono.elapsed())));
    QCOMPARE(liaison.derniereIssue(), IssueAttente::Silence);

    // During the outage a wait that hears nothing gives up after the shorter probe bound.
    chrono.restart();
    liaison.Envoyer("open\r");
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Silence);
    QVERIFY2(chrono.elapsed() < 800, qPrintable(QString::number(chrono.elapsed())));

    // The controller wakes up and answers the abandoned command late. That answer must not be
    // taken for the answer of the next exchange.
    pty.ecrire("Done.\r\n X: 111 >");
    QTest::qWait(20);
    char tampon[140];
    int x = 0, y = 0, z = 0;
    ConsigneRobot c;
    std::strcpy(c.nomPoint, "A");
    std::thread controleur([&pty] {
        // The abandoned "open" lines are still unread: answer the listing, not them.
        for (int i = 0; i < 3 && !pty.lireJusqua('\r').endsWith("listpv A\r"); ++i) {
        }
        pty.ecrire(" X: 222 >");
    });
    const IssueAttente issue = liaison.LirePosition(c, tampon, sizeof tampon, &x, &y, &z);
    controleur.join();
    QCOMPARE(issue, IssueAttente::Recu);
    QCOMPARE(x, 222);
    QCOMPARE(vues, (QList<IssueAttente>{IssueAttente::Silence, IssueAttente::Recu}));
}

void TestLiaisonSerie::listingTropLongNeDebordePas()
{
    PseudoTerminal pty;
    LiaisonSerie liaison(pty.esclave(), kBornes);
    QCOMPARE(liaison.Ouvrir(), 1);
    struct
    {
        char tampon[140];
        char garde[64];
    } memoire;
    std::memset(memoire.garde, 0x5A, sizeof memoire.garde);
    const QByteArray longue = " X: 3162  Y: 0  Z: 2450 " + QByteArray(300, '#') + ">";
    pty.ecrire(longue);
    ConsigneRobot c;
    std::strcpy(c.nomPoint, "A");
    int x = 0, y = 0, z = 0;
    QCOMPARE(liaison.LirePosition(c, memoire.tampon, sizeof memoire.tampon, &x, &y, &z),
             IssueAttente::Recu);
    QCOMPARE(x, 3162);
    QCOMPARE(z, 2450);
    QCOMPARE(QByteArray(memoire.garde, sizeof memoire.garde), QByteArray(64, 0x5A));
    QCOMPARE(QByteArray(memoire.tampon, 140), longue.left(140));
    // The whole answer was read through its prompt: the next exchange starts in step.
    pty.lireJusqua('\r');
    liaison.Envoyer("close\r");
    QCOMPARE(pty.lireJusqua('\r'), QByteArray("close\r"));
    pty.ecrire("Done.\r\n>");
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Recu);
}

void TestLiaisonSerie::raccrochageTermineAussitot()
{
    PseudoTerminal pty;
    BornesLiaison bornes = kBornes;
    bornes.echangeMs = 10000;
    LiaisonSerie liaison(pty.esclave(), bornes);
    QCOMPARE(liaison.Ouvrir(), 1);
    liaison.Envoyer("home\r");
    QElapsedTimer chrono;
    chrono.start();
    std::thread raccroche([&pty] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.raccrocher();
    });
    QCOMPARE(liaison.AttendreCaractere(">", GenreAttente::Home), IssueAttente::Raccroche);
    raccroche.join();
    QVERIFY2(chrono.elapsed() < 2000, qPrintable(QString::number(chrono.elapsed())));
    // A dead line answers every later exchange at once, without spinning on it.
    chrono.restart();
    liaison.Envoyer("open\r");
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Raccroche);
    QVERIFY(chrono.elapsed() < 500);
    QCOMPARE(liaison.derniereIssue(), IssueAttente::Raccroche);
}

void TestLiaisonSerie::interruptionDepuisUnAutreThread()
{
    PseudoTerminal pty;
    LiaisonSerie liaison(pty.esclave(), {}); // the real bounds: 5 s a byte, 30 s a wait
    QCOMPARE(liaison.Ouvrir(), 1);
    QElapsedTimer chrono;
    std::thread arret([&liaison, &chrono] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        chrono.start();
        liaison.Interrompre();
    });
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Interrompu);
    const qint64 reaction = chrono.elapsed();
    arret.join();
    QVERIFY2(reaction < 100, qPrintable(QString::number(reaction)));
    // An interruption is final: the next wait does not touch the line.
    QCOMPARE(liaison.AttendreCaractere(">"), IssueAttente::Interrompu);
}

QTEST_GUILESS_MAIN(TestLiaisonSerie)
#include "test_liaisonserie.moc"
