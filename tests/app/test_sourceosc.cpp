// The OSC glove over real UDP and TCP on the loopback: what reaches the controller, what a
// connection may not do, and what stops the start.
#include "bancfenetre.h"
#include "glove/sourceosc.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QUdpSocket>
#include <QtEndian>
#include <lo/lo.h>
#include <unistd.h>

// The process's standard error (unbuffered), caught in a file while the object lives: what the
// program tells the operator there, whichever thread writes it.
struct ErreurCapturee
{
    ErreurCapturee() : sauvee((fichier.open(), ::dup(2))) { ::dup2(fichier.handle(), 2); }
    ~ErreurCapturee() { ::dup2(sauvee, 2), ::close(sauvee); }
    QString texte() { return fichier.seek(0) ? QString::fromUtf8(fichier.readAll()) : ""; }
    QTemporaryFile fichier;
    const int sauvee;
};

template <typename... V> static QByteArray message(const char* chemin, const char* types, V... v)
{
    lo_message m = lo_message_new();
    lo_message_add(m, types, v...);
    QByteArray paquet(qsizetype(lo_message_length(m, chemin)), '\0');
    lo_message_serialise(m, chemin, paquet.data(), nullptr);
    lo_message_free(m);
    return paquet;
}

// The whole glove in one message: the position, five bends (the second drives the gripper), the
// two buttons.
static QByteArray gant(double x, int pince, int bouton = 0)
{
    return message("/zelvor/gant", "fffiiiiiii", x, 200.0, -100.0, 0, pince, 0, 0, 0, bouton, 0);
}

class TestSourceOsc : public QObject
{
    Q_OBJECT

    // What the controller received because of these packets, line after line.
    QByteArray envoyer(const QList<QByteArray>& paquets, const char* depuis = "127.0.0.1")
    {
        const qsizetype avant = m_banc.commandes().size();
        QUdpSocket prise;
        prise.bind(QHostAddress(QString::fromLatin1(depuis)));
        for (const QByteArray& p : paquets)
            prise.writeDatagram(p, QHostAddress::LocalHost, m_port);
        m_banc.attendreCalme();
        return m_banc.commandes().mid(avant).join(' ');
    }

    BancFenetre m_banc;
    quint16 m_port = 0;
    BancFenetre m_bancTcp; // listens on TCP for 127.0.0.1 only; a frame may stall 300 ms
    quint16 m_portTcp = 0;
    QTcpSocket m_temoin; // a connection that the others' faults must not disturb
    int m_fermetures = 0;
    qsizetype m_debutTcp = 0; // the TCP window's commands before any OSC message

private slots:
    void initTestCase()
    {
        QUdpSocket libre;
        QVERIFY(libre.bind(QHostAddress::LocalHost));
        m_port = libre.localPort();
        libre.close();
        QVERIFY(m_banc.demarrer(QStringLiteral("osc:127.0.0.1:%1@127.0.0.1").arg(m_port)));
        // Lancer is enabled, no E0001: the poses below go out.
        m_banc.cliquer("LancerButton");
        m_banc.attendreCalme();

        QTcpServer libreTcp;
        QVERIFY(libreTcp.listen(QHostAddress::LocalHost));
        m_portTcp = libreTcp.serverPort();
        libreTcp.close();
        QVERIFY(m_bancTcp.demarrer(
            "", BancFenetre::rapide(), {},
            SourceOsc::creer(QStringLiteral("127.0.0.1:%1@127.0.0.1").arg(m_portTcp), nullptr,
                             SourceOsc::Transport::Tcp,
                             BornesOscTcp{8, std::chrono::milliseconds(300)})));
        m_bancTcp.cliquer("LancerButton");
        m_temoin.connectToHost(QHostAddress::LocalHost, m_portTcp);
        QVERIFY(m_temoin.waitForConnected(5000));
        m_bancTcp.attendreCalme();
        m_debutTcp = m_bancTcp.commandes().size();
    }

    // Each packet, if it were taken, would move the arm or close the gripper, which each row
    // leaves open.
    void entreesRefusees_data()
    {
        QTest::addColumn<QByteArray>("paquet");
        QTest::newRow("adresse") << message("/zelvor/gants", "fff", 500.0, 500.0, 500.0);
        QTest::newRow("types") << message("/zelvor/gant/position", "ddd", 500.0, 500.0, 500.0);
        QTest::newRow("nombre") << message("/zelvor/gant/position", "ff", 500.0, 500.0);
        QTest::newRow("non finie") << gant(qQNaN(), 51);
        QTest::newRow("démesurée") << gant(1e6, 0);
        QTest::newRow("flexion") << message("/zelvor/gant/flexion", "iiiii", 256, 51, 0, 0, 0);
        QTest::newRow("bouton") << gant(0, 51, 2);
        QTest::newRow("mal formé") << gant(500, 0).chopped(4);
        QTest::newRow("bundle") << QByteArray("#bundle\0\0\0\0\0\0\0\0\1\0\0\0\x44", 20) +
                                       gant(500, 0) + QByteArray(4, '\xff');
        QTest::newRow("étranger") << gant(500, 0);
    }

