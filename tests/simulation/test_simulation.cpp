// The simulation mode in-process: the virtual glove panel, the simulated arm it shows, and a
// session recorded and then replayed.
#include "../app/bancfenetre.h"
#include "robot/liaisonserie.h"
#include "app/modesimulation.h"
#include "app/panneaugantvirtuel.h"

#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>

namespace {
// A window on a started simulator, its panel beside it.
struct Seance
{
    explicit Seance(const QString& gant, const QString& enregistrement = {})
    {
        ConfigurationZelvor cfg;
        cfg.gant = gant;
        cfg.enregistrementGant = enregistrement;
        if (!mode.demarrer())
            return;
        mode.configurer(cfg);
        fenetre = std::make_unique<GLObjectWindow>(nullptr, nullptr, cfg);
        fenetre->show();
        mode.attacher(*fenetre);
    }

    // Arms tracking once the start-up traffic is over; returns where its commands begin.
    qsizetype lancer()
    {
        qsizetype avant = -1;
        while (avant != mode.simulateur().transcript().size()) {
            avant = mode.simulateur().transcript().size();
            QTest::qWait(150);
        }
        fenetre->Lancer();
        return avant;
    }

    // The poses taught to A and the gripper commands from line `depuis` on, each pose once.
    QList<QByteArray> poses(qsizetype depuis)
    {
        const QList<QByteArray> l =
            BancFenetre::minuscules(mode.simulateur().transcript().mid(depuis));
        QList<QByteArray> r;
        for (qsizetype i = 0; i < l.size(); ++i) {
            const QByteArray e = l[i] == "teach a" && i + 5 < l.size() ? l.mid(i + 1, 5).join(' ')
                                 : l[i] == "open" || l[i] == "close"   ? l[i]
                                                                       : QByteArray();
            if (!e.isEmpty() && (r.isEmpty() || r.last() != e))
                r.append(e);
        }
        return r;
    }

    RepondeurBoites repondeur;
    ModeSimulation mode{BancFenetre::rapide()};
    std::unique_ptr<GLObjectWindow> fenetre;
};

} // namespace

class TestSimulation : public QObject
{
    Q_OBJECT

private slots:
    void clavierDuPanneau_data();
    void clavierDuPanneau();
    void glisserSurLePaveEnseigneLePoint();
    void etatDuBrasSimule();
    void enregistrementPuisRejeu();
};

void TestSimulation::clavierDuPanneau_data()
{
    QTest::addColumn<QList<int>>("touches"); // pressed and released, but the last only pressed
    QTest::addColumn<QList<float>>("xyz");
    QTest::addColumn<int>("flexion");
    QTest::addColumn<int>("boutons"); // bit 0: first button held, bit 1: second
    const int maj = Qt::ShiftModifier;
    using L = QList<int>;
    using P = QList<float>;
    QTest::newRow("gauche, bas") << L{Qt::Key_Left, Qt::Key_Down} << P{-50, -50, 0} << 0 << 0;
    QTest::newRow("Maj+haut") << L{maj | Qt::Key_Up} << P{0, 200, 0} << 0 << 0;
    QTest::newRow("Z") << L{Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageDown} << P{0, 0, 50} << 0
                       << 0;
    QTest::newRow("bord du pavé") << L(6, maj | Qt::Key_Right) << P{1000, 0, 0} << 0 << 0;
    QTest::newRow("bout de Z") << L(6, maj | Qt::Key_PageDown) << P{0, 0, -1000} << 0 << 0;
    QTest::newRow("origine") << L{Qt::Key_Right, Qt::Key_PageUp, Qt::Key_Home} << P{0, 0, 0} << 0
                             << 0;
    QTest::newRow("espace plie") << L{Qt::Key_Space} << P{0, 0, 0} << 255 << 0;
    QTest::newRow("espace tend") << L{Qt::Key_Space, Qt::Key_Space} << P{0, 0, 0} << 0 << 0;
    QTest::newRow("1 tenu") << L{Qt::Key_1} << P{0, 0, 0} << 0 << 1;
    QTest::newRow("2 tenu, 1 lâché") << L{Qt::Key_1, Qt::Key_2} << P{0, 0, 0} << 0 << 2;
}

void TestSimulation::clavierDuPanneau()
{
    QFETCH(QList<int>, touches);
    QFETCH(QList<float>, xyz);
    SourceVirtuelle source;
    PanneauGantVirtuel panneau(&source, nullptr);
    for (qsizetype i = 0; i < touches.size(); ++i) {
        const auto touche = Qt::Key(touches[i] & ~Qt::KeyboardModifierMask);
        const auto mods = Qt::KeyboardModifiers(touches[i] & Qt::KeyboardModifierMask);
        QTest::keyPress(&panneau, touche, mods);
        if (i + 1 < touches.size())
            QTest::keyRelease(&panneau, touche, mods);
    }
    const EtatGant e = source.etat();
    QCOMPARE((QList<float>{e.x, e.y, e.z}), xyz);
    QTEST(int(e.flexion[1]), "flexion");
    QTEST(int(e.bouton[0]) | int(e.bouton[1]) << 1, "boutons");
    QCOMPARE(panneau.curseurZ()->value(), int(e.z));
}

