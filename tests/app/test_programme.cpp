// The program as a process: command line, display, no OpenGL, signals, the simulation mode,
// files it cannot write.
#include "glove/trajectoire.h"
#include "robot/liaisonserie.h"
#include "sim/simulateurpty.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A property of window `w`: the bytes of a text, the value of a number.
QByteArray propriete(Display* d, Window w, const char* nom)
{
    Atom type = None;
    int format = 0;
    unsigned long n = 0, reste = 0;
    unsigned char* v = nullptr;
    XGetWindowProperty(d, w, XInternAtom(d, nom, False), 0, 256, False, AnyPropertyType, &type,
                       &format, &n, &reste, &v);
    const QByteArray valeur = format == 32 ? QByteArray::number(qint64(*reinterpret_cast<long*>(v)))
                                           : QByteArray(reinterpret_cast<char*>(v), qsizetype(n));
    XFree(v);
    return valeur;
}

// The shown top-level windows of process `pid` titled `titre`, on the test's display.
QList<Window> fenetres(Display* d, qint64 pid, const QByteArray& titre)
{
    Window racine = 0, parent = 0, *enfants = nullptr;
    unsigned int n = 0;
    XQueryTree(d, DefaultRootWindow(d), &racine, &parent, &enfants, &n);
    QList<Window> trouvees;
    for (XWindowAttributes a; n-- > 0;) {
        if (XGetWindowAttributes(d, enfants[n], &a) && a.map_state == IsViewable &&
            propriete(d, enfants[n], "_NET_WM_PID") == QByteArray::number(pid) &&
            propriete(d, enfants[n], "_NET_WM_NAME") == titre)
            trouvees.append(enfants[n]);
    }
    XFree(enfants);
    return trouvees;
}

