// The English translation: every text of the window, its message boxes and the glove panel has
// one; the French texts stay the source.
#include "../app/bancfenetre.h"
#include "app/langue.h"
#include "app/panneaugantvirtuel.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTranslator>

// Every literal text the code hands to the translation, read from the sources so that a text
// added there is checked without touching this test (the boxes and the panel show theirs only in
// some states): traduire("...") and translate("Contexte", "...") in app/, texte("...") in the
// panel; adjacent literals are joined, \n and \" read as in C++.
static const QRegularExpression kAppel(
    R"re(\b(?:(traduire|texte)\(|translate\(\s*"(\w+)"\s*,)((?:\s*"(?:[^"\\]|\\.)*")+)\s*[,)])re");
static const QRegularExpression kLitteral(R"re("((?:[^"\\]|\\.)*)")re");

class TestTraduction : public QObject
{
    Q_OBJECT

private slots:
    void toutLeTexteEstTraduit()
    {
        QTranslator anglais;
        QVERIFY(anglais.load(QString::fromLatin1(kTraductionAnglaise)));
        QList<std::pair<QString, QString>> textes;
        const QDir app(QStringLiteral(ZELVOR_SOURCES "/app"));
        for (const QString& nom : app.entryList({"*.cpp"})) {
            QFile f(app.filePath(nom));
            QVERIFY(f.open(QIODevice::ReadOnly));
            for (const auto& a : kAppel.globalMatch(QString::fromUtf8(f.readAll()))) {
                QString contexte = a.captured(2), texte;
                if (contexte.isEmpty())
                    contexte = a.captured(1) == "texte" ? "PanneauGantVirtuel" : "GLObjectWindow";
                for (const auto& l : kLitteral.globalMatch(a.captured(3)))
                    texte += l.captured(1);
                texte.replace("\\n", "\n").replace("\\\"", "\"").replace("\\\\", "\\");
                textes.append({contexte, texte});
            }
        }
        QVERIFY2(textes.size() > 30, qPrintable(QString::number(textes.size())));
        // Then what the window shows: the form's texts (app/globjectwindow.ui), and a text set
        // there without the translation included. A port that does not exist: the form and its
        // texts are built all the same.
        BancFenetre banc;
        banc.ouvrir("/dev/zelvor-absent", {}, "none");
        QList<QWidget*> widgets = banc.fenetre->findChildren<QWidget*>();
        for (const QWidget* w : widgets << banc.fenetre.get())
            for (const QString& t : {w->windowTitle(), w->toolTip(), texteDe(w)})
                textes.append({"GLObjectWindow", t});
        for (const auto& [c, t] : textes) // context, text
            QVERIFY2(t.isEmpty() || !anglais.translate(qPrintable(c), qPrintable(t)).isEmpty(),
                     qPrintable("untranslated: " + c + ": " + t));
    }

    // What the window, its start-up boxes and the panel show, with --langue given, on a desktop
    // in the other language.
    void langue_data()
    {
        QTest::addColumn<QString>("textes");
        QTest::newRow("fr") << "Lancer|Gant virtuel|Pince ouverte|Aucun périphérique P5 détecté|"
                               "Impossible d'ouvrir le port /nonexistent.\nCode erreur : E0002";
        QTest::newRow("en") << "Start|Virtual glove|Gripper open|No P5 device detected|"
                               "Cannot open port /nonexistent.\nError code: E0002";
    }
    void langue()
    {
        const QString langue = QTest::currentDataTag();
        QLocale::setDefault(QLocale(langue == "fr" ? "en_GB" : "fr_FR"));
        installerTraduction(*qApp, langue);
        SimulateurPty sim; // not started: the panel shows the arm at rest
        PanneauGantVirtuel panneau(nullptr, &sim);
        BancFenetre banc;
        banc.ouvrir("/nonexistent", {}, "none");
        QTRY_COMPARE(banc.repondeur.boites.size(), 2); // the port's box follows the window
        qDeleteAll(qApp->findChildren<QTranslator*>());
        const QStringList vus{banc.widget<QAbstractButton>("LancerButton")->text(),
                              panneau.windowTitle(), panneau.etatPince()->text(),
                              banc.repondeur.boites.value(0).titre,
                              banc.repondeur.boites.value(1).texte};
        QTEST(vus.join('|'), "textes");
    }
};

QTEST_MAIN(TestTraduction)
#include "test_traduction.moc"
