// The OSC glove over real UDP on 127.0.0.1: what reaches the controller, and what stops the start.
#include "bancfenetre.h"

#include <QProcess>
#include <QUdpSocket>
#include <lo/lo.h>

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

    // Status 2 and the reason, before any window.
    void refusAuDemarrage()
    {
        for (const auto& [option, raison] :
             {std::pair<QString, QString>{"osc:0.0.0.0:9000", "hors de la boucle"},
              {"osc:" + QString::number(m_port), "impossible d'écouter"}}) {
            QProcess p;
            p.start(ZELVOR_BINAIRE, {"--glove", option});
            QVERIFY(p.waitForFinished(20000) && p.exitCode() == 2);
            QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(raison));
        }
    }
};

QTEST_MAIN(TestSourceOsc)
#include "test_sourceosc.moc"
