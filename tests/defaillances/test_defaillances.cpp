// Faults of the controller and of the line, with the whole program running: what the operator
// sees, that nothing waits longer than its bound, and that the last target reaches the controller
// once the line works again.
#include "../app/bancfenetre.h"
#include "../robot/pseudoterminal.h"
#include "robot/etatpartage.h"
#include "robot/liaisonserie.h"
#include "sim/interpreteurscorbot.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

namespace {
// Byte, exchange, home, outage wait, reopening: short enough for a test, in the program's
// proportions.
const BornesLiaison kBornes{50, 400, 1000, 150, 100};

QList<QByteArray> dernierePose(const QList<LigneRecue>& transcript)
{
    return BancFenetre::dernierePose(BancFenetre::minuscules(transcript));
}

// The longest time the event loop went without running, while it lives.
struct SondeBoucle
{
    SondeBoucle()
    {
        minuterie.setTimerType(Qt::PreciseTimer);
        QObject::connect(&minuterie, &QTimer::timeout,
                         [this] { ecartMax = std::max(ecartMax, chrono.restart()); });
        chrono.start();
        minuterie.start(10);
    }
    QTimer minuterie;
    QElapsedTimer chrono;
    qint64 ecartMax = 0;
};

// The controller's side of a bare pseudo-terminal, reached through a symbolic link, for the
// faults the simulator does not play: an error line in answer to every command, and a hang-up on
// a chosen command. Otherwise the simulator's interpreter answers, unpaced.
class ControleurPty
{
public:
    explicit ControleurPty(const QString& lien) : m_lien(lien)
    {
        m_lie = m_pty.valide() && QFile::link(m_pty.esclave(), lien);
        m_thread = std::thread([this] { boucle(); });
    }
    ~ControleurPty()
    {
        m_fin = true;
        m_thread.join();
        QFile::remove(m_lien);
    }

    bool valide() const { return m_lie; }
    void raccrocherSur(const QByteArray& ligne)
    {
        std::lock_guard verrou(m_verrou);
        m_raccrocherSur = ligne;
    }
    // Lines received, trimmed and in lower case.
    QList<QByteArray> lignes() const
    {
        std::lock_guard verrou(m_verrou);
        return m_lignes;
    }

    std::atomic<bool> erreur{false}; // an error line in answer to every line
    std::atomic<bool> raccroche{false};

private:
    void boucle()
    {
        OptionsInterpreteur options;
        options.homeMs = 0;
        options.vitesse = 0.0;
        InterpreteurScorbot interpreteur(options);
        QByteArray ligne;
        while (!m_fin) {
            ligne += m_pty.lireJusqua('\r', 20);
            if (raccroche || !ligne.endsWith('\r'))
                continue;
            std::lock_guard verrou(m_verrou);
            m_lignes.append(ligne.trimmed().toLower());
            if (!m_raccrocherSur.isEmpty() && m_lignes.last() == m_raccrocherSur) {
                m_pty.raccrocher();
                raccroche = true;
            } else {
                m_pty.ecrire(erreur ? ligne.chopped(1) + "\r\n*** COMMANDE REFUSEE\r\n>"
                                    : interpreteur.recevoir(ligne, 0));
            }
            ligne.clear();
        }
    }

    QString m_lien;
    PseudoTerminal m_pty; // used by the thread only, once it runs
    bool m_lie = false;
    std::thread m_thread;
    std::atomic<bool> m_fin{false};
    mutable std::mutex m_verrou; // protects m_lignes and m_raccrocherSur
    QList<QByteArray> m_lignes;
    QByteArray m_raccrocherSur;
};

const QString kTexteSilence =
    QStringLiteral("Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : E0005");
} // namespace

class TestDefaillances : public QObject
{
    Q_OBJECT

private slots:
    void bruitDansLesReponses();
    void erreurApresChaqueCommande();
    void controleurMuetDesLeDemarrage();
    void controleurMuetEnModeGant();
    void raccrochageEnPleinEchange();
    void signalPendantUnEchange_data();
    void signalPendantUnEchange();
    void fichierDeRejeuDefectueux_data();
    void fichierDeRejeuDefectueux();
};

