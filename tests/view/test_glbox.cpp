// The view drawn for real by Mesa under a virtual display: every expected pixel position comes
// from the same projection the view sets up, computed here independently.

#include "view/glbox.h"

#include <QImage>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

const QColor bleu(0, 0, 255);
const QColor rouge(255, 0, 0);
const QColor vert(0, 255, 0);
const QColor cyan(0, 255, 250);
const QColor jaune(250, 255, 0);
const QColor blanc(255, 255, 255);

struct Attendu
{
    QVector3D point; // model units
    QColor couleur;
};

// Where a point in model units lands in the grabbed image, for the given angles.
QPointF projeter(const QVector3D& point, float rotationX, float rotationY, QSize taille)
{
    QMatrix4x4 projection;
    projection.frustum(-1.0f, 1.0f, -1.0f, 1.0f, 5.0f, 15.0f);
    QMatrix4x4 vue;
    vue.translate(0.0f, 0.0f, -10.0f);
    vue.scale(1.25f);
    vue.rotate(rotationX, 1.0f, 0.0f, 0.0f);
    vue.rotate(rotationY, 0.0f, 1.0f, 0.0f);
    const QVector4D clip = projection * vue * QVector4D(point, 1.0f);
    const float x = clip.x() / clip.w();
    const float y = clip.y() / clip.w();
    return {(x + 1.0f) / 2.0f * taille.width(), (1.0f - y) / 2.0f * taille.height()};
}

bool proche(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) <= 6 && qAbs(a.green() - b.green()) <= 6 &&
           qAbs(a.blue() - b.blue()) <= 6;
}

// Lines are 1 or 2 pixels wide and rasterised to the nearest pixel: look around the spot.
bool couleurAutour(const QImage& image, QPointF centre, QColor couleur)
{
    const int cx = qFloor(centre.x());
    const int cy = qFloor(centre.y());
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint p(cx + dx, cy + dy);
            if (image.rect().contains(p) && proche(image.pixelColor(p), couleur))
                return true;
        }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(QList<Attendu>)

class TestGLBox : public QObject
{
    Q_OBJECT

private:
    QWidget* cadre = nullptr;
    GLBox* vue = nullptr;

    // Mouse events go through the window, so the press grabs the mouse as a real one does.
    QWindow* fenetre() const { return cadre->windowHandle(); }
    QPoint versFenetre(QPoint p) const { return vue->mapTo(cadre, p); }

    QImage image() { return vue->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }

private slots:
    void init()
    {
        // In a frame, as in the window: window coordinates of the view's pixel (0, 0) are then
        // not the null point that QTest takes for "the centre".
        cadre = new QWidget;
        cadre->resize(390, 330);
        vue = new GLBox(cadre, "glbox");
        vue->setGeometry(20, 40, 350, 270);
        cadre->show();
        QVERIFY(QTest::qWaitForWindowExposed(cadre));
    }

    void cleanup()
    {
        delete cadre;
        cadre = nullptr;
        vue = nullptr;
    }

    void dessin_data()
    {
        QTest::addColumn<QVector3D>("gant");  // view units
        QTest::addColumn<QVector3D>("robot"); // view units
        QTest::addColumn<QList<Attendu>>("attendus");
        QTest::addColumn<QList<QColor>>("absentes"); // nowhere in the picture

        // Both crosses on the origin: the glove's covers the robot's, the axes cover both; each
        // cone lies beyond the end of its axis.
        QTest::newRow("origine") << QVector3D() << QVector3D()
                                 << QList<Attendu>{{{0.5f, 0, 0}, bleu},   {{0, 0.5f, 0}, rouge},
                                                   {{0, 0, 0.5f}, vert},   {{1.08f, 0, 0}, bleu},
                                                   {{0, 1.08f, 0}, rouge}, {{0, 0, 1.08f}, vert},
                                                   {{-0.07f, 0, 0}, cyan}, {{0, -0.07f, 0}, cyan},
                                                   {{0, 0, -0.07f}, cyan}}
                                 << QList<QColor>{jaune};

        // Away from the axes; the line runs from the robot to the glove, so check the arms
        // that point away from it.
        const QVector3D gant(-8.0f, -7.0f, 0.0f);
        const QVector3D robot(-3.0f, -10.0f, 3.0f);
        QTest::newRow("points deplaces")
            << gant << robot
            << QList<Attendu>{{gant * 0.1f + QVector3D(-0.07f, 0, 0), cyan},
                              {gant * 0.1f + QVector3D(0, 0.07f, 0), cyan},
                              {robot * 0.1f + QVector3D(0.07f, 0, 0), jaune},
                              {robot * 0.1f + QVector3D(0, -0.07f, 0), jaune},
                              {(gant + robot) * 0.05f, blanc},
                              {{0.5f, 0, 0}, bleu}}
            << QList<QColor>{};

        // Past the far plane (more than 40 view units behind the centre) nothing is drawn.
        QTest::newRow("gant hors profondeur")
            << QVector3D(0, 0, -45.0f) << gant
            << QList<Attendu>{{gant * 0.1f + QVector3D(0.07f, 0, 0), jaune}} << QList<QColor>{cyan};
    }