// A click of the first button at (x, y) in window `w`, as the toolkit receives it.
void cliquer(Display* d, Window w, int x, int y)
{
    for (const int type : {ButtonPress, ButtonRelease}) {
        XEvent e{};
        XButtonEvent& b = e.xbutton;
        b.type = type, b.display = d, b.window = w, b.root = DefaultRootWindow(d);
        b.x = b.x_root = x, b.y = b.y_root = y, b.button = Button1, b.same_screen = True;
        b.state = type == ButtonPress ? 0 : Button1Mask;
        XSendEvent(d, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    }
    XFlush(d);
}

// A replay file of `n` samples `pasMs` apart; the hand's x is the sample's number, so that a
// recording of it shows every sample in order.
QString rejeu(const QString& chemin, int n, int pasMs)
{
    QByteArray texte = "zelvor-gant 1\n";
    for (int i = 0; i < n; ++i)
        texte += QByteArray::number(qint64(i) * pasMs) + ' ' + QByteArray::number(i) +
                 " 0 0 0 0 0 0 0 0 0\n";
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(texte) == texte.size() ? chemin : QString();
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
        cas("option inconnue", "--bogus", 2, "zelvor: Unknown option 'bogus'.");
        cas("source de gant inconnue", "--glove telepathy", 2, "\"telepathy\"");
        cas("osc hors de la boucle", "--glove osc:0.0.0.0:9000", 2, "beyond the loopback");
        cas("osc.tcp hors de la boucle", "--glove osc.tcp:0.0.0.0:90", 2, "osc.tcp:0.0.0.0:90@");
        cas("fichier de rejeu absent", "--glove replay:/absent/t", 2, "zelvor: /absent/t: ");
        cas("rejeu d'une FIFO", "--glove replay:@/fifo", 2, "fifo: not a regular file");
        cas("rejeu trop volumineux", "--glove replay:@/enorme", 2, "file too large");
        cas("rejeu malformé", "--simulate --glove replay:@/mal", 2, "/mal:1: position z \"x\"");
        cas("enregistrement sans dossier", "--glove-record /x/t", 2, "--glove-record /x/t: ");
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
    // the program's own simulator writes what it receives, NET for a TCP server of the test's
    // that never accepts a connection. `moment`: the controller received that many lines; 0:
    // the program catches signals; -1: it idles in front of its start-up box or of the network.
    // `cause`: a signal, or 0 for the end of the X server under the program.
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
        QTest::newRow("SIGTERM pendant un échange") << virtuel << 18 << 19 << int(SIGTERM) << 0;
        QTest::newRow("affichage perdu en marche") << virtuel << -1 << 19 << 0 << 1;
        QTest::newRow("affichage perdu en simulation") << simulation << -1 << 19 << 0 << 1;
        // The port opens on the robot side, the window is up at once: a signal in the middle of
        // a connection or of its negotiation ends the program at once, as "Quitter" does.
        QTest::newRow("SIGTERM, connexion en suspens")
            << "--glove virtual --port socket://NET" << -1 << -1 << int(SIGTERM) << 0;
        QTest::newRow("SIGTERM, réglages jamais confirmés")
            << "--glove virtual --port rfc2217://NET" << -1 << -1 << int(SIGTERM) << 0;
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
            serveurX.start("env",
                           {"-u", "LD_PRELOAD", "Xvfb", "-displayfd", "1", "-nolisten", "tcp"});
            QTRY_VERIFY_WITH_TIMEOUT(serveurX.canReadLine(), 10000);
            env.insert("DISPLAY", ":" + QString::fromLatin1(serveurX.readLine()).trimmed());
            env.insert("QT_QPA_PLATFORM", "xcb");
        }
        const int ecoute = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in adresse{};
        adresse.sin_family = AF_INET;
        adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t taille = sizeof adresse;
        QVERIFY(::bind(ecoute, reinterpret_cast<sockaddr*>(&adresse), taille) == 0);
        QVERIFY(::listen(ecoute, 0) == 0);
        QVERIFY(::getsockname(ecoute, reinterpret_cast<sockaddr*>(&adresse), &taille) == 0);
        // Its queue filled: a new connection hangs. The negotiation row leaves room for one, which
        // then never hears a word.
        QList<int> prises{ecoute};
        for (int i = 0; ligne.contains("socket:") && i < 4; ++i) {
            prises << ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(prises.last(), reinterpret_cast<sockaddr*>(&adresse), taille);
        }
        SimulateurPty sim;
        OptionsSimulateur options;
        options.silenceApres = silenceApres;
        QVERIFY(sim.demarrer(options));
        const QString transcript = m_dossier.filePath(QTest::currentDataTag());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(ZELVOR_BINAIRE,
                ligne.split(' ')
                    .replaceInStrings("PTY", sim.peripherique())
                    .replaceInStrings("TRANSCRIPT", transcript)
                    .replaceInStrings("NET", QString("127.0.0.1:%1").arg(ntohs(adresse.sin_port))));
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
        // Generous, the promise is within 1 s; shorter than the network's 3 s waits.
        QVERIFY(p.waitForFinished(2000));
        QTEST(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, "statut");
        for (int c : prises)
            ::close(c);
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
                    .contains(QRegularExpression("^Simulated controller on /dev/pts/\\d+\n")));
        serveurX.waitForFinished(3000);
    }

    // `ligne`: the arguments; PTY is the controller's device, FILE the file written, REPLAY a
    // replay of 20 000 samples 1 ms apart, MASS one of 2 000 000 all at time 0; a recording is
    // started with "Lancer". `limite`: the process's file-size limit in bytes, a full disk as the
    // writes see it; 0: none; -1: its standard error is a pipe whose reader has gone; -2: it is
    // closed. `message`: what the standard error says once; empty without a limit.
    void ecrituresPerdues_data()
    {
        QTest::addColumn<QString>("ligne");
        QTest::addColumn<int>("limite");
        QTest::addColumn<QString>("message");
        const QString base = "--port PTY --glove replay:REPLAY ";
        QTest::newRow("trace sur disque plein")
            << base + "--trace FILE" << 1500 << "zelvor: --trace FILE: File too large";
        QTest::newRow("enregistrement sur disque plein")
            << base + "--glove-record FILE" << 3000 << "zelvor: --glove-record FILE: File";
        QTest::newRow("trace - dans un tube sans lecteur") << base + "--trace -" << -1 << "";
        QTest::newRow("erreur standard fermée") << base + "--trace -" << -2 << "";
        // Then SIGTERM as the samples pour in.
        QTest::newRow("SIGTERM pendant un rejeu massif enregistré")
            << "--port PTY --glove replay:MASS --glove-record FILE" << 0 << "";
    }

    void ecrituresPerdues()
    {
        QFETCH(QString, ligne);
        QFETCH(int, limite);
        QFETCH(QString, message);
        const QString fichier = m_dossier.filePath(QString::number(qHash(ligne + message)));
        const bool enregistrement = ligne.contains("record"), masse = ligne.contains("MASS");
        SimulateurPty sim;
        QVERIFY(sim.demarrer({}));
        ligne.replace("PTY", sim.peripherique()).replace("FILE", fichier);
        ligne.replace(masse ? "MASS" : "REPLAY",
                      masse ? rejeu(fichier + "r", 2000000, 0) : rejeu(fichier + "r", 20000, 1));
        QProcess p;
        p.setChildProcessModifier([limite] {
            const rlimit r{rlim_t(limite), rlim_t(limite)};
            int tube[2];
            if (limite > 0)
                ::setrlimit(RLIMIT_FSIZE, &r);
            if (limite == -1 && ::pipe(tube) == 0)
                ::dup2(tube[1], STDERR_FILENO), ::close(tube[0]);
            if (limite == -2)
                ::close(STDERR_FILENO);
        });
        p.start(ZELVOR_BINAIRE, ligne.split(' '));
        const std::unique_ptr<Display, int (*)(Display*)> x(XOpenDisplay(nullptr), XCloseDisplay);
        Display* d = x.get();
        const qint64 pid = p.processId();
        QTRY_VERIFY2_WITH_TIMEOUT(!fenetres(d, pid, "ZELVOR").isEmpty(), p.readAllStandardError(),
                                  15000);
        if (enregistrement) // "Lancer": its group box, its frame, its place, its middle
            cliquer(d, fenetres(d, pid, "ZELVOR").first(), 451 + 19 + 170 + 35, -1 + 450 + 15 + 15);
        QTRY_VERIFY(!masse || QFileInfo(fichier).size() > 1000);
        if (!masse) {
            // A failure shows its box, which does not keep the link from going on.
            const int boites = limite == -2 ? 0 : 1;
            QTRY_COMPARE_WITH_TIMEOUT(fenetres(d, pid, "Écriture impossible").size(), boites,
                                      10000);
            const qsizetype avant = sim.transcript().size();
            QTRY_VERIFY_WITH_TIMEOUT(sim.transcript().size() > avant + 2, 5000);
            QCOMPARE(fenetres(d, pid, "Écriture impossible").size(), boites);
            // Not the next file opened, which would take its number.
            QVERIFY(limite != -2 ||
                    QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/2").arg(pid)) == "/dev/null");
        }
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        QVERIFY(p.waitForFinished(3000)); // generous: the promise is within 1 s
        QCOMPARE(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, 0);
        const QByteArray erreur = p.readAllStandardError(), ecrit = contenu(fichier);
        QVERIFY2(message.isEmpty() || (erreur.count("zelvor: ") == 1 &&
                                       erreur.contains(message.replace("FILE", fichier).toUtf8())),
                 erreur.constData());
        // Whole lines, up to the limit.
        QVERIFY(limite <= 0 ||
                (ecrit.endsWith('\n') && ecrit.size() <= limite && ecrit.size() > limite - 300));
        // The recording replays, every sample in order from the first: consecutive x.
        std::vector<EchantillonGant> lus;
        QString pourquoi;
        QVERIFY2(!enregistrement || (chargerTrajectoire(fichier, &lus, &pourquoi) &&
                                     lus.size() > 1 && lus[0].etat.x <= 1.0f),
                 qPrintable(pourquoi));
        for (std::size_t i = 1; i < lus.size(); ++i)
            QCOMPARE(lus[i].etat.x, lus[0].etat.x + float(i));
    }
};

QTEST_GUILESS_MAIN(TestProgramme)
#include "test_programme.moc"