void TestDefaillances::bruitDansLesReponses()
{
    OptionsSimulateur options = BancFenetre::rapide();
    options.bruit = true;
    options.graineBruit = 7;
    options.vitesse = 100000.0;
    BancFenetre banc;
    QVERIFY(banc.demarrer("virtual", options, kBornes));
    banc.attendreCalme();
    banc.fenetre->AxeXSlider->setValue(4000);
    banc.fenetre->AxeZSlider->setValue(600);
    banc.attendreCalme();

    const QList<QByteArray> lignes = banc.commandes();
    QCOMPARE(BancFenetre::dernierePose(lignes),
             (QList<QByteArray>{"4000", "0", "600", "-850", "0"}));
    // Every exchange ran whole: no wait was ended early by a stray byte, none timed out.
    for (int i = lignes.indexOf("defp a"); i >= 0; i = lignes.indexOf("defp a", i + 1)) {
        QCOMPARE(lignes.value(i + 1), QByteArray("teach a"));
        for (int j = 2; j <= 6; ++j)
            QVERIFY2(QRegularExpression("^-?\\d+$").match(lignes.value(i + j)).hasMatch(),
                     lignes.value(i + j).constData());
        QCOMPARE(lignes.value(i + 7), QByteArray("move a"));
    }
    QCOMPARE(banc.fenetre->liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    QTRY_COMPARE(banc.sim.etat().position.X, 4000);
    // Once the noise stops, the next listing reads the arm exactly: the link is still in step.
    banc.sim.setBruit(false);
    QTRY_COMPARE(positionRobot.X.load(), 4000);
    QTRY_COMPARE(positionRobot.Z.load(), 600);
    QVERIFY(banc.repondeur.boites.isEmpty());
}

void TestDefaillances::erreurApresChaqueCommande()
{
    QTemporaryDir dossier;
    ControleurPty controleur(dossier.filePath("controleur"));
    QVERIFY(controleur.valide());
    BancFenetre banc;
    QVERIFY(banc.ouvrir(dossier.filePath("controleur"), kBornes));
    QTRY_COMPARE(positionRobot.X.load(), 3162);

    controleur.erreur = true;
    const int debut = controleur.lignes().size();
    banc.fenetre->AxeXSlider->setValue(2000);
    // Each refusal is read through its prompt, so the exchange goes on line after line and the
    // listings keep coming.
    QTRY_COMPARE(BancFenetre::dernierePose(controleur.lignes().mid(debut)),
                 (QList<QByteArray>{"2000", "0", "2450", "-850", "0"}));
    QTRY_VERIFY(controleur.lignes().mid(debut).count("listpv a") >= 2);
    const QList<QByteArray> apres = controleur.lignes().mid(debut);
    QCOMPARE(apres.value(apres.indexOf("defp a") + 7), QByteArray("move a"));
    QCOMPARE(positionRobot.X.load(), 3162); // an answer without letters keeps the last values
    QCOMPARE(banc.fenetre->liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    QVERIFY(banc.repondeur.boites.isEmpty());

    controleur.erreur = false;
    banc.fenetre->AxeXSlider->setValue(2500);
    QTRY_COMPARE(positionRobot.X.load(), 2500);
}

void TestDefaillances::controleurMuetDesLeDemarrage()
{
    BancFenetre banc;
    QVERIFY(banc.sim.demarrer(BancFenetre::rapide()));
    banc.sim.setSilencieux(true);
    QElapsedTimer chrono;
    chrono.start();
    QVERIFY(banc.ouvrir(banc.sim.peripherique(), kBornes));
    // Start-up gives up after one bounded wait instead of hanging on the silent line.
    QVERIFY2(chrono.elapsed() < kBornes.echangeMs + 1000,
             qPrintable(QString::number(chrono.elapsed())));
    banc.fenetre->show();
    QVERIFY(QTest::qWaitForWindowExposed(banc.fenetre.get()));

    QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 3000);
    QCOMPARE(banc.repondeur.boites[0].titre, QString("Liaison avec le robot interrompue"));
    QCOMPARE(banc.repondeur.boites[0].texte, kTexteSilence.arg(banc.sim.peripherique()));
    QTest::qWait(600); // listings and the start pose keep failing: still one box
    QCOMPARE(banc.repondeur.boites.size(), 1);

    // The controller wakes up: the start pose, never taught so far, reaches it.
    const int reveil = banc.sim.transcript().size();
    banc.sim.setSilencieux(false);
    QTRY_COMPARE_WITH_TIMEOUT(positionRobot.X.load(), 3162, 5000);
    QCOMPARE(positionRobot.Z.load(), 2450);
    QCOMPARE(dernierePose(banc.sim.transcript().mid(reveil)),
             (QList<QByteArray>{"3162", "0", "2450", "-850", "0"}));
    QCOMPARE(banc.repondeur.boites.size(), 1);
}

void TestDefaillances::controleurMuetEnModeGant()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer("virtual", BancFenetre::rapide(), kBornes));
    banc.fenetre->show();
    QVERIFY(QTest::qWaitForWindowExposed(banc.fenetre.get()));
    banc.attendreCalme();
    banc.fenetre->Lancer();
    banc.gant()->definirPosition(100, 200, -100);
    QTRY_COMPARE(BancFenetre::dernierePose(banc.commandes()),
                 (QList<QByteArray>{"2732", "-450", "3430", "-850", "0"}));

    banc.sim.setSilencieux(true);
    SondeBoucle sonde;
    banc.gant()->definirPosition(200, 400, -200);
    banc.gant()->definirFlexion(1, 200); // the tick's own gripper exchange meets the silence
    QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 3000);
    QCOMPARE(banc.repondeur.boites[0].texte, kTexteSilence.arg(banc.sim.peripherique()));
    QTest::qWait(600);
    QCOMPARE(banc.repondeur.boites.size(), 1);
    // The window waits for the line only within its bounds: one exchange behind the mutex, then
    // its own short wait of the outage.
    QVERIFY2(sonde.ecartMax < 2 * (kBornes.echangeMs + kBornes.sondageMs) + 500,
             qPrintable(QString::number(sonde.ecartMax)));
    QVERIFY(banc.fenetre->timer->isActive());

    const int reveil = banc.sim.transcript().size();
    banc.sim.setSilencieux(false);
    // The hand's last place, reached during the silence, is the pose the controller gets.
    QTRY_COMPARE_WITH_TIMEOUT(dernierePose(banc.sim.transcript().mid(reveil)),
                              (QList<QByteArray>{"2302", "-900", "4410", "-850", "0"}), 5000);
    QTRY_COMPARE(positionRobot.X.load(), 2302);
}