    // Nothing reaches the arm; the next good messages, whole or in parts, are followed as before:
    // the gripper first, then the pose.
    void entreesRefusees()
    {
        QFETCH(QByteArray, paquet);
        const bool etranger = QTest::currentDataTag() == QByteArray("étranger");
        QCOMPARE(envoyer({paquet}, etranger ? "127.0.0.2" : "127.0.0.1"), QByteArray());
        QCOMPARE(envoyer({gant(100, 51)}), "close defp a teach a 2732 -450 3430 -850 0 move a");
        QCOMPARE(envoyer({message("/zelvor/gant/flexion", "iiiii", 0, 0, 0, 0, 0),
                          message("/zelvor/gant/position", "fff", 0.0, 200.0, -100.0)}),
                 "open defp a teach a 2732 0 3430 -850 0 move a");
    }

    // A frame as OSC 1.0 streams carry it: a 32-bit big-endian size, then the packet.
    static QByteArray trame(const QByteArray& paquet, quint32 taille = 0)
    {
        QByteArray t(4, '\0');
        qToBigEndian(taille ? taille : quint32(paquet.size()), t.data());
        return t + paquet;
    }

    void fluxTcp_data()
    {
        QTest::addColumn<QByteArray>("envoi");
        QTest::addColumn<QString>("raison"); // why the connection is closed
        QTest::newRow("hôte non listé") << trame(gant(500, 0)) << "host not allowed";
        QTest::newRow("trop grande") << trame(gant(500, 0), 65537) << "frame over 64 KiB";
        QTest::newRow("en suspens") << trame(gant(500, 0)).left(20) << "frame left incomplete";
        QTest::newRow("flot") << trame(message("/zelvor/gant/boutons", "ii", 0, 0)).repeated(1001)
                              << "packet flood";
    }

    // Each fault closes its connection, counted on standard error with the host.
    void fluxTcp()
    {
        QFETCH(QByteArray, envoi);
        QFETCH(QString, raison);
        const QString depuis = raison == "host not allowed" ? "127.0.0.2" : "127.0.0.1";
        ErreurCapturee erreur;
        QTcpSocket client;
        QVERIFY(client.bind(QHostAddress(depuis)));
        client.connectToHost(QHostAddress::LocalHost, m_portTcp);
        QVERIFY(client.waitForConnected(5000));
        client.write(envoi);
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
        const auto compte = QString("(%1 in all), the latest from ").arg(++m_fermetures) + depuis;
        QTRY_VERIFY(erreur.texte().contains(compte + ':') && erreur.texte().contains(raison));
    }

    // Nothing of the faults above reached the arm; liblo's own client moves it, and so does the
    // connection opened at the start, which the faults left alone.
    void clientsTcp()
    {
        // Without a sanitizer build's preloaded runtime, for which oscsend is not built.
        QCOMPARE(QProcess::execute("env", {"-u", "LD_PRELOAD", "oscsend",
                                           QStringLiteral("osc.tcp://127.0.0.1:%1").arg(m_portTcp),
                                           "/zelvor/gant", "fffiiiiiii", "100", "200", "-100", "0",
                                           "51", "0", "0", "0", "0", "0"}),
                 0);
        m_bancTcp.attendreCalme();
        m_temoin.write(trame(gant(200, 51)));
        m_bancTcp.attendreCalme();
        QCOMPARE(m_bancTcp.commandes().mid(m_debutTcp).join(' '),
                 "close defp a teach a 2732 -450 3430 -850 0 move a "
                 "defp a teach a 2732 -900 3430 -850 0 move a");
    }

    // A port already taken is refused; beyond the loopback, a UDP source says once that a
    // sender's address can be forged.
    void creation()
    {
        ErreurCapturee erreur;
        QString raison;
        QVERIFY(!SourceOsc::creer(QString::number(m_port), &raison));
        QVERIFY(raison.contains("cannot listen"));
        QVERIFY(SourceOsc::creer(QStringLiteral("0.0.0.0:%1@127.0.0.1").arg(m_portTcp), nullptr));
        QCOMPARE(erreur.texte().count("can be forged"), 1);
    }
};

QTEST_MAIN(TestSourceOsc)
#include "test_sourceosc.moc"
