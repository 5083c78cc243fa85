// The operator's commands as the operator sees them and as the controller receives them.
#include "../robot/pseudoterminal.h"
#include "bancfenetre.h"

#include <QCheckBox>
#include <QSlider>
#include <QTimer>

namespace {
// How many of the controls that homing disables are enabled.
int commandesActives(const BancFenetre& banc)
{
    int actives = banc.fenetre->findChild<QCheckBox*>()->isEnabled();
    for (const char* nom :
         {"HomingButton", "AxeXSlider", "AxeYSlider", "AxeZSlider", "AxeRSlider", "AxePSlider",
          "AxeXLabel", "AxeYLabel", "AxeZLabel", "AxeRLabel", "AxePLabel", "LancerButton"})
        actives += banc.widget(nom)->isEnabled();
    return actives;
}

struct CompteurPeintures : QObject
{
    bool eventFilter(QObject*, QEvent* e) override { return (n += e->type() == QEvent::Paint) < 0; }
    int n = 0;
};
} // namespace

class TestCommandes : public QObject
{
    Q_OBJECT

private slots:
    void homing_data()
    {
        QTest::addColumn<int>("brasMs"); // how long the simulated arm homes
        QTest::newRow("fini") << 1500;
        QTest::newRow("Quitter") << 3000;
        QTest::newRow("fermeture de la fenêtre") << 3000;
    }

    void homing()
    {
        QFETCH(int, brasMs);
        const QByteArray cas = QTest::currentDataTag();
        BancFenetre banc;
        QVERIFY(
            banc.demarrer("virtual", BancFenetre::rapide(brasMs), {5000, 1000, 300000, 300, 1000}));
        banc.fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(banc.fenetre.get()));
        // Each slider drives its own axis; Y goes out negated, P before R.
        for (const char* nom : {"AxeYSlider", "AxeZSlider", "AxeRSlider", "AxePSlider"})
            banc.widget<QSlider>(nom)->triggerAction(QSlider::SliderToMaximum);
        banc.attendreCalme();
        const QList<QByteArray> pose{"3162", "-4500", "4900", "0", "1000"};
        QCOMPARE(BancFenetre::dernierePose(banc.commandes()), pose);
        CompteurPeintures peintures;
        banc.fenetre->installEventFilter(&peintures);

        banc.cliquer("HomingButton");
        QTRY_VERIFY(banc.sim.etat().homing);
        QCOMPARE(commandesActives(banc), 0);
        QCOMPARE(banc.fenetre->cursor().shape(), Qt::BusyCursor);
        banc.fenetre->update();
        QTRY_VERIFY(peintures.n > 0);
        QVERIFY(banc.sim.etat().homing); // repainted while the arm homes

