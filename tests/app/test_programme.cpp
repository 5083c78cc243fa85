// The program as a process: command line, display, no OpenGL, signals, the simulation mode.
#include "sim/simulateurpty.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Resultat
{
    int statut;
    QByteArray sortie;
    QByteArray erreur;
};

// Runs the program on the X display `affichage` ("" for none) with the platform `plateforme`.
Resultat lancer(const QStringList& arguments, const QString& affichage,
                const QString& plateforme = "xcb")
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", plateforme);
    env.remove("WAYLAND_DISPLAY");
    env.remove("DISPLAY");
    if (!affichage.isEmpty())
        env.insert("DISPLAY", affichage);
    p.setProcessEnvironment(env);
    p.start(ZELVOR_BINAIRE, arguments);
    const bool fini = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit;
    return {fini ? p.exitCode() : -1000, p.readAllStandardOutput(), p.readAllStandardError()};
}

// The whole of a file, empty when it cannot be read.
QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether another program could take the port now, as the program itself takes it.
bool portLibre(const QString& peripherique)
{
    const int fd =
        ::open(QFile::encodeName(peripherique).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool libre = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0)
        ::close(fd);
    return libre;
}

// Processor time the process has used so far, in clock ticks.
qint64 tempsProcesseur(qint64 pid)
{
    const QByteArray stat = contenu(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> champs = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return champs.size() > 12 ? champs[11].toLongLong() + champs[12].toLongLong() : -1;
}

// Waits until the process idles, as it does in front of a message box.
bool attendreRepos(qint64 pid)
{
    for (int essai = 0; essai < 100; ++essai) {
        const qint64 avant = tempsProcesseur(pid);
        QTest::qWait(150);
        if (avant >= 0 && tempsProcesseur(pid) == avant)
            return true;
    }
    return false;
}

// Waits until the process catches SIGTERM: its handlers are in place.
bool attendreGestionnaires(qint64 pid)
{
    for (int essai = 0; essai < 500; ++essai) {
        const QByteArray etat = contenu(QStringLiteral("/proc/%1/status").arg(pid));
        const int i = etat.indexOf("SigCgt:");
        if (i >= 0 && (etat.mid(i + 7, 17).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1)
            return true;
        QTest::qWait(2);
    }
    return false;
}

} // namespace

class TestProgramme : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void ligneDeCommande_data();
    void ligneDeCommande();
    void sansOpenGL();
    void signaux_data();
    void signaux();
    void affichagePerdu_data();
    void affichagePerdu();
    void simulationDeboutEnBout();

private:
    QTemporaryDir m_dossier;
};

void TestProgramme::initTestCase()
{
    QVERIFY(::mkfifo(QFile::encodeName(m_dossier.filePath("fifo")).constData(), 0600) == 0);
    QFile enorme(m_dossier.filePath("enorme"));
    QVERIFY(enorme.open(QIODevice::WriteOnly) && enorme.resize(65 << 20)); // sparse
}

