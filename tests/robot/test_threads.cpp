#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"
#include "robot/threadmouvement.h"
#include "robot/threadposition.h"
#include "sim/simulateurpty.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstring>
#include <ctime>
#include <thread>

namespace {
ConsigneRobot pose(double x, double y, double z)
{
    ConsigneRobot c;
    c.X = x;
    c.Y = y;
    c.Z = z;
    c.R = 0;
    c.P = -850;
    std::strcpy(c.nomPoint, "A");
    return c;
}

// The values taught to the point, one list of five lines per pose, from the transcript.
QList<QList<QByteArray>> posesEnseignees(const QList<LigneRecue>& transcript)
{
    QList<QList<QByteArray>> poses;
    for (int i = 0; i + 5 < transcript.size(); ++i) {
        if (transcript[i].ligne.trimmed().toLower() != "teach a")
            continue;
        QList<QByteArray> valeurs;
        for (int j = 1; j <= 5; ++j)
            valeurs.append(transcript[i + j].ligne.trimmed());
        poses.append(valeurs);
    }
    return poses;
}

double tempsProcesseurMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Both workers wired to a simulator, as the window wires them.
struct Banc
{
    // Unpaced unless a baud rate is given; the real link bounds unless others are.
    explicit Banc(int baud = 0, BornesLiaison bornes = {}, int silenceApres = -1)
    {
        OptionsSimulateur options;
        options.baud = baud;
        options.homeMs = 0;
        options.silenceApres = silenceApres;
        QVERIFY(sim.demarrer(options));
        liaison = std::make_unique<LiaisonSerie>(sim.peripherique(), bornes);
        QCOMPARE(liaison->Ouvrir(), 1);
        mouvement.SetMouvementDemande(&demande);
        mouvement.SetLiaison(liaison.get());
        mouvement.SetArret(&arret);
        mouvement.SetMutex(&mutex);
        mouvement.SetConsigne(&consigne);
        position.SetLiaison(liaison.get());
        position.SetArret(&arret);
        position.SetMutex(&mutex);
        position.SetConsigne(&consigne);
        position.SetPosition(&x, &y, &z);
        consigne.ecrire(pose(3162, 0, 2450));
    }
    ~Banc() { arreter(); }
    void arreter()
    {
        arret.lever();
        if (liaison)
            liaison->Interrompre();
        mouvement.wait();
        position.wait();
    }

    SimulateurPty sim;
    std::unique_ptr<LiaisonSerie> liaison;
    QMutex mutex;
    ConsignePartagee consigne;
    Drapeau demande;
    Drapeau arret;
    std::atomic<int> x{0}, y{0}, z{0};
    ThreadMouvement mouvement;
    ThreadPosition position;
};
} // namespace

class TestThreads : public QObject
{
    Q_OBJECT

private slots:
    void demandePendantUnEnvoiEstEnvoyeeEnsuite();
    void jamaisDePoseDechiree();
    void poseEchoueeRenvoyeeQuandLaLigneRevient();
    void arretRapideAvecControleurMuet();
    void auReposPresqueSansProcesseur();
};

void TestThreads::demandePendantUnEnvoiEstEnvoyeeEnsuite()
{
    Banc banc(9600); // one pose takes a good tenth of a second
    banc.consigne.ecrire(pose(1000, 0, 2000));
    banc.demande.lever();
    banc.mouvement.start();
    QVERIFY(banc.sim.attendreLignes(3, 5000)); // defp, teach, X of the first pose are through
    banc.consigne.modifier([](ConsigneRobot& c) { c.X = 2000; });
    banc.demande.lever();
    QVERIFY(banc.sim.attendreLignes(16, 5000));
    QTest::qWait(200);
    const auto poses = posesEnseignees(banc.sim.transcript());
    QCOMPARE(poses.size(), 2);
    QCOMPARE(poses[0][0], QByteArray("1000"));
    QCOMPARE(poses[1][0], QByteArray("2000"));
}

void TestThreads::jamaisDePoseDechiree()
{
    Banc banc;
    banc.mouvement.start();
    std::atomic<bool> fin{false};
    std::thread ecrivain([&] {
        for (int i = 1; !fin.load(); ++i) {
            banc.consigne.modifier([i](ConsigneRobot& c) {
                c.X = i;
                c.Y = -i;
                c.Z = i + 1000;
            });
            banc.demande.lever();
        }
    });
    QVERIFY(banc.sim.attendreLignes(8 * 20, 10000));
    fin = true;
    ecrivain.join();
    banc.arreter();
    const auto poses = posesEnseignees(banc.sim.transcript());
    QVERIFY(poses.size() >= 20);
    for (const auto& p : poses) {
        const int x = p[0].toInt();
        QCOMPARE(p[1].toInt(), -x);
        QCOMPARE(p[2].toInt(), x + 1000);
    }
}

void TestThreads::poseEchoueeRenvoyeeQuandLaLigneRevient()
{
    BornesLiaison bornes;
    bornes.echangeMs = 150;
    bornes.sondageMs = 50;
    Banc banc(0, bornes);
    banc.mouvement.setPauseApresEchecMs(20);
    banc.sim.setSilencieux(true);
    banc.consigne.ecrire(pose(1234, 0, 2000));
    banc.demande.lever();
    banc.mouvement.start();
    QTRY_COMPARE_WITH_TIMEOUT(banc.liaison->derniereIssue(), IssueAttente::Silence, 3000);
    banc.sim.setSilencieux(false);
    // The target that was lost in the silence reaches the controller without a new request.
    QTRY_VERIFY_WITH_TIMEOUT(!posesEnseignees(banc.sim.transcript()).isEmpty() &&
                                 posesEnseignees(banc.sim.transcript()).last()[0] == "1234",
                             5000);
}

void TestThreads::arretRapideAvecControleurMuet()
{
    Banc banc(0, {}, 0); // silent, with the real bounds: a wait would last 30 s
    banc.demande.lever();
    banc.mouvement.start();
    banc.position.start();
    QVERIFY(banc.sim.attendreLignes(1, 2000)); // one worker waits on the line, one for it
    QElapsedTimer chrono;
    chrono.start();
    banc.arreter();
    QVERIFY2(chrono.elapsed() < 500, qPrintable(QString::number(chrono.elapsed())));
}

void TestThreads::auReposPresqueSansProcesseur()
{
    Banc banc;
    banc.mouvement.start();
    banc.position.start();
    QTest::qWait(100);
    const double avant = tempsProcesseurMs();
    QTest::qWait(1000);
    const double consomme = tempsProcesseurMs() - avant;
    // A worker that polled its flag would burn the whole second; this bound is generous.
    QVERIFY2(consomme < 300, qPrintable(QString::number(consomme)));
}

QTEST_GUILESS_MAIN(TestThreads)
#include "test_threads.moc"
