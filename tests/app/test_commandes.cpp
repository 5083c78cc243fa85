// The operator's commands and the tracking tick, against the simulator.
#include "bancfenetre.h"
#include "robot/etatpartage.h"
#include "view/glbox.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace {
// On the box itself: the check box has no caption, so only its indicator takes clicks.
void cliquerCaseACocher(GLObjectWindow& f)
{
    QTest::mouseClick(f.CommandeCheckBox, Qt::LeftButton, {},
                      QPoint(6, f.CommandeCheckBox->height() / 2));
}

bool commandesManuellesActives(const GLObjectWindow& f)
{
    const QList<QWidget*> commandes = {f.HomingButton, f.AxeXSlider, f.AxeYSlider, f.AxeZSlider,
                                       f.AxeRSlider,   f.AxePSlider, f.AxeXLabel,  f.AxeYLabel,
                                       f.AxeZLabel,    f.AxeRLabel,  f.AxePLabel};
    const bool premier = commandes.first()->isEnabled();
    for (QWidget* w : commandes)
        if (w->isEnabled() != premier)
            qFatal("manual controls out of step");
    return premier;
}
} // namespace

class TestCommandes : public QObject
{
    Q_OBJECT

private slots:
    void pinceAvecHysteresisEtHoming();
    void boutonsTenus();
    void tickSansChangementNeDemandeRien();
    void modesEtTransitions();
    void lancerSansGantEtAPropos();
    void curseurYEnseigneSonOppose();
    void panneSignaleeUneFoisParPanne();
    void raccrochageSignale();
};

void TestCommandes::pinceAvecHysteresisEtHoming()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    GLObjectWindow& f = *banc.fenetre;
    banc.attendreCalme();
    const int debut = banc.commandes().size();
    auto tick = [&](unsigned char flexion) {
        banc.gant()->definirFlexion(1, flexion);
        f.ActionTimer();
    };
    tick(50);
    tick(51);
    tick(51);
    tick(50);
    tick(50);
    QCOMPARE(banc.commandes().mid(debut), (QList<QByteArray>{"close", "open"}));
    tick(255);
    QVERIFY(f.pinceFermee && !f.pinceOuverte && f.doigtPlie);
    // Homing opens the gripper but leaves the flags as they were: closed.
    f.InitRobot();
    QCOMPARE(banc.commandes().mid(debut + 2, 3), (QList<QByteArray>{"close", "home", "open"}));
    QVERIFY(f.pinceFermee && !f.pinceOuverte);
    tick(200); // still bent: nothing
    tick(50);  // straightened: open once
    tick(51);  // bent again: close
    banc.attendreCalme();
    QList<QByteArray> apres = banc.commandes().mid(debut + 5);
    // The slider pose that homing asked for goes out after the homing exchange.
    const int pose = apres.indexOf("defp a");
    QVERIFY(pose >= 0);
    apres.remove(pose, 8);
    QCOMPARE(apres, (QList<QByteArray>{"open", "close"}));
}

void TestCommandes::boutonsTenus()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    GLObjectWindow& f = *banc.fenetre;
    banc.attendreCalme();
    const int debut = banc.commandes().size();
    banc.gant()->definirBouton(1, true);
    for (int i = 0; i < 3; ++i)
        f.ActionTimer();
    banc.gant()->definirBouton(1, false);
    f.ActionTimer();
    QCOMPARE(banc.commandes().mid(debut), (QList<QByteArray>{"home", "home", "home"}));

    // The first button re-zeroes on every tick it is held: the glove reads 0 where it stands.
    banc.gant()->definirPosition(100, 200, -100);
    f.ActionTimer();
    QCOMPARE(f.positionGant.X, 100.0f);
    banc.gant()->definirBouton(0, true);
    f.ActionTimer();
    QCOMPARE(f.positionGant.X, 0.0f);
    QCOMPARE(f.positionGantPrecedente.Y, 0.0f);
    banc.gant()->definirPosition(150, 200, -100);
    f.ActionTimer();
    QCOMPARE(f.positionGant.X, 0.0f);
    banc.gant()->definirBouton(0, false);
    banc.gant()->definirPosition(190, 200, -100);
    f.ActionTimer();
    QCOMPARE(f.positionGant.X, 40.0f); // from the place of the last re-zeroing
}

