// Faults of the controller and of the line, with the whole program running: what the operator
// sees, and what reaches the controller once the line works again.
#include "../app/bancfenetre.h"
#include "../robot/pseudoterminal.h"
#include "robot/liaisonserie.h"

#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>

namespace {
// Byte, exchange, home, outage wait, reopening: short enough for a test, in the program's
// proportions.
const BornesLiaison kBornes{50, 400, 1000, 150, 100};
const QString kSilence =
    "Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : E0005";
using Lignes = QList<QByteArray>;
constexpr auto dernierePose = &BancFenetre::dernierePose;
} // namespace

class TestDefaillances : public QObject
{
    Q_OBJECT

private slots:
    void bruitDansLesReponses()
    {
        OptionsSimulateur options = BancFenetre::rapide();
        options.bruit = true;
        options.graineBruit = 7;
        options.vitesse = 100000.0;
        BancFenetre banc;
        QVERIFY(banc.demarrer("virtual", options, kBornes));
        banc.widget<QSlider>("AxeXSlider")->setValue(4000);
        banc.widget<QSlider>("AxeZSlider")->setValue(600);
        banc.attendreCalme();
        // Every exchange ran whole: no wait was ended early by a stray byte, none timed out.
        const Lignes l = banc.commandes();
        QCOMPARE(dernierePose(l), (Lignes{"4000", "0", "600", "-850", "0"}));
        const QRegularExpression rompue("defp a (?!teach a( -?\\d+){5} move a)");
        QVERIFY2(!rompue.match(l.join(' ') + ' ').hasMatch(), l.join(' '));
        // Once the noise stops, the listings read the arm exactly: the link is still in step.
        banc.sim.setBruit(false);
        banc.cliquer("LancerButton");
        QTRY_COMPARE(banc.lectures("PositionRobotFrame"), (QStringList{"4000", "0", "600"}));
        QVERIFY(banc.repondeur.boites.isEmpty());
    }

    void erreurApresChaqueCommande()
    {
        PseudoTerminal pty;
        std::atomic<bool> refuser{false};
        InterpreteurScorbot interpreteur(OptionsInterpreteur{0, 0.0});
        ControleurDouble controleur(pty, [&](const QByteArray& ligne) {
            return refuser ? ligne + "\r\n*** COMMANDE REFUSEE\r\n>"
                           : interpreteur.recevoir(ligne + '\r', 0);
        });
        const auto recues = [&](qsizetype d) {
            return controleur.lignes().mid(d).join('\n').toLower().split('\n');
        };
        BancFenetre banc;
        QVERIFY(banc.ouvrir(pty.esclave(), kBornes));
        banc.cliquer("LancerButton");
        QTRY_COMPARE(banc.lectures("PositionRobotFrame"), (QStringList{"3162", "0", "2450"}));

        refuser = true;
        const qsizetype debut = controleur.lignes().size();
        banc.gant()->definirPosition(100, 200, -100);
        // Each refusal is read through its prompt, so the pose goes out line after line and the
        // listings go on; a listing without coordinates keeps the last ones.
        QTRY_COMPARE(dernierePose(recues(debut)), (Lignes{"2732", "-450", "3430", "-850", "0"}));
        QTRY_VERIFY(recues(debut).count("listpv a") >= 2);
        QCOMPARE(recues(debut).value(recues(debut).indexOf("defp a") + 7), QByteArray("move a"));
        QCOMPARE(banc.lectures("PositionRobotFrame"), (QStringList{"3162", "0", "2450"}));
        QVERIFY(banc.repondeur.boites.isEmpty());

        refuser = false;
        banc.gant()->definirPosition(200, 400, -200);
        QTRY_COMPARE(banc.lectures("PositionRobotFrame"), (QStringList{"2302", "-900", "4410"}));
        QCOMPARE(controleur.lignesEnAvance(), 0); // never a line before the last one's prompt
    }

    void controleurMuet_data()
    {
        QTest::addColumn<Lignes>("pose"); // taught once the controller answers again
        QTest::newRow("dès le démarrage") << Lignes{"3162", "0", "2450", "-850", "0"};
        QTest::newRow("en mode manuel") << Lignes{"3000", "0", "2450", "-850", "0"};
        QTest::newRow("en mode gant") << Lignes{"1872", "-900", "4410", "-850", "0"};
    }

