// The main window's form, widget by widget, against the table it is built from; the window is
// the real one, started on the controller simulator, its pictures compiled into the UI library.

#include "bancfenetre.h"
#include "view/glbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTranslator>

namespace {

// Wraps every text of the window's context in brackets.
class TraducteurTemoin : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* contexte, const char* source, const char*, int) const override
    {
        return qstrcmp(contexte, "GLObjectWindow") == 0
                   ? QLatin1Char('[') + QString::fromUtf8(source) + QLatin1Char(']')
                   : QString();
    }
};

// Position among the widget children of its parent: creation order, and so stacking order (the
// legend and delta readouts over the view; raise() and lower() reorder this list too).
int rangParmiFreres(const QWidget* w)
{
    int rang = 0;
    for (const QObject* frere : w->parent()->children()) {
        if (frere == w)
            return rang;
        rang += frere->isWidgetType() ? 1 : 0;
    }
    return -1;
}

} // namespace

class TestFormulaire : public QObject
{
    Q_OBJECT

private:
    BancFenetre banc;
    GLObjectWindow* fenetre = nullptr;
    QHash<const QWidget*, int> freresVus; // filled while the table is built

    void ligne(const char* membre, QWidget* w, const char* classe, QWidget* parent, const char* nom,
               QRect geometrie, const char* texte = "", QColor avant = {}, QColor fond = {},
               QList<int> curseur = {})
    {
        QTest::newRow(membre) << w << QString::fromLatin1(classe) << parent
                              << QString::fromUtf8(nom) << geometrie << QString::fromUtf8(texte)
                              << avant << fond << curseur << freresVus[parent]++;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(banc.demarrer());
        fenetre = banc.fenetre.get();
        fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(fenetre));
    }

    void tailleFixe()
    {
        QCOMPARE(fenetre->minimumSize(), QSize(760, 540));
        QCOMPARE(fenetre->maximumSize(), QSize(760, 540));
        fenetre->resize(900, 700);
        QCOMPARE(fenetre->size(), QSize(760, 540));
        QCOMPARE(fenetre->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
    }

    // Every text goes through the translation of the window's context.
    void textesTraduits()
    {
        TraducteurTemoin traducteur;
        QVERIFY(QCoreApplication::installTranslator(&traducteur));
        QVERIFY(QMetaObject::invokeMethod(fenetre, "languageChange"));
        QCoreApplication::removeTranslator(&traducteur);
        const QStringList textes = textesAffiches(fenetre);
        // Back to the plain texts for the table below.
        QVERIFY(QMetaObject::invokeMethod(fenetre, "languageChange"));
        QCOMPARE(fenetre->windowTitle(), QStringLiteral("ZELVOR"));
        QVERIFY(textes.size() > 30);
        for (const QString& t : textes)
            QVERIFY2(t.startsWith('[') && t.endsWith(']'), qPrintable(t));
    }

    void widgets_data()
    {
        QTest::addColumn<QWidget*>("w");
        QTest::addColumn<QString>("classe");
        QTest::addColumn<QWidget*>("parent");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QRect>("geometrie");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QColor>("avant"); // invalid: the default palette
        QTest::addColumn<QColor>("fond");
        QTest::addColumn<QList<int>>("curseur"); // minimum, maximum, page step, value
        QTest::addColumn<int>("rang");

        GLObjectWindow* f = fenetre;
        freresVus.clear();
        const QColor violet(85, 0, 255);
        const QColor noir(0, 0, 0);
        const QColor blanc(255, 255, 255);
        // clang-format off
        ligne("CapteurGroupBox", f->CapteurGroupBox, "QGroupBox", f, "Gestion du capteur 3D :", {10, 0, 430, 530}, "Gestion du capteur 3D :");
        ligne("CapteurFrame", f->CapteurFrame, "QGroupBox", f->CapteurGroupBox, "CapteurFrame", {20, 29, 161, 131});
        ligne("PositionP5Label", f->PositionP5Label, "QLabel", f->CapteurFrame, "Position du P5 :", {10, 10, 140, 21}, "Position du P5 :");
        ligne("CapteurZLabel", f->CapteurZLabel, "QLabel", f->CapteurFrame, "Z =", {21, 101, 30, 21}, "Z =", violet);
        ligne("CapteurYLabel", f->CapteurYLabel, "QLabel", f->CapteurFrame, "Y =", {21, 71, 30, 21}, "Y =", violet);
        ligne("CapteurXLabel", f->CapteurXLabel, "QLabel", f->CapteurFrame, "X =", {21, 41, 30, 21}, "X =", violet);
        ligne("CapteurXValue", f->CapteurXValue, "QLabel", f->CapteurFrame, "0", {60, 40, 90, 21}, "0", noir);
        ligne("CapteurZValue", f->CapteurZValue, "QLabel", f->CapteurFrame, "0", {60, 101, 90, 21}, "0", noir);
        ligne("CapteurYValue", f->CapteurYValue, "QLabel", f->CapteurFrame, "0", {60, 70, 90, 21}, "0", noir);
        ligne("PhotoP5Glove", f->PhotoP5Glove, "QLabel", f->CapteurGroupBox, "PhotoP5Glove", {200, 30, 211, 131});
        ligne("OpenGlFrame", f->OpenGlFrame, "QGroupBox", f->CapteurGroupBox, "OpenGlFrame", {20, 179, 391, 331});
        ligne("Visualisation3DLabel", f->Visualisation3DLabel, "QLabel", f->OpenGlFrame, "Visualisation 3D :", {10, 10, 147, 21}, "Visualisation 3D :");
        ligne("glbox", f->glbox, "GLBox", f->OpenGlFrame, "glbox", {20, 40, 350, 270});
        ligne("DeltaXText", f->DeltaXText, "QLabel", f->OpenGlFrame, "Delta X :", {250, 250, 60, 21}, "Delta X :", blanc, noir);
        ligne("DeltaYText", f->DeltaYText, "QLabel", f->OpenGlFrame, "DeltaYText", {250, 265, 60, 21}, "Delta Y :", blanc, noir);
        ligne("DeltaZText", f->DeltaZText, "QLabel", f->OpenGlFrame, "DeltaZText", {250, 280, 60, 21}, "Delta Z :", blanc, noir);
        ligne("DeltaXValue", f->DeltaXValue, "QLabel", f->OpenGlFrame, "0", {300, 250, 60, 21}, "0", blanc, noir);
        ligne("DeltaYValue", f->DeltaYValue, "QLabel", f->OpenGlFrame, "0", {300, 265, 60, 21}, "0", blanc, noir);
        ligne("DeltaZValue", f->DeltaZValue, "QLabel", f->OpenGlFrame, "0", {300, 280, 60, 21}, "0", blanc, noir);
        ligne("LegendeCapteurLabel", f->LegendeCapteurLabel, "QLabel", f->OpenGlFrame, "+ Capteur", {310, 40, 60, 21}, "+ Capteur", {0, 255, 252}, noir);
        ligne("LegendeRobotLabel", f->LegendeRobotLabel, "QLabel", f->OpenGlFrame, "+ Robot", {310, 60, 60, 21}, "+ Robot", {252, 255, 0}, noir);
        ligne("LegendeAxeXLabel", f->LegendeAxeXLabel, "QLabel", f->OpenGlFrame, "Axe X", {30, 40, 40, 21}, "Axe X", {0, 0, 255}, noir);
        ligne("LegendeAxeYLabel", f->LegendeAxeYLabel, "QLabel", f->OpenGlFrame, "Axe Y", {30, 60, 40, 21}, "Axe Y", {0, 255, 0}, noir);
        ligne("LegendeAxeZLabel", f->LegendeAxeZLabel, "QLabel", f->OpenGlFrame, "Axe Z", {30, 80, 40, 21}, "Axe Z", {255, 0, 0}, noir);
        ligne("RobotGroupBox", f->RobotGroupBox, "QGroupBox", f, "Gestion du robot :", {451, -1, 300, 530}, "Gestion du robot :");
        ligne("CtrlRobotFrame", f->CtrlRobotFrame, "QGroupBox", f->RobotGroupBox, "CtrlRobotFrame", {21, 30, 260, 220});
        ligne("AxeXSlider", f->AxeXSlider, "QSlider", f->CtrlRobotFrame, "AxeXSlider", {80, 20, 160, 21}, "", {}, {}, {1745, 4300, 20, 3162});
        ligne("AxeYSlider", f->AxeYSlider, "QSlider", f->CtrlRobotFrame, "AxeYSlider", {80, 50, 160, 21}, "", {}, {}, {-4500, 4500, 20, 0});
        ligne("AxeZSlider", f->AxeZSlider, "QSlider", f->CtrlRobotFrame, "AxeZSlider", {80, 80, 160, 21}, "", {}, {}, {550, 4900, 20, 2450});
        ligne("AxeRSlider", f->AxeRSlider, "QSlider", f->CtrlRobotFrame, "AxeRSlider", {80, 110, 160, 21}, "", {}, {}, {-1000, 1000, 10, 0});
        ligne("AxePSlider", f->AxePSlider, "QSlider", f->CtrlRobotFrame, "AxePSlider", {80, 140, 160, 21}, "", {}, {}, {-1000, 0, 10, -850});
        ligne("HomingButton", f->HomingButton, "QPushButton", f->CtrlRobotFrame, "Homing du SCORBOT", {80, 180, 161, 21}, "Homing du SCORBOT", violet);
        ligne("CommandeCheckBox", f->CommandeCheckBox, "QCheckBox", f->CtrlRobotFrame, "", {25, 180, 30, 21});
        ligne("AxeXLabel", f->AxeXLabel, "QLabel", f->CtrlRobotFrame, "Axe X :", {20, 20, 60, 21}, "Axe X :", violet);
        ligne("AxeYLabel", f->AxeYLabel, "QLabel", f->CtrlRobotFrame, "Axe Y :", {20, 50, 60, 21}, "Axe Y :", violet);
        ligne("AxeZLabel", f->AxeZLabel, "QLabel", f->CtrlRobotFrame, "Axe Z :", {20, 80, 60, 21}, "Axe Z :", violet);
        ligne("AxeRLabel", f->AxeRLabel, "QLabel", f->CtrlRobotFrame, "Axe R :", {20, 110, 60, 21}, "Axe R :", violet);
        ligne("AxePLabel", f->AxePLabel, "QLabel", f->CtrlRobotFrame, "Axe P :", {20, 140, 59, 21}, "Axe P :", violet);
        ligne("ControleFrame", f->ControleFrame, "QGroupBox", f->RobotGroupBox, "ControleFrame", {19, 450, 260, 61});
        ligne("LancerButton", f->LancerButton, "QPushButton", f->ControleFrame, "LancerButton", {170, 15, 70, 30}, "Lancer", violet);
        ligne("AboutButton", f->AboutButton, "QPushButton", f->ControleFrame, "AboutButton", {105, 15, 51, 30}, "...", violet);
        ligne("QuitterButton", f->QuitterButton, "QPushButton", f->ControleFrame, "QuitterButton", {20, 15, 70, 30}, "Quitter", violet);
        ligne("PositionRobotFrame", f->PositionRobotFrame, "QGroupBox", f->RobotGroupBox, "PositionRobotFrame", {19, 270, 260, 161});
        ligne("PositionRobotLabel", f->PositionRobotLabel, "QLabel", f->PositionRobotFrame, "Position :", {20, 20, 111, 21}, "Position :");
        ligne("RobotXLabel", f->RobotXLabel, "QLabel", f->PositionRobotFrame, "X =", {33, 50, 32, 21}, "X =", violet);
        ligne("RobotYLabel", f->RobotYLabel, "QLabel", f->PositionRobotFrame, "Y =", {33, 80, 30, 21}, "Y =", violet);
        ligne("RobotZLabel", f->RobotZLabel, "QLabel", f->PositionRobotFrame, "Z =", {33, 110, 32, 21}, "Z =", violet);
        ligne("RobotXValue", f->RobotXValue, "QLabel", f->PositionRobotFrame, "0", {70, 50, 60, 21}, "0");
        ligne("RobotYValue", f->RobotYValue, "QLabel", f->PositionRobotFrame, "0", {70, 80, 60, 21}, "0");
        ligne("RobotZValue", f->RobotZValue, "QLabel", f->PositionRobotFrame, "0", {70, 110, 60, 21}, "0");
        ligne("PhotoScorbot", f->PhotoScorbot, "QLabel", f->PositionRobotFrame, "PhotoScorbot", {140, 21, 101, 120});
        // clang-format on
    }

    void widgets()
    {
        QFETCH(QWidget*, w);
        QFETCH(QString, classe);
        QFETCH(QWidget*, parent);
        QFETCH(QString, nom);
        QFETCH(QRect, geometrie);
        QFETCH(QString, texte);
        QFETCH(QColor, avant);
        QFETCH(QColor, fond);
        QFETCH(QList<int>, curseur);
        QFETCH(int, rang);

        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), classe);
        QCOMPARE(w->parentWidget(), parent);
        QCOMPARE(w->objectName(), nom);
        QCOMPARE(w->geometry(), geometrie);
        QCOMPARE(texteDe(w), texte);
        QCOMPARE(rangParmiFreres(w), rang);

        const QPalette standard = QApplication::palette(w);
        const QColor couleurTexte = w->palette().color(w->foregroundRole());
        QCOMPARE(couleurTexte, avant.isValid() ? avant : standard.color(w->foregroundRole()));
        QCOMPARE(w->autoFillBackground(), fond.isValid());
        if (fond.isValid())
            QCOMPARE(w->palette().color(w->backgroundRole()), fond);

        if (auto* curseurW = qobject_cast<QSlider*>(w)) {
            QCOMPARE(QList<int>({curseurW->minimum(), curseurW->maximum(), curseurW->pageStep(),
                                 curseurW->value()}),
                     curseur);
            QCOMPARE(curseurW->orientation(), Qt::Horizontal);
            QCOMPARE(curseurW->singleStep(), QSlider().singleStep());
        }
        if (auto* coche = qobject_cast<QCheckBox*>(w))
            QVERIFY(coche->isChecked());
        if (nom.startsWith(QLatin1String("Photo"))) {
            auto* photo = qobject_cast<QLabel*>(w);
            QCOMPARE(photo->frameShape(), QFrame::Box);
            QVERIFY(photo->hasScaledContents());
            QCOMPARE(photo->pixmap().size(), geometrie.size()); // the right picture, found
        }
    }
};

QTEST_MAIN(TestFormulaire)
#include "test_formulaire.moc"