void TestProgramme::ligneDeCommande_data()
{
    // No display in any row: the command line is answered without one.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("affichage");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("message");
    const QString absent = "/dev/zelvor-absent";
    const QString rejeu = "replay:" + m_dossier.path();
    QTest::newRow("aide") << QStringList{"--help"} << "" << 0 << "--langue <fr|en>";
    QTest::newRow("version") << QStringList{"--version"} << "" << 0 << "zelvor 1.1";
    QTest::newRow("option inconnue")
        << QStringList{"--bogus"} << "" << 2 << "zelvor: Unknown option 'bogus'.";
    QTest::newRow("source de gant inconnue")
        << QStringList{"--glove", "telepathy", "--port", absent} << "" << 2 << "telepathy";
    QTest::newRow("fichier de rejeu absent")
        << QStringList{"--glove", "replay:/nonexistent/trajet.txt", "--port", absent} << "" << 2
        << "/nonexistent/trajet.txt";
    QTest::newRow("rejeu d'une FIFO")
        << QStringList{"--glove", rejeu + "/fifo"} << "" << 2 << "fifo: pas un fichier ordinaire";
    QTest::newRow("rejeu trop volumineux")
        << QStringList{"--glove", rejeu + "/enorme"} << "" << 2 << "trop volumineux";
    QTest::newRow("rejeu absent en simulation")
        << QStringList{"--simulate", "--glove", "replay:/nonexistent/trajet.txt"} << "" << 2
        << "/nonexistent/trajet.txt";
    QTest::newRow("enregistrement sans dossier")
        << QStringList{"--glove-record", "/nonexistent/trajet.txt"} << "" << 2
        << "zelvor: --glove-record /nonexistent/trajet.txt: ";
    QTest::newRow("enregistrement vers un dossier")
        << QStringList{"--glove-record", m_dossier.path()} << "" << 2 << "not a regular file";
    QTest::newRow("port et simulation") << QStringList{"--simulate", "--port", "/dev/ttyUSB0"} << ""
                                        << 2 << "zelvor: --simulate and --port exclude each other";
    QTest::newRow("transcript sans simulation")
        << QStringList{"--sim-transcript", "/tmp/t", "--port", absent} << "" << 2
        << "zelvor: --sim-transcript needs --simulate";
    QTest::newRow("langue inconnue") << QStringList{"--langue", "de"} << "" << 2 << "--langue";
    QTest::newRow("sans affichage")
        << QStringList{"--port", absent} << "" << 1 << "zelvor: no display (";
    QTest::newRow("affichage muet") << QStringList{"--port", absent} << ":7391" << 1
                                    << "zelvor: no display (could not connect to display :7391)";
}

void TestProgramme::ligneDeCommande()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, affichage);
    QFETCH(int, statut);
    QFETCH(QString, message);
    const Resultat r = lancer(arguments, affichage);
    QCOMPARE(r.statut, statut);
    const QByteArray texte = statut == 0 ? r.sortie : r.erreur;
    QVERIFY2(texte.contains(message.toUtf8()), texte.constData());
    // One line and nothing else: no abort's report, no simulated controller behind it.
    if (statut != 0)
        QVERIFY2(r.erreur.count('\n') == 1 && !r.sortie.contains("/dev/pts/"),
                 r.erreur.constData());
}

void TestProgramme::sansOpenGL()
{
    // The minimal platform has no OpenGL: the program must say so before touching the port.
    const Resultat r = lancer({"--port", "/dev/zelvor-absent"}, "", "minimal");
    QCOMPARE(r.statut, 255); // -1
    QVERIFY2(r.erreur.contains("This system has no OpenGL support. Exiting."),
             r.erreur.constData());
}

void TestProgramme::signaux_data()
{
    // "PTY" stands for the simulated controller's device. `lignes`: the signal goes once the
    // controller received that many lines; 0 as soon as the program catches signals; -1 once it
    // idles in front of its start-up box.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("silenceApres");
    QTest::addColumn<int>("lignes");
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("statut");
    const QStringList virtuel{"--port", "PTY", "--glove", "virtual"};
    QTest::newRow("SIGTERM dès le départ") << virtuel << -1 << 0 << int(SIGTERM) << 0;
    QTest::newRow("SIGHUP devant E0001")
        << QStringList{"--port", "PTY"} << -1 << -1 << int(SIGHUP) << 0;
    QTest::newRow("SIGINT devant E0002")
        << QStringList{"--port", "/dev/zelvor-absent", "--glove", "virtual"} << -1 << -1
        << int(SIGINT) << 1;
    QTest::newRow("SIGTERM, contrôleur muet") << virtuel << 0 << 1 << int(SIGTERM) << 0;
    QTest::newRow("SIGINT en marche") << virtuel << -1 << 19 << int(SIGINT) << 0;
}

void TestProgramme::signaux()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, silenceApres);
    QFETCH(int, lignes);
    QFETCH(int, signal);
    QFETCH(int, statut);
    SimulateurPty sim;
    OptionsSimulateur options;
    options.baud = 0;
    options.silenceApres = silenceApres;
    QVERIFY(sim.demarrer(options));
    QProcess p;
    p.start(ZELVOR_BINAIRE, arguments.replaceInStrings("PTY", sim.peripherique()));
    QVERIFY(p.waitForStarted());
    if (lignes > 0)
        QVERIFY(sim.attendreLignes(lignes, 10000));
    else
        QVERIFY(lignes == 0 ? attendreGestionnaires(p.processId()) : attendreRepos(p.processId()));

    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY(p.waitForFinished(3000)); // generous: the promise is within 1 s
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), statut);
    QVERIFY(portLibre(sim.peripherique()));
    // In front of a start-up box the program has not gone on to the line.
    if (lignes < 0)
        QVERIFY(sim.transcript().isEmpty());
}