    // One box per outage, however many exchanges fail, and the window goes on meanwhile; what
    // waited goes out once the controller answers.
    void controleurMuet()
    {
        const QByteArray cas = QTest::currentDataTag();
        BancFenetre banc;
        QVERIFY(banc.sim.demarrer(BancFenetre::rapide()));
        banc.sim.setSilencieux(cas == "dès le démarrage");
        QVERIFY(banc.ouvrir(banc.sim.peripherique(), kBornes));
        if (cas == "en mode gant") {
            banc.cliquer("LancerButton");
            banc.gant()->definirPosition(100, 200, -100);
        }
        if (cas != "dès le démarrage") {
            banc.attendreCalme();
            banc.sim.setSilencieux(true);
        }
        QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 3000);
        const RepondeurBoites::Boite boite = banc.repondeur.boites[0];
        QCOMPARE(boite.titre, QString("Liaison avec le robot interrompue"));
        QCOMPARE(boite.texte, kSilence.arg(banc.sim.peripherique()));
        QCOMPARE(boite.icone, QMessageBox::Critical);
        if (cas == "en mode manuel")
            banc.widget<QSlider>("AxeXSlider")->setValue(3000);
        if (cas == "en mode gant") { // tracking goes on: the readouts follow the hand
            banc.gant()->definirFlexion(1, 200);
            banc.gant()->definirPosition(200, 400, -300);
            QTRY_COMPARE(banc.lectures("CapteurFrame"), (QStringList{"200", "400", "-300"}));
        }
        QTest::qWait(600);
        QCOMPARE(banc.repondeur.boites.size(), 1);

        // The gripper opened at start-up or closed meanwhile, the last pose asked for, then a
        // listing; a new outage is news again.
        const qsizetype reveil = banc.lignes().size();
        banc.sim.setSilencieux(false);
        QFETCH(Lignes, pose);
        QTRY_COMPARE_WITH_TIMEOUT(dernierePose(banc.lignes().mid(reveil)), pose, 5000);
        QCOMPARE(banc.lignes().mid(reveil).contains("open"), cas == "dès le démarrage");
        QCOMPARE(banc.lignes().mid(reveil).contains("close"), cas == "en mode gant");
        QTRY_VERIFY(banc.lignes().mid(banc.lignes().lastIndexOf("move a")).contains("listpv a"));
        banc.sim.setSilencieux(true);
        QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 2, 3000);
    }

    // The outage box leaves the window free, and a line that drops again while it is up does not
    // stack another one.
    void boiteSansBlocage()
    {
        BancFenetre banc;
        banc.repondeur.repondre = false; // the operator lets the box be
        QVERIFY(banc.demarrer("virtual", BancFenetre::rapide(), kBornes));
        banc.fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(banc.fenetre.get()));
        banc.attendreCalme();
        for (int panne = 0; panne < 2; ++panne) {
            banc.sim.setSilencieux(true);
            QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 3000);
            QTest::qWait(300);
            banc.sim.setSilencieux(false);
            const qsizetype avant = banc.lignes().size();
            QTRY_VERIFY_WITH_TIMEOUT(banc.lignes().size() > avant + 1, 3000);
        }
        QCOMPARE(banc.repondeur.boites.size(), 1);
        QVERIFY(!banc.repondeur.boites[0].modale);
        auto* curseur = banc.widget<QSlider>("AxeXSlider");
        const int avant = curseur->value();
        QTest::mouseClick(curseur, Qt::LeftButton, {}, QPoint(2, curseur->height() / 2));
        QVERIFY(curseur->value() != avant);
        banc.cliquer("QuitterButton");
        QVERIFY(!banc.fenetre->isVisible());
    }

    void raccrochageEnPleinEchange()
    {
        QTemporaryDir dossier;
        OptionsSimulateur options = BancFenetre::rapide();
        options.lien = dossier.filePath("controleur");
        SimulateurPty premier;
        QVERIFY(premier.demarrer(options));
        BancFenetre banc; // its simulator is the device that comes back under the same name
        BornesLiaison bornes = kBornes;
        bornes.echangeMs = 5000; // the pose waits for its first prompt until the line hangs up
        QVERIFY(banc.ouvrir(options.lien, bornes));
        QTRY_VERIFY(premier.transcript().size() > 17);

        premier.setSilencieux(true);
        const qsizetype avant = premier.transcript().size();
        banc.widget<QSlider>("AxeXSlider")->setValue(3000);
        QTRY_VERIFY_WITH_TIMEOUT(
            BancFenetre::minuscules(premier.transcript().mid(avant)).contains("defp a"), 10000);
        premier.raccrocher();
        QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 2000);
        QCOMPARE(
            banc.repondeur.boites[0].texte,
            QString("Le port %1 a été fermé ou débranché.\nCode erreur : E0006").arg(options.lien));
        premier.arreter();

        QVERIFY(banc.sim.demarrer(options));
        // The device is probed first; the pose cut off in the middle is sent again, whole.
        QTRY_COMPARE_WITH_TIMEOUT(dernierePose(banc.lignes()),
                                  (Lignes{"3000", "0", "2450", "-850", "0"}), 5000);
        QCOMPARE(banc.lignes().value(0), QByteArray());
        QCOMPARE(banc.repondeur.boites.size(), 1);
    }
};

QTEST_MAIN(TestDefaillances)
#include "test_defaillances.moc"