        if (cas == "Quitter" || cas == "fermeture de la fenêtre") {
            cas == "Quitter" ? banc.cliquer("QuitterButton") : void(banc.fenetre->close());
            QVERIFY(!banc.fenetre->isVisible());
            banc.fenetre.reset();
            // What was written meanwhile is heard once the arm is home: there must be nothing.
            QTRY_VERIFY_WITH_TIMEOUT(!banc.sim.etat().homing, 10000);
            QTest::qWait(200);
            QCOMPARE(banc.lignes().last(), QByteArray("home"));
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(commandesActives(banc), 13, 10000);
        QCOMPARE(banc.fenetre->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(banc.repondeur.boites.isEmpty());
        // Under one hold of the line: no listing between "home" and "open"; then the sliders' pose
        // as they stand, Y with the sign the slider gave it.
        banc.attendreCalme();
        QCOMPARE(banc.lignes().value(banc.lignes().indexOf("home") + 1), QByteArray("open"));
        QCOMPARE(BancFenetre::dernierePose(banc.commandes()), pose);
    }

    void homingSurUneLigneLente_data()
    {
        QTest::addColumn<int>("premiereMs"); // how late the controller's first answer comes
        QTest::addColumn<int>("brasMs");     // how long the arm homes
        QTest::addColumn<int>("borneMs");    // the program's bound on the homing wait
        QTest::newRow("première réponse tardive, homing lent") << 500 << 1200 << 5000;
        QTest::newRow("attente échouée") << 0 << 1500 << 600;
    }

    // Homing asked before a slow controller first answered: "home" waits for its own prompt
    // whatever the line's state, and "open" goes out after it, or not at all when the wait
    // failed; the operator is told, and gets the controls and the cursor back.
    void homingSurUneLigneLente()
    {
        QFETCH(int, premiereMs);
        QFETCH(int, brasMs);
        QFETCH(int, borneMs);
        PseudoTerminal pty;
        ControleurDouble controleur(pty);
        controleur.retenir(premiereMs);
        controleur.ralentir("home", brasMs);
        BancFenetre banc;
        QVERIFY(banc.ouvrir(pty.esclave(), {5000, 1000, borneMs, 300, 1000}));
        banc.cliquer("HomingButton");
        QCOMPARE(commandesActives(banc), 0);
        QTRY_COMPARE_WITH_TIMEOUT(commandesActives(banc), 13, 10000);
        QCOMPARE(banc.fenetre->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(banc.repondeur.boites.size(), 1); // the late first answer, or the failed wait
        QTest::qWait(brasMs + 300);
        const QList<QByteArray> lignes = controleur.lignes();
        const qsizetype home = lignes.indexOf("home");
        QVERIFY(home >= 0);
        QCOMPARE(lignes.value(home + 1) == "open", brasMs < borneMs);
        QCOMPARE(lignes.mid(home).contains("open"), brasMs < borneMs);
        QCOMPARE(controleur.lignesEnAvance(), 0);
    }

    void pincements_data()
    {
        QTest::addColumn<bool>("rapides");
        QTest::newRow("dix pincements pendant des poses") << true;
        QTest::newRow("fermeture écrite puis doigt tendu") << false;
    }

    // Every crossing of the bend threshold reaches the gripper, in order, even a pinch that starts
    // and ends while a pose is on the wire; a command once written is followed by the finger's
    // last state.
    void pincements()
    {
        QFETCH(bool, rapides);
        BancFenetre banc;
        OptionsSimulateur options = BancFenetre::rapide();
        options.baud = 9600; // a pose takes the line for a while
        QVERIFY(banc.demarrer("virtual", options));
        banc.attendreCalme();
        banc.cliquer("LancerButton");
        banc.fenetre->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly)->stop();
        const auto tic = [&banc] { banc.fenetre->ActionTimer(); };
        const qsizetype debut = banc.commandes().size();
        for (int i = 0; i < (rapides ? 10 : 1); ++i) {
            banc.gant()->definirPosition(100.0f * float(i + 1), 0, 0);
            tic();
            banc.gant()->definirFlexion(1, 200);
            tic();
            if (!rapides)
                QTRY_VERIFY(banc.commandes().mid(debut).contains("close"));
            banc.gant()->definirFlexion(1, 0);
            tic();
        }
        banc.attendreCalme();
        QList<QByteArray> pince = banc.commandes().mid(debut);
        pince.removeIf([](const QByteArray& l) { return l != "close" && l != "open"; });
        QCOMPARE(pince.join(' '), QByteArray("close open ").repeated(rapides ? 10 : 1).trimmed());
    }

    // The glove's second button held over many ticks homes once, not once a tick; pressed again
    // once homing has ended, it homes again.
    void boutonHomeTenu()
    {
        BancFenetre banc;
        QVERIFY(banc.demarrer("virtual", BancFenetre::rapide(1000)));
        banc.attendreCalme();
        const qsizetype debut = banc.commandes().size();
        banc.cliquer("LancerButton");
        for (int fois = 1; fois <= 2; ++fois) {
            banc.gant()->definirBouton(1, true);
            QTest::qWait(400);
            banc.gant()->definirBouton(1, false);
            QVERIFY(banc.sim.etat().homing);
            QTRY_VERIFY_WITH_TIMEOUT(!banc.sim.etat().homing, 5000);
            banc.attendreCalme();
            QCOMPARE(banc.commandes().mid(debut), QList<QByteArray>(fois, "home"));
        }
    }
};

QTEST_MAIN(TestCommandes)
#include "test_commandes.moc"