void TestSimulation::glisserSurLePaveEnseigneLePoint()
{
    Seance s("virtual");
    QVERIFY(s.fenetre && s.fenetre->statutDemarrage() == 0);
    PanneauGantVirtuel* panneau = s.mode.panneau();
    panneau->activateWindow(); // once active, the panel has the keys, whatever was clicked
    QVERIFY(QTest::qWaitForWindowActive(panneau));
    QTRY_VERIFY(panneau->hasFocus());
    const qsizetype debut = s.lancer();
    QWidget* pave = panneau->pave();
    const QPoint centre = pave->rect().center();
    // Three quarters of the way right, a quarter of the way up: glove X 750, Y 250.
    const QPoint arrivee(pave->width() * 7 / 8, pave->height() * 3 / 8);
    QTest::mousePress(pave, Qt::LeftButton, {}, centre);
    for (int pas = 1; pas <= 4; ++pas)
        QTest::mouseMove(pave, centre + (arrivee - centre) * pas / 4);
    QTest::mouseRelease(pave, Qt::LeftButton, {}, arrivee);
    // Glove X drives robot Y (sent negated), glove Y robot Z; X stays at the start pose.
    QTRY_COMPARE_WITH_TIMEOUT(s.poses(debut).value(s.poses(debut).size() - 1),
                              QByteArray("3162 -3375 3675 -850 0"), 5000);

    // Dragged out past the top left corner: the hand stops at the pad's edges.
    QTest::mousePress(pave, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(pave, QPoint(-30, -40));
    QTest::mouseRelease(pave, Qt::LeftButton, {}, QPoint(-30, -40));
    QCOMPARE(panneau->source()->etat().x, -1000.f);
    QCOMPARE(panneau->source()->etat().y, 1000.f);
}

void TestSimulation::etatDuBrasSimule()
{
    OptionsSimulateur options = BancFenetre::rapide();
    options.homeMs = 1000;
    ModeSimulation mode(options);
    QVERIFY(mode.demarrer());
    PanneauGantVirtuel panneau(nullptr, &mode.simulateur());
    LiaisonSerie ligne(mode.peripherique());
    QCOMPARE(ligne.Ouvrir(), 1);
    const auto echange = [&](const char* c) {
        ligne.Envoyer(c);
        return ligne.AttendreCaractere(">", GenreAttente::Home);
    };

    ligne.Envoyer("home\r");
    QTRY_COMPARE(panneau.etatMouvement()->text(), QString("Homing en cours"));
    QCOMPARE(ligne.AttendreCaractere(">", GenreAttente::Home), IssueAttente::Recu);
    QTRY_COMPARE(panneau.etatMouvement()->text(), QString("À l'arrêt"));
    QCOMPARE(panneau.etatPosition()->text(), QString("Bras : X 3162  Y 0  Z 2450  P -850  R 0"));

    // X 3162 -> 2162 at 2000 units a second: half a second on the way.
    for (const char* c :
         {"defp b\r", "teach b\r", "2162\r", "100\r", "2450\r", "-850\r", "0\r", "move b\r"})
        QCOMPARE(echange(c), IssueAttente::Recu);
    QTRY_COMPARE(panneau.etatMouvement()->text(), QString("En mouvement"));
    QTRY_COMPARE(panneau.etatPosition()->text(),
                 QString("Bras : X 2162  Y 100  Z 2450  P -850  R 0"));
    QTRY_COMPARE(panneau.etatMouvement()->text(), QString("À l'arrêt"));

    QCOMPARE(panneau.etatPince()->text(), QString("Pince ouverte"));
    QCOMPARE(echange("close\r"), IssueAttente::Recu);
    QTRY_COMPARE(panneau.etatPince()->text(), QString("Pince fermée"));
}

void TestSimulation::enregistrementPuisRejeu()
{
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath("seance.txt");
    QList<QByteArray> enregistrees;
    {
        Seance s("virtual", fichier);
        QVERIFY(s.fenetre && s.fenetre->statutDemarrage() == 0);
        const qsizetype debut = s.lancer();
        PanneauGantVirtuel* p = s.mode.panneau();
        // One change per gesture, each held until the controller has it, so that the replay's
        // ticks see every state; none in the millisecond of "Lancer", as no operator could.
        const auto geste = [&](Qt::Key touche, Qt::KeyboardModifiers mods = {}) {
            const qsizetype avant = s.poses(debut).size();
            QTest::qWait(200);
            QTest::keyClick(p, touche, mods);
            QTRY_VERIFY_WITH_TIMEOUT(s.poses(debut).size() > avant, 5000);
        };
        geste(Qt::Key_Right, Qt::ShiftModifier);
        geste(Qt::Key_Up, Qt::ShiftModifier);
        geste(Qt::Key_Space);
        geste(Qt::Key_PageUp, Qt::ShiftModifier);
        geste(Qt::Key_Left, Qt::ShiftModifier);
        geste(Qt::Key_Space);
        QTest::qWait(200);
        enregistrees = s.poses(debut);
    }
    QCOMPARE(enregistrees.size(), 6);

    Seance rejeu("replay:" + fichier);
    QVERIFY(rejeu.fenetre && rejeu.fenetre->statutDemarrage() == 0);
    const qsizetype debut = rejeu.lancer();
    QTRY_COMPARE_WITH_TIMEOUT(rejeu.poses(debut), enregistrees, 10000);
}

QTEST_MAIN(TestSimulation)
#include "test_simulation.moc"
