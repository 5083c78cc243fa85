// The controller behind a real serial port server (ser2net) on the loopback, in front of the
// simulator's pseudo-terminal: what reaches the controller, what the operator sees, the trace.
#include "../app/bancfenetre.h"
#include "robot/portserie.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const BornesLiaison kBornes{50, 400, 1000, 150, 100};

// A loopback port with a listening socket: while it lives, a server that accepts connections
// (the kernel completes them) and never answers; once gone, a port that refuses them.
struct Ecoute
{
    Ecoute() : fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t taille = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), taille);
        ::listen(fd, 4);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &taille);
        port = ntohs(a.sin_port);
    }
    ~Ecoute() { ::close(fd); }
    int fd;
    int port;
};

// ser2net, with a configuration of its own, serving a device on a free port at the address of
// `url` ("socket://HOST:%1" or "rfc2217://HOST:%1").
struct Ser2net
{
    bool demarrer(const QString& peripherique, const QString& url, const QString& reglage)
    {
        port = port ? port : Ecoute().port;
        const QString hote = url.section("://", 1).section(":%", 0, 0).remove('[').remove(']');
        QFile f(dossier.filePath("ser2net.yaml"));
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("connection: &robot\n  accepter: %1,%2,%3\n"
                               "  connector: serialdev,%4,%5,local\n")
                    .arg(url.startsWith("socket") ? "tcp" : "telnet(rfc2217),tcp", hote)
                    .arg(port)
                    .arg(peripherique, reglage)
                    .toUtf8());
        f.close();
        // A sanitizer build preloads its runtime for the tests; ser2net is not built for it.
        auto environnement = QProcessEnvironment::systemEnvironment();
        environnement.remove("LD_PRELOAD"), processus.setProcessEnvironment(environnement);
        processus.start("ser2net", {"-n", "-u", "-c", f.fileName(), "-P", dossier.filePath("p")});
        const QRegularExpression enEcoute(
            QStringLiteral(":%1 0+:0000 0A").arg(port, 4, 16, QChar('0')).toUpper());
        for (int i = 0; i < 250 && processus.state() != QProcess::NotRunning;
             ++i, QTest::qWait(20)) {
            QFile tcp4("/proc/net/tcp"), tcp6("/proc/net/tcp6");
            tcp4.open(QIODevice::ReadOnly), tcp6.open(QIODevice::ReadOnly);
            if (enEcoute.match(QString::fromLatin1(tcp4.readAll() + tcp6.readAll())).hasMatch())
                return true;
        }
        return false;
    }
    ~Ser2net() { processus.terminate(), processus.waitForFinished(); }
    QTemporaryDir dossier;
    QProcess processus;
    int port = 0;
};

const QList<QByteArray> kDemarrage = {"open", "defp a", "teach a", "3162",  "0",
                                      "2450", "-850",   "0",       "move a"};
} // namespace

class TestReseau : public QObject
{
    Q_OBJECT

private slots:
    void parLeReseau_data()
    {
        QTest::addColumn<QString>("url");     // %1: the port
        QTest::addColumn<QString>("reglage"); // how ser2net sets the line; empty: no ser2net
        QTest::addColumn<QString>("boite");   // the box the operator sees, empty for none
        // A socket at the right settings is the line serveurArreteEtRelance runs on.
        const char* muet =
            "Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : E0005";
        const char* cas[][4] = {
            {"rfc2217, IPv6, server at 19200n81", "rfc2217://[::1]:%1", "19200n81", ""},
            {"socket, server left at 19200n81", "socket://127.0.0.1:%1", "19200n81", muet},
            {"server that never answers", "socket://127.0.0.1:%1", "", muet},
            {"connection refused", "rfc2217://127.0.0.1:%1", "",
             "Impossible d'ouvrir le port %1.\nCode erreur : E0002"},
        };
        for (const auto& c : cas)
            QTest::newRow(c[0]) << QString(c[1]) << QString(c[2]) << QString::fromUtf8(c[3]);
    }