void TestProgramme::affichagePerdu_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("simulation") << QStringList{"--simulate"};
    QTest::newRow("port") << QStringList{"--port", "PTY", "--glove", "virtual"};
}

void TestProgramme::affichagePerdu()
{
    QFETCH(QStringList, arguments);
    QProcess serveurX;
    serveurX.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
    if (!serveurX.waitForStarted())
        QSKIP("Xvfb is not installed");
    QTRY_VERIFY_WITH_TIMEOUT(serveurX.canReadLine(), 10000);
    const QString affichage = ":" + QString::fromLatin1(serveurX.readLine()).trimmed();

    SimulateurPty sim;
    OptionsSimulateur options;
    options.baud = 0;
    QVERIFY(sim.demarrer(options));
    const QString transcript = m_dossier.filePath("transcript-" + QString(QTest::currentDataTag()));
    arguments.replaceInStrings("PTY", sim.peripherique());
    if (arguments.contains("--simulate"))
        arguments << "--sim-transcript" << transcript;
    QProcess zelvor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", affichage);
    env.insert("QT_QPA_PLATFORM", "xcb");
    zelvor.setProcessEnvironment(env);
    zelvor.start(ZELVOR_BINAIRE, arguments);
    // Running: both workers at work on the line.
    QTRY_VERIFY_WITH_TIMEOUT(contenu(transcript).toLower().count("listpv a") >= 1 ||
                                 sim.transcript().size() >= 19,
                             15000);

    serveurX.terminate();
    QVERIFY(zelvor.waitForFinished(3000)); // generous: the promise is within 1 s
    QCOMPARE(zelvor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zelvor.exitCode(), 1);
    const QByteArray erreur = zelvor.readAllStandardError();
    QVERIFY2(erreur.count("zelvor: ") == 1 && erreur.contains("zelvor: display lost ("),
             erreur.constData());
    QVERIFY(portLibre(sim.peripherique()));
}

void TestProgramme::simulationDeboutEnBout()
{
    const QString transcript = m_dossier.filePath("transcript");
    QProcess zelvor;
    zelvor.start(ZELVOR_BINAIRE, {"--simulate", "--sim-transcript", transcript});
    QVERIFY(zelvor.waitForStarted());

    QTRY_VERIFY_WITH_TIMEOUT(zelvor.canReadLine(), 10000);
    const QString ligne = QString::fromUtf8(zelvor.readLine()).trimmed();
    const auto trouve = QRegularExpression("^Contrôleur simulé sur (/dev/pts/\\d+)$").match(ligne);
    QVERIFY2(trouve.hasMatch(), qPrintable(ligne));
    const QString peripherique = trouve.captured(1);
    QVERIFY(QFile::exists(peripherique));

    // Two listings: the first was answered, at the pace of a real line, or no second would come.
    QTRY_VERIFY_WITH_TIMEOUT(contenu(transcript).toLower().count("listpv a") >= 2, 15000);
    const QByteArray debut = contenu(transcript).toLower();
    QVERIFY2(debut.indexOf("open") < debut.indexOf("defp a"), debut.constData());
    QVERIFY(debut.contains("teach a"));

    // The processes it started: the children of its main thread, where ours are made.
    const QList<QByteArray> sesEnfants =
        contenu(QStringLiteral("/proc/%1/task/%1/children").arg(zelvor.processId())).split(' ');
    ::kill(static_cast<pid_t>(zelvor.processId()), SIGTERM);
    QVERIFY(zelvor.waitForFinished(10000));
    QCOMPARE(zelvor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zelvor.exitCode(), 0);
    QTRY_VERIFY(!QFile::exists(peripherique));
    for (const QByteArray& enfant : sesEnfants)
        QVERIFY2(enfant.trimmed().isEmpty() || !QFile::exists("/proc/" + enfant.trimmed()),
                 "a child outlived zelvor");
}

QTEST_GUILESS_MAIN(TestProgramme)
#include "test_programme.moc"