void TestCommandes::tickSansChangementNeDemandeRien()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    GLObjectWindow& f = *banc.fenetre;
    banc.attendreCalme();
    f.suiviActif = true;
    banc.gant()->definirPosition(100, 200, -100);
    f.ActionTimer();
    QCOMPARE(f.CapteurXValue->text(), QString("100"));
    QCOMPARE(f.CapteurZValue->text(), QString("-100"));
    QCOMPARE(f.cibleX, 2732.0f);
    QCOMPARE(f.cibleY, 450.0f);
    QCOMPARE(f.cibleZ, 3430.0f);
    QCOMPARE(f.glbox->gloveY, 3.90625f);
    banc.attendreCalme();
    QCOMPARE(BancFenetre::dernierePose(banc.commandes()),
             (QList<QByteArray>{"2732", "-450", "3430", "-850", "0"}));
    const int poses = banc.commandes().count("teach a");
    f.ActionTimer();
    // A reading inside the dead band keeps the previous one: no move either.
    banc.gant()->definirPosition(110, 180, -75);
    f.ActionTimer();
    QCOMPARE(f.CapteurXValue->text(), QString("100"));
    banc.attendreCalme();
    QCOMPARE(banc.commandes().count("teach a"), poses);
    const ConsigneRobot c = consigneRobot.copie();
    QCOMPARE(c.Y, -450.0);
    // Once the list of point A is read, the view draws the robot where the hand is: no delta.
    QTRY_COMPARE(positionRobot.Z.load(), 3430);
    f.ActionTimer();
    QCOMPARE(f.RobotXValue->text(), QString("2732"));
    QCOMPARE(f.DeltaXValue->text(), QString("3.90625"));
    QCOMPARE(f.DeltaYValue->text(), QString("0"));
    QCOMPARE(f.DeltaZValue->text(), QString("0"));
}

void TestCommandes::modesEtTransitions()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    GLObjectWindow& f = *banc.fenetre;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(f.CommandeCheckBox->isChecked());
    QVERIFY(commandesManuellesActives(f));

    // Manual -> glove, waiting: the controls go, the timer does not start.
    cliquerCaseACocher(f);
    QVERIFY(!f.CommandeCheckBox->isChecked());
    QVERIFY(!commandesManuellesActives(f));
    QVERIFY(!f.timer->isActive());
    QVERIFY(!f.suiviActif);

    // Waiting -> tracking with "Lancer".
    QTest::mouseClick(f.LancerButton, Qt::LeftButton);
    QVERIFY(f.timer->isActive());
    QCOMPARE(f.timer->interval(), 50);
    QVERIFY(f.suiviActif);
    banc.gant()->definirPosition(100, 200, -100);
    QTRY_COMPARE(f.CapteurXValue->text(), QString("100"));

    // Tracking -> manual: readouts to "0", crosses at the origin, the slider pose sent.
    banc.attendreCalme();
    cliquerCaseACocher(f);
    QVERIFY(f.CommandeCheckBox->isChecked());
    QVERIFY(commandesManuellesActives(f));
    QVERIFY(!f.timer->isActive());
    for (QLabel* l : {f.CapteurXValue, f.CapteurYValue, f.CapteurZValue, f.RobotXValue,
                      f.RobotYValue, f.RobotZValue, f.DeltaXValue, f.DeltaYValue, f.DeltaZValue})
        QCOMPARE(l->text(), QString("0"));
    QCOMPARE(f.glbox->gloveX, 0.0f);
    QCOMPARE(f.glbox->robotZ, 0.0f);
    banc.attendreCalme();
    QCOMPARE(BancFenetre::dernierePose(banc.commandes()),
             (QList<QByteArray>{"3162", "0", "2450", "-850", "0"}));

    // "Lancer" from manual mode unchecks the box itself and re-zeroes the glove.
    QTest::mouseClick(f.LancerButton, Qt::LeftButton);
    QVERIFY(!f.CommandeCheckBox->isChecked());
    QVERIFY(!commandesManuellesActives(f));
    QVERIFY(f.timer->isActive());
    QTRY_COMPARE(f.CapteurXValue->text(), QString("0"));
    QVERIFY(banc.repondeur.boites.isEmpty());
}