void TestDefaillances::raccrochageEnPleinEchange()
{
    QTemporaryDir dossier;
    const QString lien = dossier.filePath("controleur");
    auto controleur = std::make_unique<ControleurPty>(lien);
    QVERIFY(controleur->valide());
    BancFenetre banc; // its simulator is the device that comes back under the same name
    QVERIFY(banc.ouvrir(lien, kBornes));
    QTRY_COMPARE(positionRobot.X.load(), 3162);

    controleur->raccrocherSur("teach a");
    banc.fenetre->AxeXSlider->setValue(3000);
    QTRY_VERIFY(controleur->raccroche);
    QElapsedTimer chrono;
    chrono.start();
    QTRY_COMPARE_WITH_TIMEOUT(banc.repondeur.boites.size(), 1, 2000);
    QCOMPARE(banc.repondeur.boites[0].texte,
             QString("Le port %1 a été fermé ou débranché.\nCode erreur : E0006").arg(lien));
    QVERIFY2(chrono.elapsed() < 1000, qPrintable(QString::number(chrono.elapsed())));
    controleur.reset();

    OptionsSimulateur options = BancFenetre::rapide();
    options.lien = lien;
    QVERIFY(banc.sim.demarrer(options));
    // The pose cut off in the middle is sent again, whole, to the controller that came back.
    QTRY_COMPARE_WITH_TIMEOUT(positionRobot.X.load(), 3000, 5000);
    QCOMPARE(dernierePose(banc.sim.transcript()),
             (QList<QByteArray>{"3000", "0", "2450", "-850", "0"}));
    QCOMPARE(banc.fenetre->liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    QCOMPARE(banc.repondeur.boites.size(), 1);
}

void TestDefaillances::signalPendantUnEchange_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestDefaillances::signalPendantUnEchange()
{
    QFETCH(int, signal);
    SimulateurPty sim;
    QVERIFY(sim.demarrer(BancFenetre::rapide()));
    QProcess programme;
    programme.start(ZELVOR_BINAIRE, {"--port", sim.peripherique(), "--glove", "virtual"});
    QVERIFY(programme.waitForStarted());
    QVERIFY(sim.attendreLignes(19, 10000)); // open, two poses, a listing
    sim.setSilencieux(true);
    // The next listing goes out and waits on the silent line, 30 s by the program's bounds.
    QVERIFY(sim.attendreLignes(sim.transcript().size() + 1, 3000));
    QElapsedTimer chrono;
    chrono.start();
    ::kill(static_cast<pid_t>(programme.processId()), signal);
    QVERIFY(programme.waitForFinished(5000));
    QVERIFY2(chrono.elapsed() < 1000, qPrintable(QString::number(chrono.elapsed())));
    QCOMPARE(programme.exitStatus(), QProcess::NormalExit);
    QCOMPARE(programme.exitCode(), 0);
    QCOMPARE(LiaisonSerie(sim.peripherique()).Ouvrir(), 1); // the port was released
}

void TestDefaillances::fichierDeRejeuDefectueux_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("message");
    const QByteArray debut = "zelvor-gant 1\n0 0 0 0 0 0 0 0 0 0 0\n";
    QTest::newRow("tronqué") << debut + "20 1 2 3 0 0"
                             << ":3: dernière ligne tronquée";
    QTest::newRow("malformé") << debut + "10 1 2 x 0 0 0 0 0 0 0\n"
                              << ":3: position z \"x\"";
}

void TestDefaillances::fichierDeRejeuDefectueux()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QString, message);
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath("trajet.txt");
    QFile f(fichier);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size());
    f.close();
    // Were the file taken, the missing port would show a box and the run would time out.
    QProcess programme;
    programme.start(ZELVOR_BINAIRE,
                    {"--port", "/dev/zelvor-absent", "--glove", "replay:" + fichier});
    QVERIFY(programme.waitForFinished(10000));
    QCOMPARE(programme.exitStatus(), QProcess::NormalExit);
    QCOMPARE(programme.exitCode(), 2);
    const QByteArray erreur = programme.readAllStandardError();
    QVERIFY2(erreur.contains(("zelvor: " + fichier + message).toUtf8()), erreur.constData());
}

QTEST_MAIN(TestDefaillances)
#include "test_defaillances.moc"
