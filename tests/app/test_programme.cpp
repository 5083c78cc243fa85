// The program as a process: command line, no OpenGL, signals, the simulation mode.
#include "sim/simulateurpty.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {
struct Resultat
{
    int statut;
    QByteArray sortie;
    QByteArray erreur;
};

Resultat lancer(const QStringList& arguments, const QString& plateforme = "xcb")
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", plateforme);
    p.setProcessEnvironment(env);
    p.start(ZELVOR_BINAIRE, arguments);
    const bool fini = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit;
    return {fini ? p.exitCode() : -1000, p.readAllStandardOutput(), p.readAllStandardError()};
}

// The program with a virtual glove, on a simulator that falls silent after `silenceApres` lines.
struct SurSimulateur
{
    // True once `lignes` lines reached the controller.
    bool demarrer(int silenceApres, int lignes)
    {
        OptionsSimulateur options;
        options.baud = 0;
        options.silenceApres = silenceApres;
        if (!sim.demarrer(options))
            return false;
        p.start(ZELVOR_BINAIRE, {"--port", sim.peripherique(), "--glove", "virtual"});
        return p.waitForStarted() && sim.attendreLignes(lignes, 10000);
    }
    // How long the program took to end on `signal`, with status 0; -1 if it did not.
    qint64 arreter(int signal)
    {
        QElapsedTimer chrono;
        chrono.start();
        ::kill(static_cast<pid_t>(p.processId()), signal);
        const bool net =
            p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        return net ? chrono.elapsed() : -1;
    }

    SimulateurPty sim;
    QProcess p;
};

// The whole of a file, empty when it cannot be read.
QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestProgramme : public QObject
{
    Q_OBJECT

private slots:
    void ligneDeCommande_data();
    void ligneDeCommande();
    void sansOpenGL();
    void signalPendantUnDemarrageMuet();
    void signalPendantLaMarche();
    void simulationDeboutEnBout();
};

void TestProgramme::ligneDeCommande_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("message");
    QTest::newRow("aide") << QStringList{"--help"} << 0 << "--port <DEVICE>";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "zelvor 1.1";
    QTest::newRow("option inconnue")
        << QStringList{"--bogus"} << 2 << "zelvor: Unknown option 'bogus'.";
    QTest::newRow("source de gant inconnue")
        << QStringList{"--glove", "telepathy", "--port", "/dev/zelvor-absent"} << 2 << "telepathy";
    QTest::newRow("fichier de rejeu absent")
        << QStringList{"--glove", "replay:/nonexistent/trajet.txt", "--port", "/dev/zelvor-absent"}
        << 2 << "/nonexistent/trajet.txt";
    QTest::newRow("rejeu absent en simulation")
        << QStringList{"--simulate", "--glove", "replay:/nonexistent/trajet.txt"} << 2
        << "/nonexistent/trajet.txt";
    QTest::newRow("port et simulation") << QStringList{"--simulate", "--port", "/dev/ttyUSB0"} << 2
                                        << "zelvor: --simulate and --port exclude each other";
    QTest::newRow("transcript sans simulation")
        << QStringList{"--sim-transcript", "/tmp/t", "--port", "/dev/zelvor-absent"} << 2
        << "zelvor: --sim-transcript needs --simulate";
}

void TestProgramme::ligneDeCommande()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, statut);
    QFETCH(QString, message);
    const Resultat r = lancer(arguments);
    QCOMPARE(r.statut, statut);
    const QByteArray texte = statut == 0 ? r.sortie : r.erreur;
    QVERIFY2(texte.contains(message.toUtf8()), texte.constData());
    // One line of ours, and no window, box or simulated controller behind it.
    if (statut != 0)
        QVERIFY(r.erreur.count("zelvor: ") == 1 && !r.sortie.contains("/dev/pts/"));
}

void TestProgramme::sansOpenGL()
{
    // The minimal platform has no OpenGL: the program must say so before touching the port.
    const Resultat r = lancer({"--port", "/dev/zelvor-absent"}, "minimal");
    QCOMPARE(r.statut, 255); // -1
    QVERIFY2(r.erreur.contains("This system has no OpenGL support. Exiting."),
             r.erreur.constData());
}

void TestProgramme::signalPendantUnDemarrageMuet()
{
    SurSimulateur z;
    QVERIFY(z.demarrer(0, 1)); // "open" is out; its answer will never come
    const qint64 duree = z.arreter(SIGTERM);
    QVERIFY2(duree >= 0 && duree < 1000, qPrintable(QString::number(duree)));
}

void TestProgramme::signalPendantLaMarche()
{
    SurSimulateur z;
    QVERIFY(z.demarrer(-1, 19)); // open, two poses, a listing
    QVERIFY(z.arreter(SIGINT) >= 0);
    QTRY_VERIFY(!z.sim.raccroche()); // the port was closed: another program can have it now
}

void TestProgramme::simulationDeboutEnBout()
{
    QTemporaryDir dossier;
    const QString transcript = dossier.filePath("transcript");
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
