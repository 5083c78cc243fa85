// The plot window as the operator uses it: what its CSV holds against the line's trace, how it
// opens, when it redraws, its exports, and its history's bound over an hour.
#include "app/fenetrecourbes.h"
#include "app/globjectwindow.h"
#include "repondeur.h"
#include "sim/simulateurpty.h"

#include <QBuffer>
#include <QChartView>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <csignal>

namespace {
using Genre = EvenementSuivi::Genre;

QList<QStringList> lignesCsv(const HistoriqueCourbes& h)
{
    QBuffer tampon;
    tampon.open(QIODevice::WriteOnly);
    h.ecrireCsv(tampon);
    QList<QStringList> lignes;
    for (const QByteArray& l : tampon.data().trimmed().split('\n').mid(1))
        lignes.append(QString::fromLatin1(l).split(','));
    return lignes;
}

// "x y z" of the rows of one series, or the series' names of the marks.
QStringList colonne(const QList<QStringList>& lignes, const QStringList& series)
{
    QStringList l;
    for (const QStringList& r : lignes)
        if (series.contains(r[1]))
            l.append(r[2].isEmpty() ? r[1] : r.mid(2).join(' '));
    return l;
}

long residentKo()
{
    QFile f("/proc/self/status");
    const QByteArray s = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return s.mid(s.indexOf("VmRSS:") + 6).trimmed().split(' ').value(0).toLong();
}
} // namespace

class TestCourbes : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    RepondeurBoites m_repondeur;
    SimulateurPty m_sim;
    std::unique_ptr<FenetreCourbes> m_courbes;
    std::unique_ptr<GLObjectWindow> m_fenetre;

