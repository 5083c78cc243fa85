// The robot side alone, asked for poses faster than a 9600-baud line can teach them: every pose
// the controller is taught is one that was asked for, never two mixed, and the last one asked for
// is the last one taught.
#include "robot/piloterobot.h"
#include "sim/simulateurpty.h"

#include <QElapsedTimer>
#include <QTest>

class TestThreads : public QObject
{
    Q_OBJECT

private slots:
    void posesEntieresEtLaDerniereEnvoyee()
    {
        SimulateurPty sim;
        QVERIFY(sim.demarrer(OptionsSimulateur{}));
        PiloteRobot robot(sim.peripherique());
        robot.demarrer(ConsigneRobot{0, 0, 0, 0, 0, "A"});
        QVERIFY(sim.attendreLignes(17, 5000)); // "open" and the start pose twice
        QElapsedTimer chrono;
        chrono.start();
        int i = 0;
        while (chrono.elapsed() < 500) {
            i = i % 1000 + 1;
            robot.demanderPose([i](ConsigneRobot& c) { c.X = i, c.Y = -i, c.Z = i + 1000; });
        }
        const auto enseignees = [&sim] {
            QList<QList<int>> poses;
            const QList<LigneRecue> t = sim.transcript();
            for (qsizetype j = 17; j + 3 < t.size(); ++j)
                if (t[j].ligne == "teach A")
                    poses.append(
                        {t[j + 1].ligne.toInt(), t[j + 2].ligne.toInt(), t[j + 3].ligne.toInt()});
            return poses;
        };
        QTRY_COMPARE_WITH_TIMEOUT(enseignees().value(enseignees().size() - 1).value(0), i, 5000);
        QVERIFY(enseignees().size() >= 3);
        for (const QList<int>& p : enseignees())
            QCOMPARE(p, (QList<int>{p[0], -p[0], p[0] + 1000}));
    }
};

QTEST_GUILESS_MAIN(TestThreads)
#include "test_threads.moc"