    void parLeReseau()
    {
        QFETCH(QString, url);
        QFETCH(QString, reglage);
        QFETCH(QString, boite);
        BancFenetre banc;
        OptionsSimulateur options = BancFenetre::rapide();
        options.exigerReglage = true;
        QVERIFY(banc.sim.demarrer(options));
        Ser2net serveur;
        auto muet = std::make_unique<Ecoute>();
        if (!reglage.isEmpty())
            QVERIFY(serveur.demarrer(banc.sim.peripherique(), url, reglage));
        url = url.arg(reglage.isEmpty() ? muet->port : serveur.port);
        if (boite.contains("E0002"))
            muet.reset();

        if (boite.isEmpty()) {
            // The program as the user runs it: the start-up sequence, then the position worker's
            // listing, every byte of it in the trace.
            const QString fichier = serveur.dossier.filePath("trace");
            QProcess programme;
            programme.start(ZELVOR_BINAIRE,
                            {"--port", url, "--glove", "virtual", "--trace", fichier});
            const auto trace = [&fichier] {
                QFile f(fichier);
                return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
            };
            QTRY_VERIFY_WITH_TIMEOUT(
                trace().contains("rx listing \" X: 3162  Y: 0  Z: 2450  P: -850  R: 0\\r\\n\"\n"),
                10000);
            ::kill(programme.processId(), SIGTERM);
            QVERIFY(programme.waitForFinished(5000));
            QCOMPARE(programme.exitCode(), 0);
            QList<QByteArray> lignes = banc.lignes();
            lignes.removeAll(QByteArray());
            QCOMPARE(lignes.mid(0, kDemarrage.size()), kDemarrage);
            const QStringList texte = trace().split('\n', Qt::SkipEmptyParts);
            QCOMPARE(texte.mid(0, 2),
                     (QStringList{"zelvor-trace 1", "# ms kind exchange \"bytes\""}));
            QCOMPARE(texte.filter(" tx demarrage \"open\\r\"").size(), 1);
            for (const QString& ligne : texte.mid(2))
                QVERIFY2(
                    QRegularExpression("^\\d+\\.\\d{3} (tx|rx|drop|open|close) [\\w-]+ \".*\"$")
                        .match(ligne)
                        .hasMatch(),
                    qPrintable(ligne));
            return;
        }
        banc.ouvrir(url, kBornes);
        QTRY_COMPARE(banc.repondeur.boites.size(), 1);
        QCOMPARE(banc.fenetre->statutDemarrage(), boite.contains("E0002") ? 1 : 0);
        QCOMPARE(banc.repondeur.boites[0].texte, boite.arg(url));
        QVERIFY(banc.sim.transcript().isEmpty());
    }

    // ser2net stops, as a server that restarts: one box, then traffic resumes by itself.
    void serveurArreteEtRelance()
    {
        BancFenetre banc;
        OptionsSimulateur options = BancFenetre::rapide();
        options.exigerReglage = true;
        QVERIFY(banc.sim.demarrer(options));
        auto serveur = std::make_unique<Ser2net>();
        QVERIFY(serveur->demarrer(banc.sim.peripherique(), "socket://127.0.0.1:%1", "9600n82"));
        const int port = serveur->port;
        // A name, which resolves to the IPv6 loopback (refused) as well as to ser2net's address.
        const QString url = QStringLiteral("socket://localhost:%1").arg(port);
        QVERIFY(banc.ouvrir(url, kBornes));
        QTRY_VERIFY(banc.lignes().count("listpv a") >= 1);

        serveur.reset();
        QTRY_COMPARE(banc.repondeur.boites.size(), 1);
        QCOMPARE(
            banc.repondeur.boites[0].texte,
            QStringLiteral("Le port %1 a été fermé ou débranché.\nCode erreur : E0006").arg(url));
        QTest::qWait(300); // attempts to reconnect are refused meanwhile
        const qsizetype avant = banc.lignes().size();
        serveur = std::make_unique<Ser2net>();
        serveur->port = port;
        QVERIFY(serveur->demarrer(banc.sim.peripherique(), "socket://127.0.0.1:%1", "9600n82"));
        QTRY_VERIFY(banc.lignes().mid(avant).count("listpv a") >= 2);
        QCOMPARE(banc.repondeur.boites.size(), 1);
    }

    // What ser2net does not show: a data byte 0xFF both ways, an option refused, the line set
    // otherwise than asked.
};

QTEST_MAIN(TestReseau)
#include "test_reseau.moc"
