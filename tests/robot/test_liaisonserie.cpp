#include "pseudoterminal.h"
#include "robot/liaisonserie.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <array>
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

// A controller that remembers what it was doing across a hang-up or a stall: inside a teach it
// takes every number as the next coordinate and asks again for the same one after anything else
// ("Y -->"), and it moves the arm to point A as it stands. Shared by the doubles of successive
// pseudo-terminals, as one controller behind a cable unplugged and plugged in again.
struct ControleurEnseignant
{
    QByteArray operator()(const QByteArray& ligne)
    {
        std::lock_guard<std::mutex> garde(verrou);
        const QByteArray echo = ligne + "\r\n";
        bool nombre = false;
        const int valeur = ligne.toInt(&nombre);
        if (axe >= 0) {
            if (nombre)
                saisie[axe++] = valeur;
            if (axe < 5)
                return echo + "XYZPR"[axe] + " -->";
            point = saisie;
            axe = -1;
            return echo + ">";
        }
        if (ligne == "teach A") {
            axe = 0;
            saisie = point;
            return echo + "X -->";
        }
        if (!couperApres.isEmpty() && ligne.startsWith(couperApres))
            return {}; // restarts before it answers: forgets the command
        if (ligne == "move A")
            arrivees.append(point);
        if (ligne == "home")
            std::this_thread::sleep_for(std::chrono::milliseconds(homeMs));
        if (ligne == "listpv A")
            return echo + QString::asprintf("Position A\r\n X: %d  Y: %d  Z: %d  P: %d  R: %d\r\n>",
                                            point[0], point[1], point[2], point[3], point[4])
                              .toLatin1();
        return echo + (ligne == "move A" ? "Done.\r\n>" : ">");
    }

    std::mutex verrou;
    std::array<int, 5> point{};
    std::array<int, 5> saisie{};
    int axe = -1; // the coordinate a teach waits for, -1 at the prompt
    int homeMs = 0;
    QByteArray couperApres; // "home", "move": that command is lost as if the controller restarted
    QList<std::array<int, 5>> arrivees;
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

// A listing's buffer, bytes right after it that no answer may reach, the coordinates read.
struct Lecture
{
    IssueAttente operator()(LiaisonSerie& liaison, const ConsigneRobot& point = pose(0))
    {
        return liaison.LirePosition(point, tampon, sizeof tampon, &x, &y, &z);
    }
    char tampon[140];
    char garde[64];
    int x = 0, y = 0, z = 0;
};

// Gives the port's name to the device of `pty`, as udev does when a cable is plugged in.
bool pointerVers(const QString& nom, const PseudoTerminal& pty)
{
    QFile::remove(nom);
    return QFile::link(pty.esclave(), nom);
}
} // namespace

class TestLiaisonSerie : public QObject
{
    Q_OBJECT

private slots:
    void ouverture()
    {
        QCOMPARE(LiaisonSerie::cheminPeripherique("COM1"), QString("/dev/ttyS0"));
        QCOMPARE(LiaisonSerie::cheminPeripherique("COM3"), QString("/dev/ttyS2"));
    }

