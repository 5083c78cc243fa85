#include "glove/sourcegant.h"
#include "glove/trajectoire.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

class TestTrajectoire : public QObject
{
    Q_OBJECT

private slots:
    void erreurs_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<int>("ligne");
        QTest::addColumn<QString>("probleme");
        const QByteArray bon = "0 1 2 3 0 0 0 0 0 0 0\n";
        QTest::newRow("champ manquant") << "# t x\n\n" + bon + "10 1 2 3 0 0 0 0 0 0\n"
                                        << 4 << "11 champs attendus, 10";
        QTest::newRow("virgule") << bon + "1 1,5 2 3 0 0 0 0 0 0 0\n" << 2 << "position x \"1,5\"";
        QTest::newRow("nan") << bon + "5 1 nan 3 0 0 0 0 0 0 0\n" << 2 << "position y";
        QTest::newRow("temps négatif") << "-1" + bon.mid(1) << 1 << "temps \"-1\" négatif";
        QTest::newRow("flexion 256") << bon + "1 1 2 3 0 256 0 0 0 0 0\n" << 2 << "f1 \"256\" hors";
        QTest::newRow("bouton 2") << bon + "1 1 2 3 0 0 0 0 0 2 0\n" << 2 << "bouton b0";
        QTest::newRow("recul") << "50" + bon.mid(1) + bon << 2 << "le temps recule";
        QTest::newRow("sans échantillon") << QByteArray("zelvor-gant 1\n#\n\n") << 3 << "aucun";
        QTest::newRow("vide") << QByteArray() << 1 << "aucun échantillon";
        QTest::newRow("tronqué") << bon + "20 1 2 3 0 0" << 2 << "dernière ligne tronquée";
        QTest::newRow("version") << "zelvor-gant 2\n" + bon << 1 << "en-tête";
        QTest::newRow("binaire") << QByteArray("\x00\xff\r \x80\n", 6) << 1 << "champs";
    }
    void erreurs()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(int, ligne);
        QFETCH(QString, probleme);
        QString erreur;
        QVERIFY(!analyserTrajectoire(contenu, QStringLiteral("t.txt"), nullptr, &erreur));
        QVERIFY2(erreur.startsWith(QStringLiteral("t.txt:%1: ").arg(ligne)) &&
                     erreur.contains(probleme) && !erreur.contains(QLatin1Char('\n')),
                 qPrintable(erreur));
    }

    void allerRetour()
    {
        // Floats that a short format would not bring back, and times beyond 32 bits.
        const float v[] = {0.1f, -0.0f, 1e-30f, std::numeric_limits<float>::max(), -2.5e-7f};
        std::vector<EchantillonGant> ecrits(3);
        for (int i = 0; i < 3; ++i)
            ecrits[i] = {i * 5000000011LL,
                         {v[i], v[i + 1], v[i + 2], {0, 0, 0, 0, 255}, {i == 1, true}}};
        // As if edited by hand: BOM, CRLF, tabs, comments between samples.
        QByteArray texte = "\xEF\xBB\xBF" + enteteTrajectoire();
        for (const EchantillonGant& e : ecrits)
            texte += "  # commentaire\r\n" + formaterEchantillon(e).replace(' ', '\t');
        std::vector<EchantillonGant> lus;
        QString erreur;
        QVERIFY2(analyserTrajectoire(texte, QStringLiteral("t"), &lus, &erreur),
                 qPrintable(erreur));
        QCOMPARE(lus.size(), ecrits.size());
        for (std::size_t i = 0; i < lus.size(); ++i) {
            QVERIFY(lus[i].tempsMs == ecrits[i].tempsMs && lus[i].etat == ecrits[i].etat);
            QCOMPARE(std::signbit(lus[i].etat.y), std::signbit(ecrits[i].etat.y));
        }
    }

    void fichier()
    {
        // Read in blocks: lines across a block's edge, a comment longer than a block, an error
        // far beyond the first block, still told with its line.
        QByteArray texte = enteteTrajectoire() + '#' + QByteArray(100000, 'c') + '\n';
        for (int i = 0; i < 5000; ++i)
            texte += formaterEchantillon(
                {i, {i * 0.5f, -i * 1.0f, 3, {0, 1, 2, 3, 4}, {i % 2 == 1, false}}});
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(QStringLiteral("t.txt"));
        auto charger = [&](const QByteArray& octets, std::vector<EchantillonGant>* lus) {
            QFile f(chemin);
            QString erreur;
            if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
                return QStringLiteral("write failed");
            f.close();
            return chargerTrajectoire(chemin, lus, &erreur) ? QString() : erreur;
        };
        std::vector<EchantillonGant> lus, attendus;
        QCOMPARE(charger(texte, &lus), QString());
        QVERIFY(analyserTrajectoire(texte, chemin, &attendus, nullptr) && lus.size() == 5000);
        for (std::size_t i = 0; i < lus.size(); ++i)
            QVERIFY(lus[i].tempsMs == attendus[i].tempsMs && lus[i].etat == attendus[i].etat);
        QCOMPARE(charger(texte + "5000 0 0 0 0 0", nullptr),
                 chemin + QStringLiteral(
                              ":5004: dernière ligne tronquée : 11 champs attendus, 6 trouvés"));

        QString erreur;
        QVERIFY(!creerSourceGant(QStringLiteral("gant"), &erreur) && erreur.contains("\"gant\""));
        QVERIFY(!creerSourceGant(QStringLiteral("replay:") + chemin + 'x', &erreur));
        QVERIFY2(erreur.startsWith(chemin + QStringLiteral("x: lecture impossible")),
                 qPrintable(erreur));
        // The sample trajectory the documentation points to.
        QVERIFY2(creerSourceGant(
                     QStringLiteral("replay:" ZELVOR_SOURCES "/glove/trajectoires/balayage.txt"),
                     &erreur),
                 qPrintable(erreur));
    }
};

QTEST_GUILESS_MAIN(TestTrajectoire)
#include "test_trajectoire.moc"
