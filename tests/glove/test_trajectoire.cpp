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
        QTest::newRow("manquant") << "#\n\n" + bon + bon.left(19) + '\n' << 4 << "expected, 10";
        QTest::newRow("virgule") << bon + "1 1,5 2 3 0 0 0 0 0 0 0\n" << 2 << "position x \"1,5\"";
        QTest::newRow("nan") << bon + "5 1 nan 3 0 0 0 0 0 0 0\n" << 2 << "position y";
        QTest::newRow("temps négatif") << "-1" + bon.mid(1) << 1 << "time \"-1\" negative";
        QTest::newRow("flexion 256") << bon + "1 1 2 3 0 256 0 0 0 0 0\n"
                                     << 2 << "f1 \"256\" outside";
        QTest::newRow("bouton 2") << bon + "1 1 2 3 0 0 0 0 0 2 0\n" << 2 << "button b0";
        QTest::newRow("recul") << "50" + bon.mid(1) + bon << 2 << "time goes back";
        QTest::newRow("sans échantillon") << QByteArray("zelvor-gant 1\n#\n\n") << 3 << "no sample";
        QTest::newRow("vide") << QByteArray() << 1 << "no sample";
        QTest::newRow("tronqué") << bon + "20 1 2 3 0 0" << 2 << "last line truncated";
        QTest::newRow("version") << "zelvor-gant 2\n" + bon << 1 << "header";
        QTest::newRow("binaire") << QByteArray("\x00\xff\r \x80\n", 6) << 1 << "fields";
    }
    void erreurs()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(int, ligne);
        QFETCH(QString, probleme);
        QString erreur;
        QVERIFY(!analyserTrajectoire(contenu, QStringLiteral("t.txt"), nullptr, &erreur));
        QVERIFY2(erreur.startsWith(QStringLiteral("t.txt:%1: ").arg(ligne)) &&
                     erreur.contains(probleme) && !erreur.contains('\n'),
                 qPrintable(erreur));
    }

    // Written, then read back from a file in blocks: floats that a short format would not bring
    // back, times beyond 32 bits, a file edited by hand (BOM, CRLF, tabs, comments, one longer
    // than a block), lines across a block's edge, an error far beyond the first block still told
    // with its line.
    void fichier()
    {
        const float v[] = {0.1f, -0.0f, 1e-30f, std::numeric_limits<float>::max(), -2.5e-7f, 3};
        std::vector<EchantillonGant> ecrits;
        QByteArray texte = "\xEF\xBB\xBF" + enteteTrajectoire() + '#' + QByteArray(100000, 'c');
        for (int i = 0; i < 5000; ++i) {
            const float* f = v + i % 4;
            ecrits.push_back({i * 5000000011LL, {f[0], f[1], f[2], {0, 1, 2, 255}, {i % 2 == 1}}});
            texte += "\r\n  # c\r\n" + formaterEchantillon(ecrits.back()).replace(' ', '\t');
        }
        QTemporaryDir dossier;
        QFile f(dossier.filePath(QStringLiteral("t.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(texte) == texte.size() && f.flush());
        std::vector<EchantillonGant> lus;
        QString erreur;
        QVERIFY2(chargerTrajectoire(f.fileName(), &lus, &erreur), qPrintable(erreur));
        QCOMPARE(lus.size(), ecrits.size());
        for (std::size_t i = 0; i < lus.size(); ++i)
            QVERIFY(lus[i].tempsMs == ecrits[i].tempsMs && lus[i].etat == ecrits[i].etat &&
                    std::signbit(lus[i].etat.y) == std::signbit(ecrits[i].etat.y));
        QVERIFY(f.write("5000 0 0 0 0 0") > 0 && f.flush());
        QVERIFY(!chargerTrajectoire(f.fileName(), nullptr, &erreur));
        QCOMPARE(erreur, f.fileName() + ":15003: last line truncated: 11 fields expected, 6 found");
    }
};

QTEST_GUILESS_MAIN(TestTrajectoire)
#include "test_trajectoire.moc"