    // Controllers that put a link out of step. In every case the line comes back in step: listings
    // read their own answers, and the last pose reaches the controller whole, each of its lines
    // written after the previous one was answered.
    void enPhase_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::newRow("arret puis arriere") << "arret";
        QTest::newRow("message spontane puis home") << "spontane";
        QTest::newRow("chevron dans une erreur") << "erreur";
        QTest::newRow("flot sans prompt") << "flot";
    }

    void enPhase()
    {
        QFETCH(QString, cas);
        PseudoTerminal pty;
        Listeur listing;
        ControleurDouble controleur(pty, [&](const QByteArray& ligne) {
            const QByteArray reponse = listing(ligne);
            if (cas == "erreur" && ligne.startsWith("defp"))
                return ligne + "\r\n*** POINT ALREADY DEFINED > A\r\n>";
            // An error text before the answer to teach, and a move answered once the arm is there.
            if (cas == "erreur" && ligne.startsWith("teach"))
                return ligne + "\r\n*** WARNING > LIMIT\r\nX -->";
            if ((cas == "erreur" && ligne.startsWith("move")) ||
                (cas == "spontane" && ligne == "home"))
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (cas == "spontane" && ligne == "home")
                return QByteArray("home\r\nHoming complete(robot).\r\n>");
            return reponse;
        });
        LiaisonSerie liaison(pty.esclave(), kBornes);
        QCOMPARE(liaison.Ouvrir(), 1);
        Lecture lire;
        QCOMPARE(lire(liaison), IssueAttente::Recu);
        QCOMPARE(lire.x, 100);

        if (cas == "arret") {
            // Held longer than a wait, then the backlog: nothing is written before it is answered.
            controleur.retenir(300);
            QCOMPARE(liaison.EnvoyerConsigne(pose(1)), IssueAttente::Silence);
            lire(liaison);
        } else if (cas == "spontane") {
            // A protection trip reported on its own, prompt included, while the line is idle.
            pty.ecrire("\r\n*** AXIS 2 IMPACT PROTECTION\r\n>");
            QTest::qWait(20);
            const int avant = controleur.repondues();
            QCOMPARE(liaison.echangeSimple("home\r", GenreAttente::Home, "home"),
                     IssueAttente::Recu);
            QCOMPARE(controleur.repondues(), avant + 1); // ended by home's own prompt
        } else if (cas == "erreur") {
            QCOMPARE(liaison.EnvoyerConsigne(pose(1)), IssueAttente::Recu);
        } else {
            controleur.inonder(true);
            QTest::qWait(20);
            QElapsedTimer chrono;
            chrono.start();
            QCOMPARE(lire(liaison), IssueAttente::Silence);
            const int lignes = controleur.lignes().size();
            QCOMPARE(liaison.EnvoyerConsigne(pose(1)), IssueAttente::Silence);
            QCOMPARE(controleur.lignes().size(), lignes); // nothing written into the flood
            QCOMPARE_LT(chrono.elapsed(), 10 * kBornes.echangeMs);
            controleur.inonder(false);
        }

        QVERIFY(finitParPasser([&] { return lire(liaison); }));
        QCOMPARE(lire.x, listing.numero * 100);
        QCOMPARE(liaison.EnvoyerConsigne(pose(7)), IssueAttente::Recu);
        // Not even a stray prompt inside an error text puts a line ahead of its answer: the rest of
        // the text is read before the next line goes out.
        QCOMPARE(lire(liaison), IssueAttente::Recu);
        QCOMPARE(lire.x, listing.numero * 100);
        QCOMPARE(controleur.lignesEnAvance(), 0);
        // After a wait that gave up, the point is read back before the arm moves to it.
        QList<QByteArray> attendues{"defp A", "teach A", "7",      "1",       "2",
                                    "3",      "4",       "move A", "listpv A"};
        if (cas == "arret" || cas == "flot")
            attendues.insert(7, "listpv A");
        const QList<QByteArray> lignes = controleur.lignes();
        QCOMPARE(lignes.mid(lignes.size() - attendues.size()), attendues);
    }

    void listingTropLongNeDebordePas()
    {
        PseudoTerminal pty;
        const QByteArray longue =
            "Position A\r\n X: 3162  Y: 0  Z: 2450 " + QByteArray(300, '#') + ">";
        ControleurDouble controleur(pty, [&](const QByteArray& ligne) {
            return ligne.startsWith("listpv") ? longue : ControleurDouble::echoEtPrompt(ligne);
        });
        LiaisonSerie liaison(pty.esclave(), kBornes);
        QCOMPARE(liaison.Ouvrir(), 1);
        Lecture lire;
        std::memset(lire.garde, 0x5A, sizeof lire.garde);
        QCOMPARE(lire(liaison), IssueAttente::Recu);
        QCOMPARE(QList<int>({lire.x, lire.z}), QList<int>({3162, 2450}));
        QCOMPARE(QByteArray(lire.garde, sizeof lire.garde), QByteArray(64, 0x5A));
        QCOMPARE(QByteArray(lire.tampon, 140), longue.left(140));
        // The whole answer was read through its prompt: the next exchange is in step at once.
        QCOMPARE(liaison.echangeSimple("close\r", GenreAttente::Echange, "pince"),
                 IssueAttente::Recu);
        QCOMPARE(controleur.lignesEnAvance(), 0);
    }

    // After a hang-up, whatever takes the port's name gets nothing but a bare "\r" until it answers
    // it with a prompt.
    void raccrochageEtSonde()
    {
        QTemporaryDir dossier;
        const QString nom = dossier.filePath("robot");
        auto premier = std::make_unique<PseudoTerminal>();
        QVERIFY(pointerVers(nom, *premier));
        LiaisonSerie liaison(nom, kBornes);
        QCOMPARE(liaison.Ouvrir(), 1);
        QCOMPARE(liaison.commencerEchange("home"), IssueAttente::Recu);
        liaison.Envoyer("home\r");
        QElapsedTimer chrono;
        chrono.start();
        std::thread raccroche([&premier] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            premier->raccrocher();
        });
        QCOMPARE(liaison.AttendreCaractere(">", GenreAttente::Home), IssueAttente::Raccroche);
        raccroche.join();
        QCOMPARE_LT(chrono.elapsed(), kBornes.homeMs);

        PseudoTerminal etranger; // under the name now, and not a controller
        QVERIFY(pointerVers(nom, etranger));
        for (int i = 0; i < 3; ++i)
            QVERIFY(liaison.echangeSimple("open\r", GenreAttente::Echange, "pince") !=
                    IssueAttente::Recu);
        const QByteArray sondes = etranger.lireTout(100);
        QVERIFY(!sondes.isEmpty());
        QCOMPARE(sondes, QByteArray(sondes.size(), '\r'));

        PseudoTerminal retour;
        ControleurDouble controleur(retour);
        QVERIFY(pointerVers(nom, retour));
        QVERIFY(finitParPasser(
            [&] { return liaison.echangeSimple("open\r", GenreAttente::Echange, "pince"); }));
        QCOMPARE(controleur.lignes(), (QList<QByteArray>{"", "open"}));
        QCOMPARE(etranger.lireTout(100), QByteArray());
    }

    void jamaisUnPointMele_data()
    {
        QTest::addColumn<bool>("raccrochage"); // else a stall longer than a wait
        QTest::newRow("raccrochage apres X") << true;
        QTest::newRow("arret apres X") << false;
    }

    // The exchange of a pose is cut right after its X reached the controller, which keeps waiting
    // for Y. Whatever follows must not become the missing coordinates of a point the arm goes to.
    void jamaisUnPointMele()
    {
        QFETCH(bool, raccrochage);
        QTemporaryDir dossier;
        const QString nom = dossier.filePath("robot");
        ControleurEnseignant etat;
        std::atomic<bool> couper{false}, coupe{false};
        auto repondre = [&](const QByteArray& ligne) {
            const QByteArray reponse = etat(ligne);
            if (!couper || ligne != "3000")
                return reponse;
            coupe = true; // X is taken; the cable goes, or the line stalls, before the answer
            if (!raccrochage)
                std::this_thread::sleep_for(std::chrono::milliseconds(3 * kBornes.echangeMs));
            return raccrochage ? QByteArray() : reponse;
        };
        auto pty = std::make_unique<PseudoTerminal>();
        QVERIFY(pointerVers(nom, *pty));
        auto controleur = std::make_unique<ControleurDouble>(*pty, repondre);
        LiaisonSerie liaison(nom, kBornes);
        QCOMPARE(liaison.Ouvrir(), 1);
        const ConsigneRobot depart{3162, 0, 2450, 0, -850, "A"};
        const ConsigneRobot coupee{3000, 2732, 550, 0, -850, "A"};
        const ConsigneRobot derniere{2732, -450, 3430, 0, -850, "A"};
        QCOMPARE(liaison.EnvoyerConsigne(depart), IssueAttente::Recu);

        couper = true;
        QVERIFY(liaison.EnvoyerConsigne(coupee) != IssueAttente::Recu);
        QTRY_VERIFY(coupe);
        couper = false;
        if (raccrochage) {
            controleur.reset();
            pty = std::make_unique<PseudoTerminal>(); // the same controller, plugged in again
            QVERIFY(pointerVers(nom, *pty));
            controleur = std::make_unique<ControleurDouble>(*pty, repondre);
        }
        Lecture lire;
        QVERIFY(finitParPasser([&] { return lire(liaison, depart); }));
        QVERIFY(finitParPasser([&] { return liaison.EnvoyerConsigne(derniere); }));

        // The arm went to the start pose, then to the last one asked for, never anywhere between.
        std::lock_guard<std::mutex> garde(etat.verrou);
        QCOMPARE(etat.arrivees.size(), 2);
        QCOMPARE(etat.arrivees.last(), (std::array<int, 5>{2732, -450, 3430, -850, 0}));
    }

    void redemarrage_data()
    {
        QTest::addColumn<QByteArray>("perdu"); // the command a restart loses, or none
        QTest::addColumn<int>("homeMs");       // how long the arm homes
        QTest::newRow("pendant le homing") << QByteArray("home") << 0;
        QTest::newRow("pendant un move") << QByteArray("move") << 0;
        QTest::newRow("homing long, pas un redemarrage") << QByteArray() << 3000;
    }

    // A controller that restarts drops what it owed and answers again: traffic resumes long before
    // a lost prompt would be given up, and a homing that takes long is not taken for a restart.
    void redemarrage()
    {
        QFETCH(QByteArray, perdu);
        QFETCH(int, homeMs);
        PseudoTerminal pty;
        ControleurEnseignant etat;
        etat.couperApres = perdu;
        etat.homeMs = homeMs;
        ControleurDouble controleur(pty, [&](const QByteArray& ligne) { return etat(ligne); });
        // Bounds far beyond the test's length, and a probe after 500 ms of quiet.
        const BornesLiaison bornes{40, 10000, 60000, 200, 50, 40, 500};
        LiaisonSerie liaison(pty.esclave(), bornes);
        QCOMPARE(liaison.Ouvrir(), 1);
        QElapsedTimer chrono;
        chrono.start();
        const IssueAttente issue =
            perdu == "move" ? liaison.EnvoyerConsigne(pose(3000))
                            : liaison.echangeSimple("home\r", GenreAttente::Home, "home");
        QCOMPARE(issue, perdu.isEmpty() ? IssueAttente::Recu : IssueAttente::Dephase);
        QCOMPARE_GE(chrono.elapsed(), perdu.isEmpty() ? homeMs : 0);
        Lecture lire;
        etat.couperApres.clear();
        QCOMPARE(lire(liaison), IssueAttente::Recu);
        QCOMPARE_LT(chrono.elapsed(), homeMs + bornes.echangeMs);
        QCOMPARE(lire.x, perdu == "move" ? 3000 : 0);
    }
};

QTEST_GUILESS_MAIN(TestLiaisonSerie)
#include "test_liaisonserie.moc"
