// The program as a process: command line, display, no OpenGL, signals, the simulation mode.
#include "robot/liaisonserie.h"
#include "sim/simulateurpty.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {
// The whole of a file, empty when it cannot be read.
QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Waits until the process idles, as it does in front of a message box: the processor time it
// has used stays the same for 150 ms.
bool attendreRepos(qint64 pid)
{
    for (qint64 essai = 0, avant = -1; essai < 100; ++essai) {
        QTest::qWait(150);
        const QByteArray stat = contenu(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> champs = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        const qint64 temps = champs.value(11).toLongLong() + champs.value(12).toLongLong();
        if (!stat.isEmpty() && temps == avant)
            return true;
        avant = temps;
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

    QTemporaryDir m_dossier;

private slots:
    void initTestCase()
    {
        QVERIFY(::mkfifo(QFile::encodeName(m_dossier.filePath("fifo")).constData(), 0600) == 0);
        QFile enorme(m_dossier.filePath("enorme"));
        QVERIFY(enorme.open(QIODevice::WriteOnly) && enorme.resize(65 << 20)); // sparse
        QFile mal(m_dossier.filePath("mal"));
        QVERIFY(mal.open(QIODevice::WriteOnly) && mal.write("0 0 0 x 0 0 0 0 0 0 0\n") > 0);
    }

    // `ligne`: the arguments, after the NAME=value that it adds to the environment as a shell
    // would; @ is a folder of the test's. No display unless the row gives one: the command line
    // is answered without it.
    void ligneDeCommande_data()
    {
        QTest::addColumn<QString>("ligne");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QString>("message");
        const auto cas = [](const char* nom, const QString& l, int statut, const char* message) {
            QTest::newRow(nom) << l << statut << QString(message);
        };
        const QString absent = "--port /absent";
        cas("aide", "--help", 0, "--langue <fr|en>");
        cas("version", "--version", 0, "zelvor 1.1");
        cas("option inconnue", "--bogus", 2, "zelvor: Unknown option 'bogus'.");
        cas("source de gant inconnue", "--glove telepathy", 2, "\"telepathy\"");
        cas("osc hors de la boucle", "--glove osc:0.0.0.0:9000", 2, "hors de la boucle locale");
        cas("osc.tcp hors de la boucle", "--glove osc.tcp:0.0.0.0:90", 2, "osc.tcp:0.0.0.0:90@");
        cas("fichier de rejeu absent", "--glove replay:/absent/t", 2, "zelvor: /absent/t: ");
        cas("rejeu d'une FIFO", "--glove replay:@/fifo", 2, "fifo: pas un fichier ordinaire");
        cas("rejeu trop volumineux", "--glove replay:@/enorme", 2, "trop volumineux");
        cas("rejeu malformé", "--simulate --glove replay:@/mal", 2, "/mal:1: position z \"x\"");
        cas("enregistrement sans dossier", "--glove-record /x/t", 2, "--glove-record /x/t: ");
        cas("enregistrement vers un dossier", "--glove-record @", 2, "not a regular file");
        cas("port et simulation", "--simulate --port /x", 2, "--simulate and --port exclude");
        cas("transcript sans simulation", "--sim-transcript t", 2, "needs --simulate");
        cas("langue inconnue", "--langue de", 2, "--langue");
        cas("sans affichage", absent, 1, "zelvor: no display (");
        cas("affichage muet", "DISPLAY=:7391 " + absent, 1, "(could not connect to display :7391)");
        // The minimal platform has no OpenGL: the program must say so before touching the port.
        cas("sans OpenGL", "QT_QPA_PLATFORM=minimal " + absent, 255,
            "This system has no OpenGL support. Exiting.");
    }

    void ligneDeCommande()
    {
        QFETCH(QString, ligne);
        QFETCH(int, statut);
        QFETCH(QString, message);
        QStringList arguments = ligne.replace("@", m_dossier.path()).split(' ');
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("WAYLAND_DISPLAY");
        env.remove("DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        for (const QString& v : arguments.filter("="))
            env.insert(v.section('=', 0, 0), v.section('=', 1));
        arguments.removeIf([](const QString& a) { return a.contains('='); });
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(ZELVOR_BINAIRE, arguments);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, statut);
        const QByteArray sortie = p.readAllStandardOutput(), erreur = p.readAllStandardError();
        QVERIFY2((statut == 0 ? sortie : erreur).contains(message.toUtf8()), erreur.constData());
        // One line and nothing else: no abort's report, no simulated controller behind it.
        if (statut == 1 || statut == 2)
            QVERIFY2(erreur.count('\n') == 1 && !sortie.contains("/dev/pts/"), erreur.constData());
    }

    // `ligne`: PTY stands for the simulated controller's device, TRANSCRIPT for a file where
    // the program's own simulator writes what it receives. `moment`: the controller received
    // that many lines; 0: the program catches signals; -1: it idles in front of its start-up
    // box. `cause`: a signal, or 0 for the end of the X server under the program.
    void fins_data()
    {
        QTest::addColumn<QString>("ligne");
        QTest::addColumn<int>("silenceApres");
        QTest::addColumn<int>("moment");
        QTest::addColumn<int>("cause");
        QTest::addColumn<int>("statut");
        const QString virtuel = "--glove virtual --port PTY";
        const QString simulation = "--simulate --sim-transcript TRANSCRIPT";
        QTest::newRow("SIGTERM dès le départ") << virtuel << -1 << 0 << int(SIGTERM) << 0;
        QTest::newRow("SIGHUP devant E0001") << "--port PTY" << -1 << -1 << int(SIGHUP) << 0;
        QTest::newRow("SIGINT devant E0002")
            << "--glove virtual --port /x" << -1 << -1 << int(SIGINT) << 1;
        QTest::newRow("SIGTERM, contrôleur muet") << virtuel << 0 << 1 << int(SIGTERM) << 0;
        // The 19th line waits for an answer that never comes, 5 s at least by the program's
        // bounds, longer than the test waits for the end.
        QTest::newRow("SIGINT pendant un échange") << virtuel << 18 << 19 << int(SIGINT) << 0;
        QTest::newRow("SIGTERM pendant un échange") << virtuel << 18 << 19 << int(SIGTERM) << 0;
        QTest::newRow("affichage perdu en marche") << virtuel << -1 << 19 << 0 << 1;
        QTest::newRow("SIGTERM en simulation") << simulation << -1 << 19 << int(SIGTERM) << 0;
        QTest::newRow("affichage perdu en simulation") << simulation << -1 << 19 << 0 << 1;
    }

    void fins()
    {
        QFETCH(QString, ligne);
        QFETCH(int, silenceApres);
        QFETCH(int, moment);
        QFETCH(int, cause);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QProcess serveurX;
        if (cause == 0) {
            // A sanitizer build preloads its runtime for the tests; the X server is not built for
            // it.
            QProcessEnvironment pourX = env;
            pourX.remove("LD_PRELOAD"), serveurX.setProcessEnvironment(pourX);
            serveurX.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
            QTRY_VERIFY_WITH_TIMEOUT(serveurX.canReadLine(), 10000);
            env.insert("DISPLAY", ":" + QString::fromLatin1(serveurX.readLine()).trimmed());
            env.insert("QT_QPA_PLATFORM", "xcb");
        }
        SimulateurPty sim;
        OptionsSimulateur options;
        options.silenceApres = silenceApres;
        QVERIFY(sim.demarrer(options));
        const QString transcript = m_dossier.filePath(QTest::currentDataTag());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(ZELVOR_BINAIRE, ligne.split(' ')
                                    .replaceInStrings("PTY", sim.peripherique())
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
        QTEST(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, "statut");
        QCOMPARE(LiaisonSerie(sim.peripherique()).Ouvrir(), 1); // the port was released
        const QByteArray erreur = p.readAllStandardError();
        QVERIFY2(cause ||
                     (erreur.count("zelvor: ") == 1 && erreur.contains("zelvor: display lost (")),
                 erreur.constData());
        // In front of a start-up box the program has not gone on to the line.
        QVERIFY(moment >= 0 || sim.transcript().isEmpty());
        // In simulation its first line names the simulator's device.
        QVERIFY(!ligne.startsWith("--simulate") ||
                QString::fromUtf8(p.readAllStandardOutput())
                    .contains(QRegularExpression("^Contrôleur simulé sur /dev/pts/\\d+\n")));
        serveurX.waitForFinished(3000);
    }
};

QTEST_GUILESS_MAIN(TestProgramme)
#include "test_programme.moc"
