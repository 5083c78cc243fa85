#include "sim/simulateurpty.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The program's side of the line, opened the way a serial port is: raw, no controlling tty.
struct Cote
{
    explicit Cote(const QString& chemin)
        : fd(::open(QFile::encodeName(chemin).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios modes{};
        ::tcgetattr(fd, &modes);
        ::cfmakeraw(&modes);
        ::tcsetattr(fd, TCSANOW, &modes);
    }
    ~Cote() { ::close(fd); }

    // Writes a line and reads up to its prompt; gives up at a hang-up or after delaiMs of quiet.
    QByteArray echanger(const QByteArray& ligne, int delaiMs = 2000, bool* raccroche = nullptr)
    {
        [[maybe_unused]] const ssize_t ecrits = ::write(fd, ligne.constData(), ligne.size());
        QByteArray recu;
        pollfd p{fd, POLLIN, 0};
        while (!recu.endsWith('>') && ::poll(&p, 1, delaiMs) > 0) {
            char tampon[512];
            const ssize_t n = ::read(fd, tampon, sizeof tampon);
            if ((p.revents & POLLHUP) || n <= 0) {
                if (raccroche)
                    *raccroche = true;
                break;
            }
            recu.append(tampon, n);
        }
        return recu;
    }

    int fd;
};

OptionsSimulateur rapide()
{
    OptionsSimulateur options;
    options.baud = 0;
    options.homeMs = 0;
    return options;
}

} // namespace

class TestSimulateurPty : public QObject
{
    Q_OBJECT

private slots:
    // Every line heard, in order, with a time that never goes back.
    void transcript()
    {
        SimulateurPty simulateur;
        QString erreur;
        QVERIFY2(simulateur.demarrer(rapide(), &erreur), qPrintable(erreur));
        Cote cote(simulateur.peripherique());
        for (const char* ligne : {"defp A\r", "teach A\r", "3162\r", "0\r", "2450\r", "-850\r",
                                  "0\r", "move A\r", "listpv A\r"})
            QVERIFY(cote.echanger(ligne).endsWith('>'));
        QVERIFY(simulateur.attendreLignes(9, 2000));
        const QList<LigneRecue> transcript = simulateur.transcript();
        QCOMPARE(transcript.size(), 9);
        QCOMPARE(transcript.at(2).ligne, QByteArray("3162"));
        QCOMPARE(transcript.last().ligne, QByteArray("listpv A"));
        for (int i = 1; i < transcript.size(); ++i)
            QVERIFY(transcript.at(i).ms >= transcript.at(i - 1).ms);
    }

    void defauts_data()
    {
        QTest::addColumn<bool>("raccroche");
        QTest::newRow("--silent-after 2") << false;
        QTest::newRow("setSilencieux") << false;
        QTest::newRow("--hangup-after 2") << true;
        QTest::newRow("raccrocher") << true;
    }

    void defauts()
    {
        QFETCH(bool, raccroche);
        const QByteArray defaut = QTest::currentDataTag();
        OptionsSimulateur options = rapide();
        options.silenceApres = defaut == "--silent-after 2" ? 2 : -1;
        options.raccrocheApres = defaut == "--hangup-after 2" ? 2 : -1;
        SimulateurPty simulateur;
        QVERIFY(simulateur.demarrer(options));
        Cote cote(simulateur.peripherique());
        QCOMPARE(cote.echanger("open\r"), QByteArray("open\r\nDone.\r\n>"));
        QCOMPARE(cote.echanger("close\r"), QByteArray("close\r\nDone.\r\n>"));
        simulateur.setSilencieux(defaut == "setSilencieux");
        if (defaut == "raccrocher")
            simulateur.raccrocher();

        bool hup = false;
        QCOMPARE(cote.echanger("open\r", 300, &hup), QByteArray());
        QCOMPARE(hup, raccroche);
        QCOMPARE(simulateur.raccroche(), raccroche);
        if (!raccroche)
            QVERIFY(simulateur.attendreLignes(3, 2000)); // heard, not answered
    }

    void cadenceEtArret()
    {
        OptionsSimulateur options = rapide();
        options.baud = 9600;
        options.homeMs = 60000;
        SimulateurPty simulateur;
        QVERIFY(simulateur.demarrer(options));
        Cote cote(simulateur.peripherique());
        QElapsedTimer chrono;
        chrono.start();
        QCOMPARE(cote.echanger("open\r"), QByteArray("open\r\nDone.\r\n>"));
        // "\r" arrives after 5 byte times, the 10 bytes it triggers leave one byte time apart:
        // the prompt is out 14 byte times of 11/9600 s after the write, 16 ms.
        QVERIFY(chrono.elapsed() >= 15);

        QCOMPARE(cote.echanger("home\r", 200), QByteArray("home\r\n"));
        QVERIFY(simulateur.etat().homing);
        chrono.restart();
        simulateur.arreter();
        QVERIFY(chrono.elapsed() < 1000); // not held by the minute-long homing
    }

    void ligneDeCommande_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("statut");
        QTest::newRow("serves") << QStringList{"--baud", "0"} << 0;
        QTest::newRow("not a number") << QStringList{"--baud", "x"} << 2;
        QTest::newRow("positional") << QStringList{"extra"} << 2;
    }

    void ligneDeCommande()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, statut);
        QTemporaryDir dossier;
        const QString lien = dossier.filePath(QStringLiteral("robot"));
        QProcess simulateur;
        simulateur.start(QStringLiteral(SCORBOT_SIM), arguments + QStringList{"--link", lien});
        if (statut == 0) {
            QVERIFY(simulateur.waitForReadyRead(5000));
            const QString peripherique = QString::fromLocal8Bit(simulateur.readLine()).trimmed();
            QCOMPARE(QFileInfo(lien).symLinkTarget(), peripherique);
            QCOMPARE(Cote(lien).echanger("open\r"), QByteArray("open\r\nDone.\r\n>"));
            ::kill(simulateur.processId(), SIGTERM);
        }
        QVERIFY(simulateur.waitForFinished(5000));
        QCOMPARE(simulateur.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulateur.exitCode(), statut);
        QVERIFY(!QFileInfo(lien).isSymLink());
        if (statut != 0)
            QCOMPARE(simulateur.readAllStandardError().count('\n'), 1);
    }
};

QTEST_GUILESS_MAIN(TestSimulateurPty)
#include "test_simulateurpty.moc"
