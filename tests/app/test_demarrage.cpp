// Start-up, wiring and shutdown of the main window, in process against the simulator.
#include "bancfenetre.h"
#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"

#include <QMetaMethod>
#include <QPushButton>
#include <QTest>

namespace {
const QList<QByteArray> kPoseDepart = {"defp a", "teach a", "3162", "0",
                                       "2450",   "-850",    "0",    "move a"};
} // namespace

class TestDemarrage : public QObject
{
    Q_OBJECT

private slots:
    void sansGant();
    void portAbsentOuOccupe_data();
    void portAbsentOuOccupe();
    void tableDesSlotsEtConnexions();
};

// Without a glove the robot's start-up is the same: "open", the start pose, then the same pose
// again from the worker, listings beside it, the first at once and the next half a second later.
void TestDemarrage::sansGant()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer("none"));
    const RepondeurBoites& repondeur = banc.repondeur;
    QCOMPARE(repondeur.boites.size(), 1);
    QCOMPARE(repondeur.boites[0].titre, QString("Aucun périphérique P5 détecté"));
    QCOMPARE(repondeur.boites[0].texte,
             QString("Aucun périphérique P5 n'a été détecté sur votre ordinateur. \nVeuillez "
                     "vérifier votre dispositif.\nCode erreur : E0001"));
    QCOMPARE(repondeur.boites[0].icone, QMessageBox::Information);
    QVERIFY(!banc.fenetre->LancerButton->isEnabled());
    QVERIFY(!banc.fenetre->p5Detecte);
    QTRY_VERIFY_WITH_TIMEOUT(banc.lignes().count("listpv a") >= 2, 3000);
    QTRY_COMPARE(positionRobot.X.load(), 3162);
    banc.fenetre.reset();
    const QList<QByteArray> l = banc.lignes();
    QCOMPARE(l.mid(0, 9), QList<QByteArray>{"open"} + kPoseDepart);
    QList<QByteArray> reste = l.mid(9);
    reste.removeAll("listpv a");
    QCOMPARE(reste, kPoseDepart);
    QCOMPARE(repondeur.boites.size(), 1);
}

void TestDemarrage::portAbsentOuOccupe_data()
{
    QTest::addColumn<QString>("cas");
    QTest::addColumn<QString>("texte");
    QTest::newRow("absent") << "absent"
                            << "Impossible d'ouvrir le port %1.\nCode erreur : E0002";
    QTest::newRow("occupe") << "occupe"
                            << "Impossible d'ouvrir le port %1.\nCode erreur : E0002";
    QTest::newRow("pas un terminal")
        << "refuse"
        << "Erreur lors de la configuration du port %1.\nCode erreur : E0003";
}

void TestDemarrage::portAbsentOuOccupe()
{
    QFETCH(QString, cas);
    QFETCH(QString, texte);
    BancFenetre banc;
    // Another program holds the simulator's line in the "occupe" case.
    std::unique_ptr<LiaisonSerie> autreProgramme;
    QString port = cas == "absent" ? "/dev/zelvor-absent" : cas == "refuse" ? "/dev/null" : "";
    QVERIFY(banc.sim.demarrer(BancFenetre::rapide()));
    if (cas == "occupe") {
        autreProgramme = std::make_unique<LiaisonSerie>(banc.sim.peripherique());
        QCOMPARE(autreProgramme->Ouvrir(), 1);
        port = banc.sim.peripherique();
    }
    QVERIFY(!banc.ouvrir(port));
    QCOMPARE(banc.fenetre->statutDemarrage(), 1);
    QCOMPARE(banc.fenetre->etatPort, cas == "refuse" ? 3 : 2);
    QVERIFY(!banc.fenetre->isVisible());
    const RepondeurBoites& repondeur = banc.repondeur;
    QCOMPARE(repondeur.boites.size(), 1);
    QCOMPARE(repondeur.boites[0].titre, QString("Erreur de configuration du port Série"));
    QCOMPARE(repondeur.boites[0].texte, texte.arg(port));
    QCOMPARE(repondeur.boites[0].icone, QMessageBox::Critical);
    QTest::qWait(100);
    QVERIFY(banc.sim.transcript().isEmpty()); // nothing was sent, no worker started
}

void TestDemarrage::tableDesSlotsEtConnexions()
{
    const QMetaObject& meta = GLObjectWindow::staticMetaObject;
    QCOMPARE(meta.className(), "GLObjectWindow");
    QCOMPARE(meta.superClass(), &QWidget::staticMetaObject);
    const QList<QByteArray> attendus = {"Lancer()",        "Quitter()",         "Parcourir()",
                                        "InitRobot()",     "ActionAxeX(int)",   "ActionAxeY(int)",
                                        "ActionAxeZ(int)", "ActionAxeR(int)",   "ActionAxeP(int)",
                                        "ActionTimer()",   "ActiverCommande()", "languageChange()"};
    QList<QByteArray> vus;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod m = meta.method(i);
        QCOMPARE(m.methodType(), QMetaMethod::Slot);
        QCOMPARE(m.access(),
                 m.name() == "languageChange" ? QMetaMethod::Protected : QMetaMethod::Public);
        vus.append(m.methodSignature());
    }
    QCOMPARE(vus, attendus);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());

    BancFenetre banc;
    QVERIFY(banc.demarrer());
    GLObjectWindow& fenetre = *banc.fenetre;
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    QTest::mouseClick(fenetre.QuitterButton, Qt::LeftButton);
    QTRY_VERIFY(!fenetre.isVisible());
}

QTEST_MAIN(TestDemarrage)
#include "test_demarrage.moc"
