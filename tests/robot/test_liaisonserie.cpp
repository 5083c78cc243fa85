#include "pseudoterminal.h"
#include "robot/liaisonserie.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

namespace {
// Byte, exchange, home, outage wait, reopening, settling.
const BornesLiaison kBornes{40, 200, 400, 200, 50, 40};

ConsigneRobot pose(double x)
{
    return ConsigneRobot{x, 1, 2, 4, 3, "A"}; // X Y Z R P: "x", "1", "2", "3", "4" on the wire
}

// Listings of an arm that keeps moving: each one reads a new X, except the one right after a
// teach, which shows the point as taught.
struct Listeur
{
    QByteArray operator()(const QByteArray& ligne)
    {
        const bool apresTeach = enseigne.size() == 5;
        enseigne = ligne == "teach A" ? QList<QByteArray>{} : enseigne << ligne;
        if (!ligne.startsWith("listpv"))
            return ControleurDouble::echoEtPrompt(ligne);
        const QList<QByteArray> v =
            apresTeach ? enseigne : QList<QByteArray>{QByteArray::number(++numero * 100), "0", "9"};
        return ligne + "\r\nPosition A\r\n X: " + v[0] + "  Y: " + v[1] + "  Z: " + v[2] + "\r\n>";
    }
    std::atomic<int> numero{0};
    QList<QByteArray> enseigne{"", "", "", "", "", ""};
};

// Tries an exchange until it goes through (QTRY_ would run it again after it succeeded).
bool finitParPasser(const std::function<IssueAttente()>& echange)
{
    const QDeadlineTimer fin(3000);
    while (echange() != IssueAttente::Recu) {
        if (fin.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}
} // namespace

class TestLiaisonSerie : public QObject
{
    Q_OBJECT

private slots:
    void ouverture();
    void enPhase_data();
    void enPhase();
    void listingTropLongNeDebordePas();
    void raccrochageEtSonde();
};

void TestLiaisonSerie::ouverture()
{
    QCOMPARE(LiaisonSerie::cheminPeripherique("COM1"), QString("/dev/ttyS0"));
    QCOMPARE(LiaisonSerie::cheminPeripherique("COM3"), QString("/dev/ttyS2"));
    QCOMPARE(LiaisonSerie::cheminPeripherique("/dev/ttyUSB0"), QString("/dev/ttyUSB0"));
    QCOMPARE(LiaisonSerie("/dev/null").Ouvrir(), 3); // opens, but takes no line settings
}

// Controllers that put a link out of step. In every case the line comes back in step: listings
// read their own answers, and the last pose reaches the controller whole, each of its lines
// written after the previous one was answered.
void TestLiaisonSerie::enPhase_data()
{
    QTest::addColumn<QString>("cas");
    QTest::newRow("arret puis arriere") << "arret";
    QTest::newRow("message spontane puis home") << "spontane";
    QTest::newRow("chevron dans une erreur") << "erreur";
    QTest::newRow("flot sans prompt") << "flot";
}

void TestLiaisonSerie::enPhase()
{
    QFETCH(QString, cas);
    PseudoTerminal pty;
    Listeur listing;
    std::atomic<int>& numero = listing.numero;
    ControleurDouble controleur(pty, [&](const QByteArray& ligne) {
        if (cas == "erreur" && ligne.startsWith("defp"))
            return ligne + "\r\n*** POINT ALREADY DEFINED > A\r\n>";
        if (cas == "spontane" && ligne == "home") {
            std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the arm homes
            return QByteArray("home\r\nHoming complete(robot).\r\n>");
        }
        return listing(ligne);
    });
    LiaisonSerie liaison(pty.esclave(), kBornes);
    QCOMPARE(liaison.Ouvrir(), 1);
    char tampon[140];
    int x = 0, y = 0, z = 0;
    QCOMPARE(liaison.LirePosition(pose(0), tampon, sizeof tampon, &x, &y, &z), IssueAttente::Recu);
    QCOMPARE(x, 100);

    if (cas == "arret") {
        // Held longer than a wait, then the backlog: nothing is written before it is answered.
        controleur.retenir(300);
        QCOMPARE(liaison.EnvoyerConsigne(pose(1)), IssueAttente::Silence);
        liaison.LirePosition(pose(0), tampon, sizeof tampon, &x, &y, &z);
    } else if (cas == "spontane") {
        // A protection trip reported on its own, prompt included, while the line is idle.
        pty.ecrire("\r\n*** AXIS 2 IMPACT PROTECTION\r\n>");
        QTest::qWait(20);
        const int avant = controleur.repondues();
        QCOMPARE(liaison.EchangeSimple("home\r", GenreAttente::Home, "home"), IssueAttente::Recu);
        QCOMPARE(controleur.repondues(), avant + 1); // ended by home's own prompt
    } else if (cas == "erreur") {
        QCOMPARE(liaison.EnvoyerConsigne(pose(1)), IssueAttente::Recu);
    } else {
        controleur.inonder(true);
        QTest::qWait(20);
        QElapsedTimer chrono;
        chrono.start();
        QCOMPARE(liaison.LirePosition(pose(0), tampon, sizeof tampon, &x, &y, &z),
                 IssueAttente::Silence);
        const int lignes = controleur.lignes().size();
        QCOMPARE(liaison.EnvoyerConsigne(pose(1)), IssueAttente::Silence);
        QCOMPARE(controleur.lignes().size(), lignes); // nothing written into the flood
        QVERIFY2(chrono.elapsed() < 10 * kBornes.echangeMs,
                 qPrintable(QString::number(chrono.elapsed())));
        controleur.inonder(false);
    }

    QVERIFY(finitParPasser([&] { return liaison.LirePosition(pose(0), tampon, 140, &x, &y, &z); }));
    QCOMPARE(x, numero * 100);
    QCOMPARE(liaison.EnvoyerConsigne(pose(7)), IssueAttente::Recu);
    // Only a stray prompt inside an error text may put a line ahead of its answer, and only in
    // the exchange it falls in: the listing after it is written on a settled line.
    const int enAvance = controleur.lignesEnAvance();
    QCOMPARE(liaison.LirePosition(pose(0), tampon, sizeof tampon, &x, &y, &z), IssueAttente::Recu);
    QCOMPARE(x, numero * 100);
    QCOMPARE(controleur.lignesEnAvance(), cas == "erreur" ? enAvance : 0);
    // After a wait that gave up, the point is read back before the arm moves to it.
    QList<QByteArray> attendues{"defp A", "teach A", "7", "1", "2", "3", "4", "move A", "listpv A"};
    if (cas == "arret" || cas == "flot")
        attendues.insert(7, "listpv A");
    const QList<QByteArray> lignes = controleur.lignes();
    QCOMPARE(lignes.mid(lignes.size() - attendues.size()), attendues);
}

void TestLiaisonSerie::listingTropLongNeDebordePas()
{
    PseudoTerminal pty;
    const QByteArray longue = "Position A\r\n X: 3162  Y: 0  Z: 2450 " + QByteArray(300, '#') + ">";
    ControleurDouble controleur(pty, [&](const QByteArray& ligne) {
        return ligne.startsWith("listpv") ? longue : ControleurDouble::echoEtPrompt(ligne);
    });
    LiaisonSerie liaison(pty.esclave(), kBornes);
    QCOMPARE(liaison.Ouvrir(), 1);
    struct
    {
        char tampon[140];
        char garde[64];
    } memoire;
    std::memset(memoire.garde, 0x5A, sizeof memoire.garde);
    int x = 0, y = 0, z = 0;
    QCOMPARE(liaison.LirePosition(pose(0), memoire.tampon, sizeof memoire.tampon, &x, &y, &z),
             IssueAttente::Recu);
    QCOMPARE(x, 3162);
    QCOMPARE(z, 2450);
    QCOMPARE(QByteArray(memoire.garde, sizeof memoire.garde), QByteArray(64, 0x5A));
    QCOMPARE(QByteArray(memoire.tampon, 140), longue.left(140));
    // The whole answer was read through its prompt: the next exchange is in step at once.
    QCOMPARE(liaison.EchangeSimple("close\r", GenreAttente::Echange, "pince"), IssueAttente::Recu);
    QCOMPARE(controleur.lignesEnAvance(), 0);
}

// After a hang-up, whatever takes the port's name gets nothing but a bare "\r" until it answers
// it with a prompt.
void TestLiaisonSerie::raccrochageEtSonde()
{
    QTemporaryDir dossier;
    const QString nom = dossier.filePath("robot");
    auto pointerVers = [&](const PseudoTerminal& pty) {
        QFile::remove(nom);
        QVERIFY(QFile::link(pty.esclave(), nom));
    };
    auto premier = std::make_unique<PseudoTerminal>();
    pointerVers(*premier);
    LiaisonSerie liaison(nom, kBornes);
    QList<IssueAttente> vues;
    liaison.setObservateur([&vues](IssueAttente i) { vues.append(i); });
    QCOMPARE(liaison.Ouvrir(), 1);
    QCOMPARE(liaison.CommencerEchange("home"), IssueAttente::Recu);
    liaison.Envoyer("home\r");
    QElapsedTimer chrono;
    chrono.start();
    std::thread raccroche([&premier] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        premier->raccrocher();
    });
    QCOMPARE(liaison.AttendreCaractere(">", GenreAttente::Home), IssueAttente::Raccroche);
    raccroche.join();
    QVERIFY2(chrono.elapsed() < kBornes.homeMs, qPrintable(QString::number(chrono.elapsed())));

    PseudoTerminal etranger; // under the name now, and not a controller
    pointerVers(etranger);
    for (int i = 0; i < 3; ++i)
        QVERIFY(liaison.EchangeSimple("open\r", GenreAttente::Echange, "pince") !=
                IssueAttente::Recu);
    const QByteArray sondes = etranger.lireTout(100);
    QVERIFY(!sondes.isEmpty());
    QCOMPARE(sondes, QByteArray(sondes.size(), '\r'));

    PseudoTerminal retour;
    ControleurDouble controleur(retour);
    pointerVers(retour);
    QVERIFY(finitParPasser(
        [&] { return liaison.EchangeSimple("open\r", GenreAttente::Echange, "pince"); }));
    QCOMPARE(controleur.lignes(), (QList<QByteArray>{"", "open"}));
    QCOMPARE(etranger.lireTout(100), QByteArray());
    QCOMPARE(vues.first(), IssueAttente::Raccroche);
    QCOMPARE(vues.last(), IssueAttente::Recu);
}

QTEST_GUILESS_MAIN(TestLiaisonSerie)
#include "test_liaisonserie.moc"