    void dessin()
    {
        QFETCH(QVector3D, gant);
        QFETCH(QVector3D, robot);
        QFETCH(QList<Attendu>, attendus);
        QFETCH(QList<QColor>, absentes);

        vue->setPointGant(gant.x(), gant.y(), gant.z());
        vue->setPointRobot(robot.x(), robot.y(), robot.z());
        const QImage img = image();

        for (const Attendu& a : attendus) {
            const QPointF p = projeter(a.point, 15.0f, -15.0f, img.size());
            QVERIFY2(couleurAutour(img, p, a.couleur),
                     qPrintable(a.couleur.name() +
                                QStringLiteral(" expected at %1,%2").arg(p.x()).arg(p.y())));
        }
        for (const QColor& c : absentes)
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    QVERIFY2(!proche(img.pixelColor(x, y), c), qPrintable(c.name()));
        // An opaque black background, also where the window is composed.
        QCOMPARE(img.pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(cadre->grab().toImage().pixelColor(vue->pos() + QPoint(2, 2)), QColor(Qt::black));
    }

    // What turns the picture (a drag: the angles are the cursor's position) and what stretches
    // it (a resize: the projection stays -1..1 both ways).
    void cadrage_data()
    {
        QTest::addColumn<QList<QPoint>>("trajet"); // moves while the button is held
        QTest::addColumn<QSize>("taille");
        QTest::addColumn<float>("rotationX");
        QTest::addColumn<float>("rotationY");
        const QSize normale(350, 270);
        QTest::newRow("glisser vers l'origine")
            << QList<QPoint>{{100, 80}, {0, 0}} << normale << 0.0f << 0.0f;
        QTest::newRow("clic sans mouvement") << QList<QPoint>{} << normale << 15.0f << -15.0f;
        QTest::newRow("au-dela des bords")
            << QList<QPoint>{{-10, 285}} << normale << 285.0f << -10.0f;
        QTest::newRow("plus large") << QList<QPoint>{} << QSize(360, 200) << 15.0f << -15.0f;
    }

    void cadrage()
    {
        QFETCH(QList<QPoint>, trajet);
        QFETCH(QSize, taille);
        QFETCH(float, rotationX);
        QFETCH(float, rotationY);
        vue->resize(taille);
        QTRY_COMPARE(vue->grabFramebuffer().size(), taille);
        const QPoint depart(200, 150);
        QTest::mousePress(fenetre(), Qt::LeftButton, {}, versFenetre(depart));
        for (const QPoint& p : trajet)
            QTest::mouseMove(fenetre(), versFenetre(p));
        QTest::mouseRelease(fenetre(), Qt::LeftButton, {},
                            versFenetre(trajet.isEmpty() ? depart : trajet.last()));
        const QImage img = image();
        QVERIFY(couleurAutour(img, projeter({0.5f, 0, 0}, rotationX, rotationY, img.size()), bleu));
        QVERIFY(
            couleurAutour(img, projeter({0, 0.5f, 0}, rotationX, rotationY, img.size()), rouge));
    }

    // Fed the same points tick after tick, the view does not repaint; a point that moves does.
    void repeintSeulementSiChange()
    {
        QSignalSpy images(vue, &QOpenGLWidget::frameSwapped);
        const auto tics = [&](QVector3D gant, QVector3D robot) {
            for (int i = 0; i < 50 && (i == 0 || !images.isEmpty()); ++i) {
                images.clear(); // until the view has been still for a moment
                QTest::qWait(100);
            }
            for (int tic = 0; tic < 5; ++tic) {
                vue->setPointGant(gant.x(), gant.y(), gant.z());
                vue->setPointRobot(robot.x(), robot.y(), robot.z());
                QTest::qWait(50);
            }
        };
        tics({1, 2, 3}, {4, 5, 6});
        QTRY_VERIFY(!images.isEmpty());
        tics({1, 2, 3}, {4, 5, 6});
        QCOMPARE(images.count(), 0);
        tics({1, 2, 3.5f}, {4, 5, 6});
        QTRY_VERIFY(!images.isEmpty());
        tics({1, 2, 3.5f}, {4, 5, -6});
        QTRY_VERIFY(!images.isEmpty());
    }
};

QTEST_MAIN(TestGLBox)
#include "test_glbox.moc"
