// The main window's form as the user sees it: where its widgets lie, and whether their captions
// can be read whole. The window is the real one, started on the controller simulator.

#include "bancfenetre.h"
#include "view/glbox.h"

#include <QRegularExpression>
#include <QStyleOption>
#include <algorithm>

namespace {

// Two siblings that overlap where the form does not mean them to. The overlaps it means: labels
// laid over the 3D view; the delta captions and values, in 21-pixel rows at a 15-pixel spacing,
// the values over the captions' right ends; edges drawn on one shared pixel row or column.
bool chevauchementFortuit(const QWidget* a, const QWidget* b)
{
    const QRect commun = a->geometry() & b->geometry();
    if (a == b || a->parent() != b->parent() || commun.width() <= 1 || commun.height() <= 1)
        return false;
    for (const auto& [vue, autre] : {std::pair(a, b), std::pair(b, a)})
        if (qobject_cast<const GLBox*>(vue) && vue->geometry().contains(autre->geometry()))
            return false;
    static const QRegularExpression delta(QStringLiteral("^(Delta [XYZ] :|[-+.0-9e]+)$"));
    return !delta.match(texteDe(a)).hasMatch() || !delta.match(texteDe(b)).hasMatch();
}

// Where a label or a button draws its caption, across its advance and down its ink (a descent
// without descenders may lie under the next row), and the room its style gives it there.
std::pair<QRect, QRect> legende(QWidget* w)
{
    const auto* label = qobject_cast<QLabel*>(w);
    QRect place = w->contentsRect();
    if (!label) {
        QStyleOptionButton option;
        option.initFrom(w);
        const int marge = w->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, w) / 2;
        place = w->style()
                    ->subElementRect(QStyle::SE_PushButtonContents, &option, w)
                    .adjusted(marge, 0, -marge, 0);
    }
    const QFontMetrics fm(w->font());
    const QRect ligne =
        fm.boundingRect(place, label ? int(label->alignment()) : Qt::AlignCenter, texteDe(w));
    const QRect encre = fm.tightBoundingRect(texteDe(w)).translated(0, ligne.y() + fm.ascent());
    return {QRect(ligne.x(), encre.y(), ligne.width(), encre.height()), place};
}

// What the user sees of a widget: its rectangle, less what later siblings that paint their own
// background cover.
QRegion partVisible(QWidget* w)
{
    QRegion visible(w->rect());
    const auto freres = w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* f : freres.mid(freres.indexOf(w) + 1))
        if (f->isVisible() && (f->autoFillBackground() || qobject_cast<GLBox*>(f)))
            visible -= f->geometry().translated(-w->pos());
    return visible;
}

// Whether one label, and only one, shows `texte` on the row of `controle`, to its left.
bool legendeEnFace(const QWidget* controle, const QString& texte)
{
    const auto freres = controle->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    return std::count_if(freres.begin(), freres.end(), [&](const QLabel* l) {
               const int ecart = l->geometry().center().y() - controle->geometry().center().y();
               return l->text() == texte && l->x() < controle->x() && qAbs(ecart) <= 1;
           }) == 1;
}

} // namespace

class TestFormulaire : public QObject
{
    Q_OBJECT

    BancFenetre banc;

private slots:
    void initTestCase()
    {
        QVERIFY(banc.demarrer());
        banc.fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(banc.fenetre.get()));
    }

    // Every widget lies inside its parent and overlaps its siblings only where the form means
    // it to; every label but the photos and every button has a caption, and it lies whole where
    // the user sees it: inside the room its style gives it, and not under a sibling drawn over it.
    // Each slider and each readout has its axis's caption on its row, to its left.
    void disposition()
    {
        banc.fenetre->resize(900, 700);
        QCOMPARE(banc.fenetre->size(), QSize(760, 540));
        QList<QWidget*> widgets = banc.fenetre->findChildren<QWidget*>();
        widgets.removeIf([](const QWidget* w) { return w->isWindow(); }); // message boxes
        QCOMPARE(widgets.size(), 51);
        // In manual mode too the robot readouts show where the controller lists the arm.
        QTRY_COMPARE(banc.lectures("PositionRobotFrame"), (QStringList{"3162", "0", "2450"}));
        for (QWidget* w : widgets) {
            const QString nom = w->objectName() + " \"" + texteDe(w) + "\"";
            // The robot panel was drawn one pixel above the window's top edge.
            const int haut = w->objectName() == QLatin1String("RobotGroupBox") ? -1 : 0;
            QVERIFY2(w->parentWidget()->rect().adjusted(0, haut, 0, 0).contains(w->geometry()),
                     qPrintable(nom));
            for (QWidget* f : widgets)
                QVERIFY2(!chevauchementFortuit(w, f), qPrintable(nom + " / " + f->objectName()));
            if (!(qobject_cast<QLabel*>(w) || w->inherits("QPushButton")) ||
                w->objectName().startsWith(QLatin1String("Photo")))
                continue;
            QVERIFY2(!texteDe(w).isEmpty(), qPrintable(nom));
            const auto [dessin, place] = legende(w);
            QVERIFY2(place.contains(dessin), qPrintable(nom));
            QVERIFY2((QRegion(dessin) - partVisible(w)).isEmpty(), qPrintable(nom + " covered"));
        }
        for (const QString axe : {"X", "Y", "Z", "R", "P"}) {
            QList<std::pair<QString, QString>> lignes{{"Axe%1Slider", "Axe %1 :"}};
            if (axe != "R" && axe != "P")
                lignes += {{"Capteur%1Value", "%1 ="},
                           {"Delta%1Value", "Delta %1 :"},
                           {"Robot%1Value", "%1 ="}};
            for (const auto& [controle, texte] : lignes)
                QVERIFY2(legendeEnFace(banc.widget(qPrintable(controle.arg(axe))), texte.arg(axe)),
                         qPrintable(controle.arg(axe)));
        }
        for (const char* photo : {"PhotoP5Glove", "PhotoScorbot"})
            QVERIFY(!banc.widget<QLabel>(photo)->pixmap().isNull());
    }
};

QTEST_MAIN(TestFormulaire)
#include "test_formulaire.moc"
