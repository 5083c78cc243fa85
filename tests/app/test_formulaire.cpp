// The main window's form as the user sees it: where its widgets lie, whether their captions can
// be read whole, and how a disabled control looks. The window is the real one, started on the
// controller simulator.

#include "bancfenetre.h"
#include "view/glbox.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

namespace {

// The overlaps the form means: labels laid over the 3D view; the delta captions and values, in
// 21-pixel rows at a 15-pixel spacing, the values over the captions' right ends; edges drawn on
// one shared pixel row or column.
bool chevauchementVoulu(const QWidget* a, const QWidget* b)
{
    const QRect commun = a->geometry() & b->geometry();
    if (commun.width() == 1 || commun.height() == 1)
        return true;
    for (const auto& [vue, autre] : {std::pair(a, b), std::pair(b, a)})
        if (qobject_cast<const GLBox*>(vue) && vue->geometry().contains(autre->geometry()))
            return true;
    static const QRegularExpression delta(QStringLiteral("^(Delta [XYZ] :|[-+.0-9e]+)$"));
    return delta.match(texteDe(a)).hasMatch() && delta.match(texteDe(b)).hasMatch();
}

// Where a label or a button draws its caption, across its advance and down its ink (a descent
// without descenders may lie under the next row), and the room its style gives it there.
std::pair<QRect, QRect> legende(QWidget* w)
{
    QRect place = w->contentsRect();
    int alignement = Qt::AlignCenter;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        alignement = int(label->alignment());
    } else {
        QStyleOptionButton option;
        option.initFrom(w);
        const int marge = w->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, w) / 2;
        place = w->style()
                    ->subElementRect(QStyle::SE_PushButtonContents, &option, w)
                    .adjusted(marge, 0, -marge, 0);
    }
    const QFontMetrics fm(w->font());
    const QRect ligne = fm.boundingRect(place, alignement, texteDe(w));
    const QRect encre = fm.tightBoundingRect(texteDe(w)).translated(0, ligne.y() + fm.ascent());
    return {QRect(ligne.x(), encre.y(), ligne.width(), encre.height()), place};
}

// What the user sees of a widget: its rectangle, less what later siblings that paint their own
// background cover.
QRegion partVisible(QWidget* w)
{
    QRegion visible(w->rect());
    const QObjectList& freres = w->parent()->children();
    for (qsizetype i = freres.indexOf(w) + 1; i < freres.size(); ++i) {
        auto* f = qobject_cast<QWidget*>(freres[i]);
        if (f && f->isVisible() && (f->autoFillBackground() || qobject_cast<GLBox*>(f)))
            visible -= f->geometry().translated(-w->pos());
    }
    return visible;
}

} // namespace

class TestFormulaire : public QObject
{
    Q_OBJECT

private:
    BancFenetre banc;
    GLObjectWindow* fenetre = nullptr;
    QList<QWidget*> widgets; // the form's, without the windows of their own (message boxes)

private slots:
    void initTestCase()
    {
        QVERIFY(banc.demarrer());
        fenetre = banc.fenetre.get();
        fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(fenetre));
        widgets = fenetre->findChildren<QWidget*>();
        widgets.removeIf([](const QWidget* w) { return w->isWindow(); });
    }

    void disposition()
    {
        fenetre->resize(900, 700);
        QCOMPARE(fenetre->size(), QSize(760, 540));
        QCOMPARE(widgets.size(), 51);
        for (QWidget* w : widgets) {
            QRect parent = w->parentWidget()->rect();
            // The robot panel was drawn one pixel above the window's top edge.
            if (w->objectName() == QLatin1String("Gestion du robot :"))
                parent.setTop(-1);
            QVERIFY2(parent.contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget* frere : widgets)
                if (frere != w && frere->parent() == w->parent() &&
                    frere->geometry().intersects(w->geometry()))
                    QVERIFY2(chevauchementVoulu(w, frere),
                             qPrintable(w->objectName() + " / " + frere->objectName()));
        }
        for (const char* photo : {"PhotoP5Glove", "PhotoScorbot"})
            QVERIFY(!fenetre->findChild<QLabel*>(photo)->pixmap().isNull());
    }

    // Every caption lies whole where the user sees it: inside the room its style gives it, and
    // not under a sibling drawn over it.
    void legendesLisibles()
    {
        QStringList vues;
        for (QWidget* w : widgets) {
            if (texteDe(w).isEmpty() ||
                !(qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w)))
                continue;
            const auto [dessin, place] = legende(w);
            const QString nom = w->objectName() + " \"" + texteDe(w) + "\"";
            QVERIFY2(place.contains(dessin), qPrintable(nom));
            QVERIFY2((QRegion(dessin) - partVisible(w)).isEmpty(), qPrintable(nom + " covered"));
            vues << texteDe(w);
        }
        // Byte for byte what the form shows, so that no caption went unchecked.
        vues.sort();
        QCOMPARE(vues.join('|'), "+ Capteur|+ Robot|...|0|0|0|0|0|0|0|0|0|Axe P :|Axe R :|Axe X|"
                                 "Axe X :|Axe Y|Axe Y :|Axe Z|Axe Z :|Delta X :|Delta Y :|Delta Z "
                                 ":|Homing du SCORBOT|Lancer|Position :|Position du P5 :|Quitter|"
                                 "Visualisation 3D :|X =|X =|Y =|Y =|Z =|Z =");
    }

    // A disabled control is drawn as the style draws any disabled control of its kind, not in
    // the form's colours.
    void desactiveSeVoit_data()
    {
        QTest::addColumn<QString>("nom");
        for (const char* nom : {"LancerButton", "Homing du SCORBOT",
                                "Axe X :", "Axe Y :", "Axe Z :", "Axe R :", "Axe P :"})
            QTest::newRow(nom) << QString::fromLatin1(nom);
    }
    void desactiveSeVoit()
    {
        QFETCH(QString, nom);
        QWidget* w = fenetre->findChild<QWidget*>(nom);
        QVERIFY(w && w->isEnabled());
        // As the window shows it, over what lies behind it.
        const QRect ici = w->geometry().translated(w->parentWidget()->mapTo(fenetre, QPoint()));
        const QImage actif = fenetre->grab(ici).toImage();
        w->setEnabled(false);
        const QImage inactif = fenetre->grab(ici).toImage();
        // The same, disabled, without the form's colours.
        const QPalette couleurs = w->palette();
        w->setPalette(QPalette());
        const QImage attendu = fenetre->grab(ici).toImage();
        w->setPalette(couleurs);
        w->setEnabled(true);
        QVERIFY(actif != inactif);
        QCOMPARE(inactif, attendu);
    }
};

QTEST_MAIN(TestFormulaire)
#include "test_formulaire.moc"
