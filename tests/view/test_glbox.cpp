// The view drawn for real by Mesa under a virtual display: every expected pixel position comes
// from the same projection the view sets up, computed here independently.

#include "view/glbox.h"

#include <QMatrix4x4>
#include <QTest>

namespace {

// Counts the paints a widget gets: what reaches the screen.
struct ComptePeintures : QObject
{
    bool eventFilter(QObject*, QEvent* e) override { return (n += e->type() == QEvent::Paint) < 0; }
    int n = 0;
};

using Attendu = std::pair<QVector3D, QColor>; // a point in model units, and its colour there

// Around the pixel where a point in model units lands in an image of the given size, at the given
// angles (about X, then about Y). Lines are 1 or 2 pixels wide and rasterised to the nearest
// pixel: the zone reaches two pixels each way.
QRect zone(QVector3D point, QPointF angles, QSize taille)
{
    QMatrix4x4 m;
    m.frustum(-1, 1, -1, 1, 5, 15);
    m.translate(0, 0, -10);
    m.scale(1.25f);
    m.rotate(float(angles.x()), 1, 0, 0);
    m.rotate(float(angles.y()), 0, 1, 0);
    const QVector3D p = m.map(point);
    const QPointF ici((p.x() + 1) / 2 * taille.width(), (1 - p.y()) / 2 * taille.height());
    return {(ici - QPointF(2, 2)).toPoint(), QSize(5, 5)};
}

// Whether the colour shows anywhere in `ici`, to the top five bits of each component: the
// crosses' 98 % comes out as 249 or 250.
bool couleurDans(const QImage& image, QRect ici, QColor c)
{
    ici &= image.rect();
    for (int y = ici.top(); y <= ici.bottom(); ++y)
        for (int x = ici.left(); x <= ici.right(); ++x)
            if ((image.pixel(x, y) & 0xf8f8f8) == (c.rgb() & 0xf8f8f8))
                return true;
    return false;
}

} // namespace

class TestGLBox : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> cadre;
    GLBox* vue = nullptr;

