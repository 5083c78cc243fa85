// The program as a process: command line, no OpenGL, signals.
#include "sim/simulateurpty.h"

#include <QElapsedTimer>
#include <QProcess>
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
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return {-1000, {}, {}};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2000,
            p.readAllStandardOutput(), p.readAllStandardError()};
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
    if (statut != 0) // one line of ours, and no window or box behind it
        QCOMPARE(r.erreur.count("zelvor: "), 1);
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
    OptionsSimulateur options;
    options.baud = 0;
    options.silenceApres = 0;
    SimulateurPty sim;
    QVERIFY(sim.demarrer(options));
    QProcess p;
    p.start(ZELVOR_BINAIRE, {"--port", sim.peripherique(), "--glove", "virtual"});
    QVERIFY(p.waitForStarted());
    QVERIFY(sim.attendreLignes(1, 10000)); // "open" is out; its answer will never come
    QElapsedTimer chrono;
    chrono.start();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(5000));
    QVERIFY2(chrono.elapsed() < 1000, qPrintable(QString::number(chrono.elapsed())));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

void TestProgramme::signalPendantLaMarche()
{
    OptionsSimulateur options;
    options.baud = 0;
    SimulateurPty sim;
    QVERIFY(sim.demarrer(options));
    QProcess p;
    p.start(ZELVOR_BINAIRE, {"--port", sim.peripherique(), "--glove", "virtual"});
    QVERIFY(p.waitForStarted());
    QVERIFY(sim.attendreLignes(19, 10000)); // open, two poses, a listing
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    // The port was closed: another program can have it now.
    QTRY_VERIFY(!sim.raccroche());
}

QTEST_GUILESS_MAIN(TestProgramme)
#include "test_programme.moc"