void TestCommandes::lancerSansGantEtAPropos()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer("none"));
    GLObjectWindow& f = *banc.fenetre;
    QCOMPARE(banc.repondeur.boites.size(), 1); // E0001 at start-up
    f.Lancer();
    QTRY_COMPARE(banc.repondeur.boites.size(), 2);
    QVERIFY(banc.repondeur.boites[1].texte.endsWith("Code erreur : E0001"));
    QVERIFY(!f.timer->isActive());
    QVERIFY(f.CommandeCheckBox->isChecked());
    QVERIFY(commandesManuellesActives(f));
    QVERIFY(f.suiviActif);

    // Homing without a glove: the box first, then the homing all the same.
    banc.attendreCalme();
    const int debut = banc.commandes().size();
    f.InitRobot();
    QCOMPARE(banc.repondeur.boites.size(), 3);
    QCOMPARE(banc.commandes().mid(debut, 2), (QList<QByteArray>{"home", "open"}));

    f.Parcourir();
    QCOMPARE(banc.repondeur.boites.size(), 4);
    QCOMPARE(banc.repondeur.boites[3].titre, QString("A propos"));
    const QStringList lignes = banc.repondeur.boites[3].texte.split('\n');
    QCOMPARE(lignes.size(), 3);
    QCOMPARE(lignes[0], QString("ZELVOR 1.1"));
    QVERIFY(lignes[1].startsWith("Realisé par : "));
    QVERIFY(lignes[2].startsWith("Encadré par : "));
}

// Every slider drives its own axis; Y is negated on its way to the robot, P goes before R.
void TestCommandes::curseurYEnseigneSonOppose()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    GLObjectWindow& f = *banc.fenetre;
    banc.attendreCalme();
    f.AxeXSlider->setValue(4300);
    f.AxeYSlider->setValue(1000);
    f.AxeZSlider->setValue(600);
    f.AxeRSlider->setValue(-10);
    f.AxePSlider->setValue(-20);
    banc.attendreCalme();
    QCOMPARE(BancFenetre::dernierePose(banc.commandes()),
             (QList<QByteArray>{"4300", "-1000", "600", "-20", "-10"}));
    // Homing takes the slider as it stands, not negated.
    f.InitRobot();
    banc.attendreCalme();
    QCOMPARE(BancFenetre::dernierePose(banc.commandes()),
             (QList<QByteArray>{"4300", "1000", "600", "-20", "-10"}));
}

void TestCommandes::panneSignaleeUneFoisParPanne()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer("virtual", BancFenetre::rapide(), {5000, 200, 300000, 100, 1000}));
    GLObjectWindow& f = *banc.fenetre;
    banc.attendreCalme();
    banc.sim.setSilencieux(true);
    QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 3000);
    QCOMPARE(banc.repondeur.boites[0].titre, QString("Liaison avec le robot interrompue"));
    QCOMPARE(banc.repondeur.boites[0].texte,
             QString("Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : E0005")
                 .arg(banc.sim.peripherique()));
    // The listings keep failing, a slider moves, the window keeps running: still one box.
    // A finger bent during the outage: the gripper command waits for the line, not the tick.
    banc.gant()->definirFlexion(1, 200);
    f.ActionTimer();
    QVERIFY(f.pinceOuverte && !f.pinceFermee);
    f.AxeXSlider->setValue(3000);
    QTest::qWait(800);
    QCOMPARE(banc.repondeur.boites.size(), 1);
    // The line comes back: the pose and the gripper command that waited go out; a new outage is
    // news again.
    banc.sim.setSilencieux(false);
    QTRY_COMPARE_WITH_TIMEOUT(BancFenetre::dernierePose(banc.commandes()).value(0),
                              QByteArray("3000"), 5000);
    QTRY_COMPARE(banc.fenetre->liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    f.ActionTimer();
    QVERIFY(f.pinceFermee);
    QVERIFY(banc.commandes().contains("close"));
    banc.sim.setSilencieux(true);
    QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 2, 3000);
}

void TestCommandes::raccrochageSignale()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    banc.attendreCalme();
    banc.sim.raccrocher();
    QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 3000);
    QCOMPARE(banc.repondeur.boites[0].texte,
             QString("Le port %1 a été fermé ou débranché.\nCode erreur : E0006")
                 .arg(banc.sim.peripherique()));
    QTest::qWait(600);
    QCOMPARE(banc.repondeur.boites.size(), 1);
}

QTEST_MAIN(TestCommandes)
#include "test_commandes.moc"
