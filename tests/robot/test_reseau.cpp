// The controller behind a real serial port server (ser2net) on the loopback, in front of the
// simulator's pseudo-terminal: what reaches the controller, what the operator sees, the trace.
#include "../app/bancfenetre.h"
#include "robot/portserie.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
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

// ser2net, with a configuration of its own, serving a device on a free loopback port.
struct Ser2net
{
    bool demarrer(const QString& peripherique, const QString& schema, const QString& reglage)
    {
        port = port ? port : Ecoute().port;
        QFile f(dossier.filePath("ser2net.yaml"));
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("connection: &robot\n  accepter: %1,127.0.0.1,%2\n"
                               "  connector: serialdev,%3,%4,local\n")
                    .arg(schema == "socket" ? "tcp" : "telnet(rfc2217),tcp")
                    .arg(port)
                    .arg(peripherique, reglage)
                    .toUtf8());
        f.close();
        processus.start("ser2net", {"-n", "-u", "-c", f.fileName(), "-P", dossier.filePath("p")});
        const QByteArray enEcoute = ":" +
                                    QByteArray::number(port, 16).toUpper().rightJustified(4, '0') +
                                    " 00000000:0000 0A";
        for (int i = 0; i < 250 && processus.state() != QProcess::NotRunning;
             ++i, QTest::qWait(20)) {
            QFile tcp("/proc/net/tcp");
            if (tcp.open(QIODevice::ReadOnly) && tcp.readAll().contains(enEcoute))
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
    void parLeReseau_data();
    void parLeReseau();
    void serveurArreteEtRelance();
};

void TestReseau::parLeReseau_data()
{
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QString>("reglage"); // how ser2net sets the line; empty: no ser2net
    QTest::addColumn<QString>("boite");   // the box the operator sees, empty for none
    QTest::newRow("socket, server at 9600n82") << "socket"
                                               << "9600n82"
                                               << "";
    QTest::newRow("rfc2217, server at 19200n81") << "rfc2217"
                                                 << "19200n81"
                                                 << "";
    QTest::newRow("socket, server left at 19200n81")
        << "socket"
        << "19200n81"
        << "Le contrôleur du robot ne répond pas sur le port %1.\nCode "
           "erreur : E0005";
    QTest::newRow("server that never answers")
        << "socket"
        << ""
        << "Le contrôleur du robot ne répond pas sur le port %1.\nCode erreur : "
           "E0005";
    QTest::newRow("connection refused") << "rfc2217"
                                        << ""
                                        << "Impossible d'ouvrir le port %1.\nCode erreur : E0002";
}

void TestReseau::parLeReseau()
{
    QFETCH(QString, schema);
    QFETCH(QString, reglage);
    QFETCH(QString, boite);
    BancFenetre banc;
    OptionsSimulateur options = BancFenetre::rapide();
    options.exigerReglage = true;
    QVERIFY(banc.sim.demarrer(options));
    Ser2net serveur;
    auto muet = std::make_unique<Ecoute>();
    if (!reglage.isEmpty())
        QVERIFY(serveur.demarrer(banc.sim.peripherique(), schema, reglage));
    const QString url = QStringLiteral("%1://127.0.0.1:%2")
                            .arg(schema)
                            .arg(reglage.isEmpty() ? muet->port : serveur.port);
    if (boite.contains("E0002"))
        muet.reset();

    // One exchange at the port's level, traced.
    if (boite.isEmpty()) {
        PortSerie port;
        QVERIFY(port.activerTrace(serveur.dossier.filePath("trace"), nullptr));
        QCOMPARE(port.ouvrir(url), 1);
        port.nommerEchange("essai");
        QCOMPARE(port.ecrire("open\r", 5), Lecture::Octet);
        QByteArray recu;
        for (char c = 0; c != '>' && port.lireOctet(c, 2000) == Lecture::Octet;)
            recu += c;
        QCOMPARE(recu, QByteArray("open\r\nDone.\r\n>"));
        port.fermer();
        QFile trace(serveur.dossier.filePath("trace"));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QString sansTemps =
            QString::fromUtf8(trace.readAll()).remove(QRegularExpression("(?m)^\\d+\\.\\d{3} "));
        QCOMPARE(sansTemps, QStringLiteral("zelvor-trace 1\n# ms kind exchange \"bytes\"\n"
                                           "open - \"%1\"\ntx essai \"open\\r\"\n"
                                           "rx essai \"open\\r\\n\"\nrx essai \"Done.\\r\\n\"\n"
                                           "rx essai \">\"\nclose essai \"%1\"\n")
                                .arg(url));
    }

    const bool ouverte = banc.ouvrir(url, kBornes);
    QCOMPARE(ouverte, !boite.contains("E0002"));
    if (boite.isEmpty()) {
        // The start-up sequence, then the listings of the position worker.
        QTRY_VERIFY(banc.lignes().count("listpv a") >= 2);
        QList<QByteArray> lignes = banc.lignes();
        lignes.removeAll(QByteArray());
        QCOMPARE(lignes.mid(1, kDemarrage.size()), kDemarrage); // after the port's own "open"
        QTest::qWait(200);
        QVERIFY(banc.repondeur.boites.isEmpty());
        return;
    }
    QTRY_COMPARE(banc.repondeur.boites.size(), 1);
    QCOMPARE(banc.repondeur.boites[0].texte, boite.arg(url));
    QVERIFY(banc.sim.transcript().isEmpty());
}

// ser2net stops, as a server that restarts: one box, then traffic resumes by itself.
void TestReseau::serveurArreteEtRelance()
{
    BancFenetre banc;
    OptionsSimulateur options = BancFenetre::rapide();
    options.exigerReglage = true;
    QVERIFY(banc.sim.demarrer(options));
    auto serveur = std::make_unique<Ser2net>();
    QVERIFY(serveur->demarrer(banc.sim.peripherique(), "socket", "9600n82"));
    const int port = serveur->port;
    const QString url = QStringLiteral("socket://127.0.0.1:%1").arg(port);
    QVERIFY(banc.ouvrir(url, kBornes));
    QTRY_VERIFY(banc.lignes().count("listpv a") >= 1);

    serveur.reset();
    QTRY_COMPARE(banc.repondeur.boites.size(), 1);
    QCOMPARE(banc.repondeur.boites[0].texte,
             QStringLiteral("Le port %1 a été fermé ou débranché.\nCode erreur : E0006").arg(url));
    QTest::qWait(300); // attempts to reconnect are refused meanwhile
    const qsizetype avant = banc.lignes().size();
    serveur = std::make_unique<Ser2net>();
    serveur->port = port;
    QVERIFY(serveur->demarrer(banc.sim.peripherique(), "socket", "9600n82"));
    QTRY_VERIFY(banc.lignes().mid(avant).count("listpv a") >= 2);
    QCOMPARE(banc.repondeur.boites.size(), 1);
}

QTEST_MAIN(TestReseau)
#include "test_reseau.moc"
