// The English translation: every text of the window, its message boxes and the glove panel has
// one; the French texts stay the source.
#include "../app/bancfenetre.h"
#include "app/langue.h"
#include "app/panneaugantvirtuel.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>

namespace {

struct TexteDuCode
{
    QString contexte;
    QString texte;
};

// Every literal text the window's and the panel's code hands to the translation, read from the
// sources themselves, so that a text added there is checked without touching this test:
// traduire("...") and QCoreApplication::translate("Contexte", "...") in app/, texte("...") in
// the panel; adjacent literals are joined, \n and \" read as in C++.
QList<TexteDuCode> textesDuCode()
{
    static const QRegularExpression appel(
        R"re((\btraduire|\btexte|\btranslate)\(\s*(?:"(\w+)"\s*,\s*)?((?:\s*"(?:[^"\\]|\\.)*")+)\s*[,)])re");
    static const QRegularExpression litteral(R"re("((?:[^"\\]|\\.)*)")re");
    QStringList fichiers;
    for (const QString& f : QDir(QStringLiteral(ZELVOR_SOURCES "/app")).entryList({"*.cpp"}))
        fichiers << QStringLiteral(ZELVOR_SOURCES "/app/") + f;
    QList<TexteDuCode> textes;
    for (const QString& chemin : fichiers) {
        QFile f(chemin);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString code = QString::fromUtf8(f.readAll());
        for (const auto& a : appel.globalMatch(code)) {
            const QString fonction = a.captured(1);
            QString contexte = a.captured(2);
            if (fonction == "translate" && contexte.isEmpty())
                continue; // the context, not a text: its text is a variable
            if (contexte.isEmpty())
                contexte = fonction == "texte" ? "PanneauGantVirtuel" : "GLObjectWindow";
            QString texte;
            for (const auto& l : litteral.globalMatch(a.captured(3)))
                texte += l.captured(1);
            texte.replace("\\n", "\n").replace("\\\"", "\"").replace("\\\\", "\\");
            textes.append({contexte, texte});
        }
    }
    return textes;
}

} // namespace

class TestTraduction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void toutLeTexteEstTraduit();
    void langue_data();
    void langue();

private:
    QTranslator anglais;
};

void TestTraduction::initTestCase()
{
    QVERIFY(anglais.load(QString::fromLatin1(kTraductionAnglaise)));
}

void TestTraduction::toutLeTexteEstTraduit()
{
    BancFenetre banc; // a port that does not exist: the form and its texts are built all the same
    banc.ouvrir("/dev/zelvor-absent", {}, "none");
    QStringList manquants;
    for (const QString& t : textesAffiches(banc.fenetre.get()))
        if (anglais.translate("GLObjectWindow", t.toUtf8().constData()).isEmpty())
            manquants << t;
    // The message boxes and the panel's texts, shown only in some states, from the code.
    const QList<TexteDuCode> code = textesDuCode();
    QVERIFY2(code.size() > 60, qPrintable(QString::number(code.size())));
    for (const TexteDuCode& t : code)
        if (anglais.translate(t.contexte.toUtf8().constData(), t.texte.toUtf8().constData())
                .isEmpty())
            manquants << t.contexte + ": " + t.texte;
    QVERIFY2(manquants.isEmpty(), qPrintable("untranslated: " + manquants.join(" | ")));
}

void TestTraduction::langue_data()
{
    // The user's locale, --langue, then what the window, its start-up boxes and the panel show.
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("langue");
    QTest::addColumn<QStringList>("textes");
    QTest::newRow("français sur un bureau anglais")
        << "en_GB"
        << "fr"
        << QStringList{"Lancer", "Aucun périphérique P5 détecté",
                       "Impossible d'ouvrir le port /dev/zelvor-absent.\nCode erreur : E0002",
                       "Gant virtuel", "Pince ouverte"};
    QTest::newRow("anglais demandé") << "fr_FR"
                                     << "en"
                                     << QStringList{"Start", "No P5 device detected",
                                                    "Cannot open port /dev/zelvor-absent.\nError "
                                                    "code: E0002",
                                                    "Virtual glove", "Gripper open"};
}

void TestTraduction::langue()
{
    QFETCH(QString, locale);
    QFETCH(QString, langue);
    QFETCH(QStringList, textes);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(installerTraduction(*QCoreApplication::instance(), langue), langue == "en");
    SimulateurPty sim; // not started: the panel shows the arm at rest
    PanneauGantVirtuel panneau(nullptr, &sim);
    BancFenetre banc;
    banc.ouvrir("/dev/zelvor-absent", {}, "none");
    for (auto* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QCOMPARE(banc.repondeur.boites.size(), 2);
    QCOMPARE((QStringList{banc.fenetre->findChild<QPushButton*>("LancerButton")->text(),
                          banc.repondeur.boites[0].titre, banc.repondeur.boites[1].texte,
                          panneau.windowTitle(), panneau.etatPince()->text()}),
             textes);
}

QTEST_MAIN(TestTraduction)
#include "test_traduction.moc"
