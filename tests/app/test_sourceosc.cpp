// The OSC glove over real UDP on 127.0.0.1: what reaches the controller, and what stops the start.
#include "bancfenetre.h"

#include <QProcess>
#include <QUdpSocket>
#include <lo/lo.h>

template <typename... Valeurs>
static QByteArray message(const char* chemin, const char* types, Valeurs... valeurs)
{
    lo_message m = lo_message_new();
    lo_message_add(m, types, valeurs...);
    QByteArray paquet(qsizetype(lo_message_length(m, chemin)), '\0');
    lo_message_serialise(m, chemin, paquet.data(), nullptr);
    lo_message_free(m);
    return paquet;
}

static QByteArray position(double x, double y = 200, double z = -100)
{
    return message("/zelvor/gant/position", "fff", x, y, z);
}

class TestSourceOsc : public QObject
{
    Q_OBJECT

    // What the controller received because of these packets.
    QList<QByteArray> envoyer(const QList<QByteArray>& paquets, const char* depuis = "127.0.0.1")
    {
        const qsizetype avant = m_banc.commandes().size();
        QUdpSocket prise;
        prise.bind(QHostAddress(QString::fromLatin1(depuis)));
        for (const QByteArray& p : paquets)
            prise.writeDatagram(p, QHostAddress::LocalHost, m_port);
        m_banc.attendreCalme();
        return m_banc.commandes().mid(avant);
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
        QTest::mouseClick(m_banc.fenetre->findChild<QAbstractButton*>("LancerButton"),
                          Qt::LeftButton);
        m_banc.attendreCalme();
    }

    void mainEtPinceEnUnOuEnParties()
    {
        const QByteArrayList entier = envoyer(
            {message("/zelvor/gant", "fffiiiiiii", 100.0, 200.0, -100.0, 0, 51, 0, 0, 0, 0, 0)});
        QCOMPARE(entier, QByteArrayList({"close", "defp a", "teach a", "2732", "-450", "3430",
                                         "-850", "0", "move a"}));
        QVERIFY(envoyer({message("/zelvor/gant", "fffiiiiiii", 0.0, 0.0, 0.0, 0, 0, 0, 0, 0, 0, 0)})
                    .contains("open"));
        QCOMPARE(envoyer({message("/zelvor/gant/flexion", "iiiii", 0, 51, 0, 0, 0),
                          message("/zelvor/gant/boutons", "ii", 0, 0), position(100)}),
                 entier);
    }

    void entreesRefusees_data()
    {
        QTest::addColumn<QByteArray>("paquet");
        QTest::newRow("adresse") << message("/zelvor/gants", "fff", 500.0, 500.0, 500.0);
        QTest::newRow("types") << message("/zelvor/gant/position", "ddd", 500.0, 500.0, 500.0);
        QTest::newRow("nombre") << message("/zelvor/gant/position", "ff", 500.0, 500.0);
        QTest::newRow("non finie") << position(qQNaN(), 500, 500);
        QTest::newRow("démesurée") << position(1e6, 500, 500);
        QTest::newRow("flexion") << message("/zelvor/gant/flexion", "iiiii", 0, 256, 0, 0, 0);
        QTest::newRow("bouton") << message("/zelvor/gant/boutons", "ii", 0, 2);
        QTest::newRow("mal formé") << position(500).chopped(4);
        QTest::newRow("bundle") << QByteArray("#bundle\0\0\0\0\0\0\0\0\1\0\0\0\x2c", 20) +
                                       position(500) + QByteArray(4, '\xff');
        QTest::newRow("étranger") << position(500);
    }

    // Nothing reaches the arm, and the next good message still does.
    void entreesRefusees()
    {
        QFETCH(QByteArray, paquet);
        const bool etranger = QTest::currentDataTag() == QByteArray("étranger");
        QCOMPARE(envoyer({paquet}, etranger ? "127.0.0.2" : "127.0.0.1"), QByteArrayList());
        static double x = 200;
        x = -x;
        QCOMPARE(BancFenetre::dernierePose(envoyer({position(x)})).value(1),
                 QByteArray::number(-x * 4.5));
    }

    // Status 2 and the reason, before any window.
    void refusAuDemarrage()
    {
        for (const auto& [gant, raison] :
             {std::pair<QString, QString>{"osc:0.0.0.0:9000", "hors de la boucle"},
              {"osc:" + QString::number(m_port), "impossible d'écouter"}}) {
            QProcess p;
            p.start(ZELVOR_BINAIRE, {"--glove", gant});
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(raison));
        }
    }
};

QTEST_MAIN(TestSourceOsc)
#include "test_sourceosc.moc"
