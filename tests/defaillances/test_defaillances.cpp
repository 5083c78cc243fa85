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
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

namespace {
// Short enough for a test, in the same proportions as the program's own.
BornesLiaison bornesCourtes()
{
    BornesLiaison b;
    b.delaiOctetMs = 50;
    b.echangeMs = 400;
    b.homeMs = 1000;
    b.sondageMs = 150;
    b.reouvertureMs = 100;
    return b;
}

// The five values of the last pose taught to point A.
QList<QByteArray> dernierePose(const QList<QByteArray>& lignes)
{
    const int i = lignes.lastIndexOf("teach a");
    return i < 0 ? QList<QByteArray>{} : lignes.mid(i + 1, 5);
}

QList<QByteArray> enMinuscules(const QList<LigneRecue>& transcript)
{
    QList<QByteArray> l;
    for (const LigneRecue& r : transcript)
        l.append(r.ligne.trimmed().toLower());
    return l;
}

void attendreCalme(const BancFenetre& banc)
{
    int avant = -1;
    while (banc.commandes().size() != avant) {
        avant = banc.commandes().size();
        QTest::qWait(150);
    }
}

// The longest time the event loop went without running, while it is measured.
class SondeBoucle
{
public:
    SondeBoucle()
    {
        m_minuterie.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_minuterie, &QTimer::timeout,
                         [this] { m_ecartMax = std::max(m_ecartMax, m_chrono.restart()); });
        m_chrono.start();
        m_minuterie.start(10);
    }
    qint64 ecartMax() const { return m_ecartMax; }

private:
    QTimer m_minuterie;
    QElapsedTimer m_chrono;
    qint64 m_ecartMax = 0;
};

// The controller's side of a bare pseudo-terminal, reached through a symbolic link, for the
// faults the simulator does not play: an error line in answer to every command, and a hang-up on
// a chosen command. Otherwise the simulator's interpreter answers, unpaced.
class ControleurPty
{
public:
    explicit ControleurPty(const QString& lien) : m_lien(lien)
    {
        QFile::remove(lien);
        m_lie = m_pty.valide() && QFile::link(m_pty.esclave(), lien);
        m_thread = std::thread([this] { boucle(); });
    }
    ~ControleurPty()
    {
        m_fin = true;
        m_thread.join();
        if (QFile::symLinkTarget(m_lien) == m_pty.esclave())
            QFile::remove(m_lien);
    }

    bool valide() const { return m_lie; }
    void repondreParErreur(bool erreur) { m_erreur = erreur; }
    void raccrocherSur(const QByteArray& ligne)
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        m_raccrocherSur = ligne;
    }
    bool raccroche() const { return m_raccroche; }
    // Lines received, trimmed and in lower case.
    QList<QByteArray> lignes() const
    {
        std::lock_guard<std::mutex> verrou(m_verrou);
        return m_lignes;
    }

