// zelvor --simulate as a process: it starts its controller, talks to it, and leaves nothing
// behind when SIGTERM ends it; its command-line mistakes end it before anything opens.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// The processes that `pid` started (the children of its main thread, where ours are made).
QList<QByteArray> enfants(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ') : QList<QByteArray>{};
}

QProcessEnvironment environnement()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    return env;
}

} // namespace

class TestProcessus : public QObject
{
    Q_OBJECT

private slots:
    void simulationDeboutEnBout();
    void ligneDeCommande_data();
    void ligneDeCommande();
};

void TestProcessus::simulationDeboutEnBout()
{
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString transcript = dossier.filePath("transcript");
    QProcess zelvor;
    zelvor.setProcessEnvironment(environnement());
    zelvor.start(ZELVOR_BINAIRE, {"--simulate", "--sim-transcript", transcript});
    QVERIFY(zelvor.waitForStarted());

    QTRY_VERIFY_WITH_TIMEOUT(zelvor.canReadLine(), 10000);
    const QString ligne = QString::fromUtf8(zelvor.readLine()).trimmed();
    const QRegularExpression motif("^Contrôleur simulé sur (/dev/pts/\\d+)$");
    const QRegularExpressionMatch trouve = motif.match(ligne);
    QVERIFY2(trouve.hasMatch(), qPrintable(ligne));
    const QString peripherique = trouve.captured(1);
    QVERIFY(QFile::exists(peripherique));

    // Two listings: the first was answered, at the pace of a real line, or no second would come.
    const auto recu = [&] {
        QFile f(transcript);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toLower() : QByteArray();
    };
    QTRY_VERIFY_WITH_TIMEOUT(recu().count("listpv a") >= 2, 15000);
    const QByteArray debut = recu();
    QVERIFY2(debut.indexOf("open") < debut.indexOf("defp a"), debut.constData());
    QVERIFY(debut.contains("teach a"));

    const QList<QByteArray> sesEnfants = enfants(zelvor.processId());
    ::kill(static_cast<pid_t>(zelvor.processId()), SIGTERM);
    QVERIFY(zelvor.waitForFinished(10000));
    QCOMPARE(zelvor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zelvor.exitCode(), 0);
    QTRY_VERIFY(!QFile::exists(peripherique));
    for (const QByteArray& enfant : sesEnfants)
        QVERIFY2(enfant.trimmed().isEmpty() || !QFile::exists("/proc/" + enfant.trimmed()),
                 "a child outlived zelvor");
}

void TestProcessus::ligneDeCommande_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("message");
    QTest::newRow("aide") << QStringList{"--help"} << 0 << "--simulate";
    QTest::newRow("port et simulation") << QStringList{"--simulate", "--port", "/dev/ttyUSB0"} << 2
                                        << "zelvor: --simulate and --port exclude each other";
    QTest::newRow("transcript sans simulation")
        << QStringList{"--sim-transcript", "/tmp/t", "--port", "/dev/zelvor-absent"} << 2
        << "zelvor: --sim-transcript needs --simulate";
    QTest::newRow("rejeu absent en simulation")
        << QStringList{"--simulate", "--glove", "replay:/nonexistent/trajet.txt"} << 2
        << "/nonexistent/trajet.txt";
}

void TestProcessus::ligneDeCommande()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, statut);
    QFETCH(QString, message);
    QProcess zelvor;
    zelvor.setProcessEnvironment(environnement());
    zelvor.start(ZELVOR_BINAIRE, arguments);
    QVERIFY(zelvor.waitForFinished(10000));
    QCOMPARE(zelvor.exitCode(), statut);
    const QByteArray sortie = zelvor.readAllStandardOutput();
    const QByteArray erreur = zelvor.readAllStandardError();
    QVERIFY2((statut == 0 ? sortie : erreur).contains(message.toUtf8()), erreur.constData());
    if (statut != 0) // refused before the simulator started: no device was announced
        QVERIFY2(!sortie.contains("/dev/pts/"), sortie.constData());
}

QTEST_GUILESS_MAIN(TestProcessus)
#include "test_processus.moc"
