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

// Runs the program without a display, `environnement` ("NAME=value") added.
Resultat lancer(const QStringList& arguments, const QStringList& environnement)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("WAYLAND_DISPLAY");
    env.remove("DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    for (const QString& v : environnement)
        env.insert(v.section('=', 0, 0), v.section('=', 1));
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

// Whether the process catches SIGTERM: its handlers are in place.
bool attrapeSigterm(qint64 pid)
{
    const QByteArray etat = contenu(QStringLiteral("/proc/%1/status").arg(pid));
    const qsizetype i = etat.indexOf("SigCgt:");
    return i >= 0 && (etat.mid(i + 7, 17).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
}

} // namespace

class TestProgramme : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void ligneDeCommande_data();
    void ligneDeCommande();
    void fins_data();
    void fins();
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
    // No display unless the row gives one: the command line is answered without it.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environnement");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("message");
    const QStringList absent{"--port", "/dev/zelvor-absent"};
    const QString rejeu = "replay:" + m_dossier.path();
    QTest::newRow("aide") << QStringList{"--help"} << QStringList() << 0 << "--langue <fr|en>";
    QTest::newRow("version") << QStringList{"--version"} << QStringList() << 0 << "zelvor 1.1";
    QTest::newRow("option inconnue")
        << QStringList{"--bogus"} << QStringList() << 2 << "zelvor: Unknown option 'bogus'.";
    QTest::newRow("source de gant inconnue")
        << absent + QStringList{"--glove", "telepathy"} << QStringList() << 2 << "telepathy";
    QTest::newRow("fichier de rejeu absent")
        << absent + QStringList{"--glove", "replay:/nonexistent/trajet.txt"} << QStringList() << 2
        << "/nonexistent/trajet.txt";
    QTest::newRow("rejeu d'une FIFO") << QStringList{"--glove", rejeu + "/fifo"} << QStringList()
                                      << 2 << "fifo: pas un fichier ordinaire";
    QTest::newRow("rejeu trop volumineux")
        << QStringList{"--glove", rejeu + "/enorme"} << QStringList() << 2 << "trop volumineux";
    QTest::newRow("rejeu absent en simulation")
        << QStringList{"--simulate", "--glove", "replay:/nonexistent/trajet.txt"} << QStringList()
        << 2 << "/nonexistent/trajet.txt";
    QTest::newRow("enregistrement sans dossier")
        << QStringList{"--glove-record", "/nonexistent/trajet.txt"} << QStringList() << 2
        << "zelvor: --glove-record /nonexistent/trajet.txt: ";
    QTest::newRow("enregistrement vers un dossier")
        << QStringList{"--glove-record", m_dossier.path()} << QStringList() << 2
        << "not a regular file";
    QTest::newRow("port et simulation")
        << QStringList{"--simulate", "--port", "/dev/ttyUSB0"} << QStringList() << 2
        << "zelvor: --simulate and --port exclude each other";
    QTest::newRow("transcript sans simulation")
        << absent + QStringList{"--sim-transcript", "/tmp/t"} << QStringList() << 2
        << "zelvor: --sim-transcript needs --simulate";
    QTest::newRow("langue inconnue")
        << QStringList{"--langue", "de"} << QStringList() << 2 << "--langue";
    QTest::newRow("sans affichage") << absent << QStringList() << 1 << "zelvor: no display (";
    QTest::newRow("affichage muet") << absent << QStringList{"DISPLAY=:7391"} << 1
                                    << "zelvor: no display (could not connect to display :7391)";
    // The minimal platform has no OpenGL: the program must say so before touching the port.
    QTest::newRow("sans OpenGL") << absent << QStringList{"QT_QPA_PLATFORM=minimal"} << 255
                                 << "This system has no OpenGL support. Exiting.";
}

void TestProgramme::ligneDeCommande()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environnement);
    QFETCH(int, statut);
    QFETCH(QString, message);
    const Resultat r = lancer(arguments, environnement);
    QCOMPARE(r.statut, statut);
    const QByteArray texte = statut == 0 ? r.sortie : r.erreur;
    QVERIFY2(texte.contains(message.toUtf8()), texte.constData());
    // One line and nothing else: no abort's report, no simulated controller behind it.
    if (statut == 1 || statut == 2)
        QVERIFY2(r.erreur.count('\n') == 1 && !r.sortie.contains("/dev/pts/"),
                 r.erreur.constData());
}

void TestProgramme::fins_data()
{
    // "PTY" stands for the simulated controller's device. `moment`: the controller received
    // that many lines; 0: the program catches signals; -1: it idles in front of its start-up
    // box. `cause`: a signal, or 0 for the end of the X server under the program.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("silenceApres");
    QTest::addColumn<int>("moment");
    QTest::addColumn<int>("cause");
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
    QTest::newRow("affichage perdu en marche") << virtuel << -1 << 19 << 0 << 1;
    QTest::newRow("affichage perdu en simulation")
        << QStringList{"--simulate", "--sim-transcript", "TRANSCRIPT"} << -1 << 19 << 0 << 1;
}

void TestProgramme::fins()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, silenceApres);
    QFETCH(int, moment);
    QFETCH(int, cause);
    QFETCH(int, statut);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess serveurX;
    if (cause == 0) {
        serveurX.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        QVERIFY(serveurX.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(serveurX.canReadLine(), 10000);
        env.insert("DISPLAY", ":" + QString::fromLatin1(serveurX.readLine()).trimmed());
        env.insert("QT_QPA_PLATFORM", "xcb");
    }
    SimulateurPty sim;
    OptionsSimulateur options;
    options.baud = 0;
    options.silenceApres = silenceApres;
    QVERIFY(sim.demarrer(options));
    const QString transcript = m_dossier.filePath("transcript-fin");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(ZELVOR_BINAIRE, arguments.replaceInStrings("PTY", sim.peripherique())
                                .replaceInStrings("TRANSCRIPT", transcript));
    QVERIFY(p.waitForStarted());
    if (moment == 0)
        QTRY_VERIFY(attrapeSigterm(p.processId()));
    else if (moment < 0)
        QVERIFY(attendreRepos(p.processId()));
    else // both workers at work on the line, the simulator's own or ours
        QTRY_VERIFY_WITH_TIMEOUT(
            contenu(transcript).count("\n") + sim.transcript().size() >= moment, 15000);

    if (cause == 0)
        serveurX.terminate();
    else
        ::kill(static_cast<pid_t>(p.processId()), cause);
    QVERIFY(p.waitForFinished(3000)); // generous: the promise is within 1 s
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), statut);
    QVERIFY(portLibre(sim.peripherique()));
    const QByteArray erreur = p.readAllStandardError();
    if (cause == 0)
        QVERIFY2(erreur.count("zelvor: ") == 1 && erreur.contains("zelvor: display lost ("),
                 erreur.constData());
    // In front of a start-up box the program has not gone on to the line.
    if (moment < 0)
        QVERIFY(sim.transcript().isEmpty());
    QFile::remove(transcript);
    serveurX.waitForFinished(3000);
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