private:
    void boucle()
    {
        OptionsInterpreteur options;
        options.homeMs = 0;
        options.vitesse = 0.0;
        InterpreteurScorbot interpreteur(options);
        QElapsedTimer horloge;
        horloge.start();
        QByteArray ligne;
        while (!m_fin) {
            ligne += m_pty.lireJusqua('\r', 20);
            if (m_raccroche || !ligne.endsWith('\r'))
                continue;
            const QByteArray texte = ligne.trimmed().toLower();
            bool raccrocher = false;
            {
                std::lock_guard<std::mutex> verrou(m_verrou);
                m_lignes.append(texte);
                raccrocher = !m_raccrocherSur.isEmpty() && texte == m_raccrocherSur;
            }
            if (raccrocher) {
                m_pty.raccrocher();
                m_raccroche = true;
            } else if (m_erreur) {
                m_pty.ecrire(ligne.chopped(1) + "\r\n*** COMMANDE REFUSEE\r\n>");
            } else {
                m_pty.ecrire(interpreteur.recevoir(ligne, horloge.elapsed()));
            }
            ligne.clear();
        }
    }

    QString m_lien;
    PseudoTerminal m_pty; // used by the thread only, once it runs
    bool m_lie = false;
    std::thread m_thread;
    std::atomic<bool> m_fin{false};
    std::atomic<bool> m_erreur{false};
    std::atomic<bool> m_raccroche{false};
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
    QVERIFY(banc.demarrer("virtual", options, bornesCourtes()));
    GLObjectWindow& f = *banc.fenetre;
    attendreCalme(banc);
    f.AxeXSlider->setValue(4000);
    f.AxeZSlider->setValue(600);
    attendreCalme(banc);

    const QList<QByteArray> lignes = banc.commandes();
    QCOMPARE(dernierePose(lignes), (QList<QByteArray>{"4000", "0", "600", "-850", "0"}));
    // Every exchange ran whole: no wait was ended early by a stray byte, none timed out.
    for (int i = lignes.indexOf("defp a"); i >= 0; i = lignes.indexOf("defp a", i + 1)) {
        QCOMPARE(lignes.value(i + 1), QByteArray("teach a"));
        for (int j = 2; j <= 6; ++j) {
            bool nombre = false;
            lignes.value(i + j).toInt(&nombre);
            QVERIFY2(nombre, lignes.value(i + j).constData());
        }
        QCOMPARE(lignes.value(i + 7), QByteArray("move a"));
    }
    QCOMPARE(f.liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    QTRY_COMPARE(banc.sim.etat().position.X, 4000);
    QCOMPARE(banc.sim.etat().position.Z, 600);
    // Once the noise stops, the next listing reads the arm exactly: the link is still in step.
    banc.sim.setBruit(false);
    QTRY_COMPARE(positionRobot.X.load(), 4000);
    QTRY_COMPARE(positionRobot.Z.load(), 600);
    QVERIFY(banc.repondeur.boites.isEmpty());
}

void TestDefaillances::erreurApresChaqueCommande()
{
    QTemporaryDir dossier;
    const QString lien = dossier.filePath("controleur");
    ControleurPty controleur(lien);
    QVERIFY(controleur.valide());
    RepondeurBoites repondeur;
    ConfigurationZelvor cfg;
    cfg.port = lien;
    cfg.gant = "virtual";
    cfg.bornes = bornesCourtes();
    GLObjectWindow f(nullptr, nullptr, cfg);
    QCOMPARE(f.statutDemarrage(), 0);
    QTRY_COMPARE(positionRobot.X.load(), 3162);

    controleur.repondreParErreur(true);
    const int debut = controleur.lignes().size();
    f.AxeXSlider->setValue(2000);
    // Each refusal is read through its prompt, so the exchange goes on line after line and the
    // listings keep coming; the operator is not interrupted.
    QTRY_COMPARE(dernierePose(controleur.lignes().mid(debut)),
                 (QList<QByteArray>{"2000", "0", "2450", "-850", "0"}));
    QTRY_VERIFY(controleur.lignes().mid(debut).count("listpv a") >= 2);
    const QList<QByteArray> apres = controleur.lignes().mid(debut);
    const int pose = apres.indexOf("defp a");
    QVERIFY(pose >= 0);
    QCOMPARE(apres.value(pose + 7), QByteArray("move a"));
    QCOMPARE(positionRobot.X.load(), 3162); // an answer without letters keeps the last values
    QCOMPARE(f.liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    QVERIFY(repondeur.boites.isEmpty());

    controleur.repondreParErreur(false);
    f.AxeXSlider->setValue(2500);
    QTRY_COMPARE(positionRobot.X.load(), 2500);
}

void TestDefaillances::controleurMuetDesLeDemarrage()
{
    const BornesLiaison bornes = bornesCourtes();
    SimulateurPty sim;
    QVERIFY(sim.demarrer(BancFenetre::rapide()));
    sim.setSilencieux(true);
    RepondeurBoites repondeur;
    ConfigurationZelvor cfg;
    cfg.port = sim.peripherique();
    cfg.gant = "virtual";
    cfg.bornes = bornes;
    QElapsedTimer chrono;
    chrono.start();
    GLObjectWindow f(nullptr, nullptr, cfg);
    const qint64 demarrage = chrono.elapsed();
    QCOMPARE(f.statutDemarrage(), 0);
    // Start-up gives up after one bounded wait instead of hanging on the silent line.
    QVERIFY2(demarrage < bornes.echangeMs + 1000, qPrintable(QString::number(demarrage)));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));

    QTRY_COMPARE_WITH_TIMEOUT(repondeur.boites.size(), 1, 3000);
    QCOMPARE(repondeur.boites[0].titre, QString("Liaison avec le robot interrompue"));
    QCOMPARE(repondeur.boites[0].texte, kTexteSilence.arg(sim.peripherique()));
    QTest::qWait(600); // listings and the start pose keep failing: still one box
    QCOMPARE(repondeur.boites.size(), 1);

    // The controller wakes up: the start pose, never taught so far, reaches it, and the listing
    // of the point gives it back.
    const int reveil = sim.transcript().size();
    sim.setSilencieux(false);
    QTRY_COMPARE_WITH_TIMEOUT(positionRobot.X.load(), 3162, 5000);
    QCOMPARE(positionRobot.Z.load(), 2450);
    QCOMPARE(dernierePose(enMinuscules(sim.transcript().mid(reveil))),
             (QList<QByteArray>{"3162", "0", "2450", "-850", "0"}));
    QCOMPARE(repondeur.boites.size(), 1);
}