private slots:
    void initTestCase()
    {
        OptionsSimulateur options;
        options.baud = 0;
        QVERIFY(m_sim.demarrer(options));
        ConfigurationZelvor cfg;
        cfg.port = m_sim.peripherique();
        cfg.gant = "replay:" ZELVOR_SOURCES "/glove/trajectoires/balayage.txt";
        cfg.trace = m_dossier.filePath("trace");
        m_courbes = FenetreCourbes::pourLeProgramme(cfg);
        m_fenetre = std::make_unique<GLObjectWindow>(nullptr, nullptr, cfg);
        QCOMPARE(m_fenetre->statutDemarrage(), 0);
        m_fenetre->show();
        m_courbes->installer(*m_fenetre);
    }

    // The replayed sweep: the poses written are the trace's, with targets among them, and the
    // gripper's marks are where the trace has "close" and "open"; rows in time order.
    void rejeu()
    {
        m_fenetre->findChild<QPushButton*>("LancerButton")->click();
        // What went to the controller: the bytes of the trace's "tx" lines of `echange` (all for
        // none), "\r" left out.
        const auto trace = [this](const char* echange = "") {
            QFile f(m_dossier.filePath("trace"));
            QStringList octets;
            for (const QByteArray& l : (f.open(QIODevice::ReadOnly) ? f.readAll() : "").split('\n'))
                if (l.contains(QByteArray(" tx ") + echange))
                    octets.append(QString::fromLatin1(l.mid(l.indexOf('"') + 1)).chopped(3));
            return octets;
        };
        const auto posesTrace = [&] {
            QStringList poses, o = trace("consigne ");
            for (qsizetype i = o.indexOf("teach A"); i >= 0; i = o.indexOf("teach A", i + 1))
                poses.append(o.mid(i + 1, 3).join(' '));
            return poses;
        };
        QTest::qWait(2000);
        QTRY_COMPARE(colonne(lignesCsv(m_courbes->historique()), {"pose_ecrite"}), posesTrace());
        const QList<QStringList> lignes = lignesCsv(m_courbes->historique());
        QVERIFY(posesTrace().size() > 5);
        QCOMPARE(lignes.value(0), (QStringList{lignes[0][0], "cible", "3162", "0", "2450"}));
        QVERIFY(colonne(lignes, {"cible"}).size() > posesTrace().size() / 2);
        for (int i = 1; i < lignes.size(); ++i)
            QVERIFY(lignes[i][0].toLongLong() >= lignes[i - 1][0].toLongLong());
        QVERIFY(colonne(lignes, {"position_listee"}).size() >= 2);
        const QStringList marques = colonne(lignes, {"fermeture", "ouverture"});
        QCOMPARE(marques.join(' ').replace("fermeture", "close").replace("ouverture", "open"),
                 trace().filter(QRegularExpression("^(open|close)$")).join(' '));
        QCOMPARE(marques, (QStringList{"ouverture", "fermeture", "ouverture"}));
    }

    // F2 opens the window; the form keeps its 51 widgets.
    void ouverture()
    {
        m_courbes->hide();
        // Without a window manager, X ignores an activation stamped before the focus left the
        // hidden window; each request brings a newer stamp, so it is made again until it holds.
        QTRY_VERIFY_WITH_TIMEOUT((m_fenetre->activateWindow(), m_fenetre->isActiveWindow()), 10000);
        QTest::keyClick(m_fenetre.get(), Qt::Key_F2);
        QTRY_VERIFY(m_courbes->isVisible());
        QCOMPARE(m_courbes->windowTitle(), "Suivi du bras");
        QList<QWidget*> widgets = m_fenetre->findChildren<QWidget*>();
        widgets.removeIf([](const QWidget* w) { return w->isWindow(); });
        QCOMPARE(widgets.size(), 51);
    }

    // An export to a file that cannot be written says so in a box and loses nothing: the next
    // one writes it all.
    void exportation()
    {
        m_repondeur.boites.clear();
        QVERIFY(!m_courbes->exporterCsv(m_dossier.filePath("absent/courbes.csv")));
        QCOMPARE(m_repondeur.boites.value(0).titre, "Exportation impossible");
        QVERIFY(m_repondeur.boites[0].texte.contains("/absent/courbes.csv"));
        QVERIFY(m_courbes->exporterCsv(m_dossier.filePath("courbes.csv")));
        QCOMPARE(m_repondeur.boites.size(), 1);
        QFile f(m_dossier.filePath("courbes.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count(",position_listee,"),
                 colonne(lignesCsv(m_courbes->historique()), {"position_listee"}).size());
    }

    // An hour of a dragged slider (a target every 5 ms), poses and listings at the line's pace,
    // the gripper every 10 s: the memory stays what it was after five minutes, and the CSV holds
    // the last five minutes whole, the last target of each 20 ms, the poses as the wire has them.
    void uneHeure()
    {
        HistoriqueCourbes h;
        [[maybe_unused]] long apresCinqMinutes = 0; // unread under a sanitizer
        for (qint64 ms = 0; ms <= 3600000; ms += 5) {
            h.ajouter({Genre::Cible, ms, 3000.25 + double(ms % 1000), -1.0, 2450.0});
            if (ms % 160 == 0)
                h.ajouter({Genre::PoseEcrite, ms, 3000.75 + double(ms % 1000), -1.5, 2450.0});
            if (ms % 500 == 0)
                h.ajouter({Genre::PositionListee, ms, 3000.0, 0.0, 2450.0});
            if (ms % 10000 == 0)
                h.ajouter({(ms / 10000) % 2 ? Genre::Fermeture : Genre::Ouverture, ms});
            if (ms == 300000)
                apresCinqMinutes = residentKo();
        }
#ifndef ZELVOR_MEMOIRE_ECARTEE
        QVERIFY2(residentKo() - apresCinqMinutes < 256, qPrintable(QString::number(residentKo())));
#endif
        const QList<QStringList> l = lignesCsv(h);
        QCOMPARE(l.first().value(0), "3300000");
        QCOMPARE(colonne(l, {"cible"}).size(), 15001);
        QCOMPARE(colonne(l, {"pose_ecrite"}).last(), "3000 -1 2450");
        QCOMPARE(colonne(l, {"position_listee"}).size(), 601);
        QCOMPARE(colonne(l, {"fermeture", "ouverture"}).size(), 31);
    }

    // Data at 200 a second for a second: the picture changes at most ten times a second while
    // shown, never while paused or hidden; paused, the scroll bar goes back over what was kept.
    void dessins_data()
    {
        QTest::addColumn<QString>("etat");
        QTest::newRow("en marche") << "marche";
        QTest::newRow("en pause") << "pause";
        QTest::newRow("cachée") << "cachee";
    }
    void dessins()
    {
        QFETCH(QString, etat);
        FenetreCourbes f;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        qint64 ms = 0; // 200 ms of the arm's time every 5 ms
        const auto nourrir = [&](int n) {
            for (int i = 0; i < n; ++i, ms += 200) {
                f.ajouter({Genre::Cible, ms, 2000.0 + double(ms % 2000), 0, 1000});
                QTest::qWait(5);
            }
        };
        nourrir(200);
        auto* axe = qobject_cast<QValueAxis*>(
            f.findChild<QChartView*>()->chart()->axes(Qt::Horizontal).value(0));
        // A loaded machine spaces the redraws out: the picture first catches up with the data.
        QTRY_COMPARE_WITH_TIMEOUT(axe->max(), double(ms - 200) / 1000.0, 20000);
        if (etat == "pause")
            f.findChild<QPushButton*>("pause")->click();
        if (etat == "cachee")
            f.hide();
        QTest::qWait(300); // the chart lays itself out after a redraw
        const QImage avant = f.grab().toImage();
        QSignalSpy vus(axe, SIGNAL(rangeChanged(qreal, qreal)));
        QElapsedTimer duree;
        duree.start();
        nourrir(200);
        if (etat == "marche") {
            QTRY_VERIFY_WITH_TIMEOUT(!vus.isEmpty(), 20000); // spaced by their cost when loaded
            QVERIFY2(vus.size() <= 1 + duree.elapsed() / 100,
                     qPrintable(QString::number(vus.size())));
            return;
        }
        QCOMPARE(vus.size(), 0);
        if (etat != "pause")
            return;
        QCOMPARE(f.grab().toImage(), avant);
        QCOMPARE(f.historique().dernierMs(), ms - 200); // the data kept coming
        f.findChild<QScrollBar*>("defilement")->triggerAction(QScrollBar::SliderToMinimum);
        QTRY_COMPARE(vus.size(), 1);
        QCOMPARE(vus.first().value(0).toDouble(), 0.0); // back to the first 30 s
    }

    // --courbes=FILE: the program in simulation, ended by SIGTERM, leaves what it kept as CSV; a
    // file that cannot be written is a command-line error.
    void fichierEnFin_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<int>("statut");
        QTest::newRow("SIGTERM") << "fin.csv" << 0;
        QTest::newRow("dossier") << "" << 2;
    }
    void fichierEnFin()
    {
        QFETCH(QString, fichier);
        fichier = m_dossier.filePath(fichier);
        QProcess p;
        p.start(ZELVOR_BINAIRE, {"--simulate", "--courbes=" + fichier});
        // Once its simulated controller is up.
        if (p.waitForReadyRead(10000) && p.state() == QProcess::Running) {
            QTest::qWait(2000);
            ::kill(pid_t(p.processId()), SIGTERM);
        }
        QVERIFY(p.state() == QProcess::NotRunning || p.waitForFinished(5000));
        QTEST(p.exitCode(), "statut");
        QFile f(fichier);
        const QByteArray csv = f.open(QIODevice::ReadOnly) ? f.readAll() : p.readAllStandardError();
        QVERIFY2(QRegularExpression(p.exitCode() ? "^zelvor: --courbes=.*: not a regular file\n$"
                                                 : "^ms,serie,x,y,z\n\\d+,cible,3162,0,2450\n.*"
                                                   ",position_listee,3162,0,2450\n",
                                    QRegularExpression::DotMatchesEverythingOption)
                     .match(csv)
                     .hasMatch(),
                 csv.constData());
    }
};

QTEST_MAIN(TestCourbes)
#include "test_courbes.moc"
