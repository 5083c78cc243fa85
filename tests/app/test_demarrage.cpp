// Start-up of the main window: what the controller receives first, and what the operator is told
// when the glove or the port is missing.
#include "bancfenetre.h"
#include "robot/liaisonserie.h"

class TestDemarrage : public QObject
{
    Q_OBJECT

private slots:
    // Without a glove the robot starts as with one and manual mode works; glove mode cannot be
    // armed.
    void sansGant()
    {
        BancFenetre banc;
        QVERIFY(banc.demarrer("none"));
        const QList<RepondeurBoites::Boite>& boites = banc.repondeur.boites;
        QCOMPARE(boites.size(), 1);
        QCOMPARE(boites[0].titre, QString("Aucun périphérique P5 détecté"));
        QCOMPARE(boites[0].texte,
                 QString("Aucun périphérique P5 n'a été détecté sur votre ordinateur. \nVeuillez "
                         "vérifier votre dispositif.\nCode erreur : E0001"));
        QCOMPARE(boites[0].icone, QMessageBox::Information);
        QVERIFY(!banc.widget("LancerButton")->isEnabled());

        // "open", the start pose, then the same pose again from the worker, which lists the arm.
        const QByteArray pose = "defp a teach a 3162 0 2450 -850 0 move a ";
        QTRY_VERIFY(banc.lignes().count("listpv a") >= 2);
        banc.attendreCalme();
        QCOMPARE(banc.commandes().join(' ') + ' ', "open " + pose + pose);

        // A click on the disabled "Lancer" shows nothing; homing says E0001 again and still homes.
        banc.cliquer("LancerButton");
        banc.cliquer("HomingButton");
        banc.cliquer("AboutButton");
        QTRY_COMPARE(boites.size(), 3);
        QCOMPARE(boites[1].texte, boites[0].texte);
        QVERIFY(boites[2].titre == "A propos" &&
                boites[2].texte.startsWith("ZELVOR 1.1\nRealisé par : "));
        banc.attendreCalme();
        QCOMPARE(banc.commandes().mid(17, 2), (QList<QByteArray>{"home", "open"}));
    }

    void portAbsentOuOccupe_data()
    {
        QTest::addColumn<QString>("port"); // empty: the simulator's, held by another program
        QTest::addColumn<QString>("texte");
        const QString e0002 = "Impossible d'ouvrir le port %1.\nCode erreur : E0002";
        QTest::newRow("absent") << "/dev/zelvor-absent" << e0002;
        QTest::newRow("occupe") << "" << e0002;
        QTest::newRow("pas un terminal")
            << "/dev/null"
            << "Erreur lors de la configuration du port %1.\nCode erreur : E0003";
    }

    void portAbsentOuOccupe()
    {
        QFETCH(QString, port);
        QFETCH(QString, texte);
        BancFenetre banc;
        QVERIFY(banc.sim.demarrer(BancFenetre::rapide()));
        LiaisonSerie autreProgramme(banc.sim.peripherique());
        if (port.isEmpty()) {
            port = banc.sim.peripherique();
            QCOMPARE(autreProgramme.Ouvrir(), 1);
        }
        // The window does not wait for the port; the box follows, and the program's status.
        banc.ouvrir(port);
        const QList<RepondeurBoites::Boite>& boites = banc.repondeur.boites;
        QTRY_COMPARE(boites.size(), 1);
        QCOMPARE(banc.fenetre->statutDemarrage(), 1);
        QCOMPARE(boites[0].titre, QString("Erreur de configuration du port Série"));
        QCOMPARE(boites[0].texte, texte.arg(port));
        QCOMPARE(boites[0].icone, QMessageBox::Critical);
        QTest::qWait(100);
        QVERIFY(banc.sim.transcript().isEmpty()); // nothing was sent, no worker started
    }
};

QTEST_MAIN(TestDemarrage)
#include "test_demarrage.moc"