void TestDefaillances::controleurMuetEnModeGant()
{
    const BornesLiaison bornes = bornesCourtes();
    BancFenetre banc;
    QVERIFY(banc.demarrer("virtual", BancFenetre::rapide(), bornes));
    GLObjectWindow& f = *banc.fenetre;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    attendreCalme(banc);
    f.Lancer();
    banc.gant()->definirPosition(100, 200, -100);
    QTRY_COMPARE(dernierePose(banc.commandes()),
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
    QVERIFY2(sonde.ecartMax() < 2 * (bornes.echangeMs + bornes.sondageMs) + 500,
             qPrintable(QString::number(sonde.ecartMax())));
    QVERIFY(f.timer->isActive());

    const int reveil = banc.sim.transcript().size();
    banc.sim.setSilencieux(false);
    // The hand's last place, reached during the silence, is the pose the controller gets.
    QTRY_COMPARE_WITH_TIMEOUT(dernierePose(enMinuscules(banc.sim.transcript().mid(reveil))),
                              (QList<QByteArray>{"2302", "-900", "4410", "-850", "0"}), 5000);
    QTRY_COMPARE(positionRobot.X.load(), 2302);
}

void TestDefaillances::raccrochageEnPleinEchange()
{
    QTemporaryDir dossier;
    const QString lien = dossier.filePath("controleur");
    auto controleur = std::make_unique<ControleurPty>(lien);
    QVERIFY(controleur->valide());
    SimulateurPty retour; // the device that comes back under the same name
    RepondeurBoites repondeur;
    ConfigurationZelvor cfg;
    cfg.port = lien;
    cfg.gant = "virtual";
    cfg.bornes = bornesCourtes();
    GLObjectWindow f(nullptr, nullptr, cfg);
    QCOMPARE(f.statutDemarrage(), 0);
    QTRY_COMPARE(positionRobot.X.load(), 3162);

    controleur->raccrocherSur("teach a");
    f.AxeXSlider->setValue(3000);
    QTRY_VERIFY(controleur->raccroche());
    QElapsedTimer chrono;
    chrono.start();
    QTRY_COMPARE_WITH_TIMEOUT(repondeur.boites.size(), 1, 2000);
    QCOMPARE(repondeur.boites[0].texte,
             QString("Le port %1 a été fermé ou débranché.\nCode erreur : E0006").arg(lien));
    QVERIFY2(chrono.elapsed() < 1000, qPrintable(QString::number(chrono.elapsed())));
    controleur.reset();

    OptionsSimulateur options = BancFenetre::rapide();
    options.lien = lien;
    QVERIFY(retour.demarrer(options));
    // The pose cut off in the middle is sent again, whole, to the controller that came back.
    QTRY_COMPARE_WITH_TIMEOUT(positionRobot.X.load(), 3000, 5000);
    QCOMPARE(dernierePose(enMinuscules(retour.transcript())),
             (QList<QByteArray>{"3000", "0", "2450", "-850", "0"}));
    QCOMPARE(f.liaisonSerie()->derniereIssue(), IssueAttente::Recu);
    QCOMPARE(repondeur.boites.size(), 1);
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
    OptionsSimulateur options;
    options.baud = 0;
    SimulateurPty sim;
    QVERIFY(sim.demarrer(options));
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
    // The port was released on the way out.
    LiaisonSerie suivant(sim.peripherique());
    QCOMPARE(suivant.Ouvrir(), 1);
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
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
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