private slots:
    // In a frame, as in the window: window coordinates of the view's pixel (0, 0) are then not
    // the null point that QTest takes for "the centre". Moved and resized once drawn, wider than
    // high: the projection stays -1..1 both ways, and the picture stretches.
    void init()
    {
        cadre = std::make_unique<QWidget>();
        cadre->resize(390, 330);
        vue = new GLBox(cadre.get(), "glbox");
        cadre->show();
        QVERIFY(QTest::qWaitForWindowExposed(cadre.get()));
        vue->setGeometry(20, 40, 360, 200);
        QTRY_COMPARE(vue->grab().toImage().size(), QSize(360, 200));
    }

    // What the view draws after a press, moves with the button held, and a release: a drag turns
    // the scene to the cursor's last position, even beyond the view's edges (its y about X, its x
    // about Y); a click alone turns nothing.
    void dessin_data()
    {
        QTest::addColumn<QVector3D>("gant");       // view units
        QTest::addColumn<QVector3D>("robot");      // view units
        QTest::addColumn<QList<QPoint>>("trajet"); // moves while the button is held
        QTest::addColumn<QColor>("absente");       // nowhere in the picture
        QTest::addColumn<QList<Attendu>>("attendus");
        const QVector3D o, x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
        const QVector3D gant(-8, -7, 0), robot(-3, -10, 3), g = gant * 0.1f, r = robot * 0.1f;
        // Both crosses on the origin: the glove's covers the robot's, the axes cover both; each
        // cone lies beyond the end of its axis.
        QList<Attendu> origine;
        for (const auto& [e, c] : QList<Attendu>{{x, Qt::blue}, {y, Qt::red}, {z, Qt::green}})
            origine += QList<Attendu>{{0.5f * e, c}, {1.08f * e, c}, {-0.07f * e, Qt::cyan}};
        QTest::newRow("origine") << o << o << QList<QPoint>{} << QColor(Qt::yellow) << origine;
        // Away from the axes; the line runs from the robot to the glove, so check the arms that
        // point away from it.
        QTest::newRow("points deplaces")
            << gant << robot << QList<QPoint>{} << QColor()
            << QList<Attendu>{{g - 0.07f * x, Qt::cyan},   {g + 0.07f * y, Qt::cyan},
                              {r + 0.07f * x, Qt::yellow}, {r - 0.07f * y, Qt::yellow},
                              {(g + r) / 2, Qt::white},    {0.5f * x, Qt::blue}};
        // Past the far plane (more than 40 view units behind the centre) nothing is drawn.
        QTest::newRow("gant hors profondeur")
            << -45 * z << gant << QList<QPoint>{} << QColor(Qt::cyan)
            << QList<Attendu>{{g + 0.07f * x, Qt::yellow}};
        QTest::newRow("glisser au-dela des bords")
            << o << o << QList<QPoint>{{100, 80}, {-10, 285}} << QColor()
            << QList<Attendu>{{0.5f * x, Qt::blue}, {0.5f * y, Qt::red}};
    }

    void dessin()
    {
        QFETCH(QVector3D, gant);
        QFETCH(QVector3D, robot);
        QFETCH(QList<QPoint>, trajet);
        QFETCH(QColor, absente);
        QFETCH(QList<Attendu>, attendus);
        vue->setPointGant(gant.x(), gant.y(), gant.z());
        vue->setPointRobot(robot.x(), robot.y(), robot.z());
        // Mouse events go through the window, so the press grabs the mouse as a real one does.
        QWindow* fenetre = cadre->windowHandle();
        const QPoint depart(200, 150), fin = trajet.isEmpty() ? depart : trajet.last();
        QTest::mousePress(fenetre, Qt::LeftButton, {}, vue->pos() + depart);
        for (const QPoint& p : trajet)
            QTest::mouseMove(fenetre, vue->pos() + p);
        QTest::mouseRelease(fenetre, Qt::LeftButton, {}, vue->pos() + fin);
        const QPointF angles = trajet.isEmpty() ? QPointF(15, -15) : QPointF(fin.y(), fin.x());

        const QImage img = vue->grab().toImage();
        for (const auto& [point, couleur] : attendus)
            QVERIFY2(couleurDans(img, zone(point, angles, img.size()), couleur),
                     qPrintable(couleur.name()));
        QVERIFY(!absente.isValid() || !couleurDans(img, img.rect(), absente));
        // An opaque black background where the window is composed.
        QCOMPARE(cadre->grab().toImage().pixelColor(vue->pos() + QPoint(2, 2)), QColor(Qt::black));
    }

    // Fed the same points at every tick, the view does not repaint; a point that moves does. Other
    // tests' windows share the X server and may expose or deactivate this one once or twice; a
    // view that repaints on every call draws a frame at every tick.
    void repeintSeulementSiChange()
    {
        ComptePeintures images;
        vue->installEventFilter(&images);
        const auto tics = [&](QVector3D gant, QVector3D robot) {
            QTest::qWait(200);
            images.n = 0;
            for (int i = 0; i < 10; ++i, QTest::qWait(50)) {
                vue->setPointGant(gant.x(), gant.y(), gant.z());
                vue->setPointRobot(robot.x(), robot.y(), robot.z());
            }
            return images.n;
        };
        QVERIFY(tics({1, 2, 3}, {4, 5, 6}) >= 1);
        QVERIFY(tics({1, 2, 3}, {4, 5, 6}) <= 3);
        QVERIFY(tics({1, 2, 3.5f}, {4, 5, 6}) >= 1 && tics({1, 2, -30}, {4, 5, -6}) >= 1);
        // Redrawn in part at each move, the picture is the one a new view draws whole: nothing
        // of the crosses' old places stays, and their lines are as wide.
        GLBox entiere(nullptr);
        entiere.resize(vue->size());
        entiere.setPointGant(1, 2, -30);
        entiere.setPointRobot(4, 5, -6);
        QCOMPARE(entiere.grab().toImage(), vue->grab().toImage());
    }
};

QTEST_MAIN(TestGLBox)
#include "test_glbox.moc"
