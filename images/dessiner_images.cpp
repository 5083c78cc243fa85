// Draws the pictures the program shows: the window icon, the glove, the robot arm, and the
// desktop icon. Plain shapes and no text, so it needs neither a display nor fonts. The pictures
// are committed; run this only to change them:  dessiner-images <output directory>

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <cstdio>

namespace {

// The window icon at 32 pixels; at another size the desktop icon, the same drawing made again at
// that size rather than scaled up, so that it stays sharp, on a rounded tile.
QImage dessinerIcone(int taille)
{
    const bool tuile = taille != 32;
    QImage image(taille, taille, tuile ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(tuile ? QColor(Qt::transparent) : QColor(20, 24, 60));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(taille / 32.0, taille / 32.0);
    if (tuile) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 24, 60));
        p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);
        p.setBrush(Qt::NoBrush);
    }

    // A zigzag for the program, a cyan and a yellow cross for the two points of the view.
    QPen zigzag(QColor(250, 250, 250), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(zigzag);
    p.drawPolyline(QPolygonF({{6, 7}, {24, 7}, {8, 25}, {26, 25}}));

    p.setPen(QPen(QColor(0, 255, 250), 2));
    p.drawLine(QPointF(21, 15), QPointF(29, 15));
    p.drawLine(QPointF(25, 11), QPointF(25, 19));
    p.setPen(QPen(QColor(250, 255, 0), 2));
    p.drawLine(QPointF(3, 17), QPointF(11, 17));
    p.drawLine(QPointF(7, 13), QPointF(7, 21));
    return image;
}

QImage dessinerGant()
{
    const int largeur = 211;
    const int hauteur = 131;
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient fond(0, 0, 0, hauteur);
    fond.setColorAt(0.0, QColor(235, 238, 242));
    fond.setColorAt(1.0, QColor(190, 196, 205));
    p.fillRect(image.rect(), fond);

    // The receiver tower the glove is tracked by, with its row of sensors.
    p.setPen(QPen(QColor(40, 40, 45), 1.5));
    p.setBrush(QColor(70, 72, 80));
    p.drawRoundedRect(QRectF(150, 18, 44, 96), 6, 6);
    p.setBrush(QColor(35, 35, 40));
    p.drawRect(QRectF(142, 110, 60, 10));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 2; ++i) {
        QRadialGradient capteur(QPointF(172, 40 + 46 * i), 9);
        capteur.setColorAt(0.0, QColor(255, 80, 80));
        capteur.setColorAt(1.0, QColor(120, 0, 0));
        p.setBrush(capteur);
        p.drawEllipse(QPointF(172, 40 + 46 * i), 9, 9);
    }

    // The glove, leaning a little, seen from the back of the hand.
    p.translate(70, 72);
    p.rotate(-12);
    const QColor gris(55, 58, 66);
    const QColor noir(25, 25, 30);
    p.setPen(QPen(noir, 1.5));

    // Fingers: x offset, length, width.
    const double doigts[4][3] = {{-27, 40, 13}, {-12, 48, 14}, {4, 45, 14}, {19, 36, 12}};
    for (const auto& d : doigts) {
        QRectF doigt(d[0], -22 - d[1], d[2], d[1] + 10);
        p.setBrush(gris);
        p.drawRoundedRect(doigt, d[2] / 2, d[2] / 2);
        // The bend sensor along each finger.
        p.setPen(QPen(QColor(230, 200, 40), 2));
        p.drawLine(QPointF(d[0] + d[2] / 2, -20 - d[1] + 6), QPointF(d[0] + d[2] / 2, -14));
        p.setPen(QPen(noir, 1.5));
    }

    // Thumb.
    p.save();
    p.translate(-30, 8);
    p.rotate(-50);
    p.setBrush(gris);
    p.drawRoundedRect(QRectF(-7, -36, 14, 38), 7, 7);
    p.setPen(QPen(QColor(230, 200, 40), 2));
    p.drawLine(QPointF(0, -30), QPointF(0, -4));
    p.restore();

    // Back of the hand with the housing of the tracking LEDs and its two buttons.
    p.setBrush(gris);
    p.drawRoundedRect(QRectF(-32, -24, 66, 62), 14, 14);
    p.setBrush(QColor(150, 155, 165));
    p.drawRoundedRect(QRectF(-22, -14, 46, 32), 6, 6);
    p.setBrush(QColor(240, 240, 240));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(-14 + 10 * i, -8), 2.5, 2.5);
    p.setBrush(QColor(200, 40, 40));
    p.drawEllipse(QPointF(-8, 8), 4, 4);
    p.setBrush(QColor(40, 120, 200));
    p.drawEllipse(QPointF(8, 8), 4, 4);

    // Cuff and the cable to the tower.
    p.setBrush(noir);
    p.drawRoundedRect(QRectF(-26, 36, 54, 16), 4, 4);
    p.end();

    QPainter cable(&image);
    cable.setRenderHint(QPainter::Antialiasing);
    cable.setPen(QPen(QColor(30, 30, 30), 2));
    cable.setBrush(Qt::NoBrush);
    QPainterPath chemin(QPointF(86, 122));
    chemin.cubicTo(QPointF(110, 130), QPointF(130, 125), QPointF(150, 114));
    cable.drawPath(chemin);
    return image;
}

QImage dessinerRobot()
{
    const int largeur = 101;
    const int hauteur = 120;
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient fond(0, 0, 0, hauteur);
    fond.setColorAt(0.0, QColor(245, 245, 245));
    fond.setColorAt(1.0, QColor(205, 205, 210));
    p.fillRect(image.rect(), fond);

    const QColor orange(235, 130, 20);
    const QColor sombre(45, 45, 50);
    const QColor acier(150, 155, 165);
    p.setPen(QPen(sombre, 1.2));

    // Table and base.
    p.setBrush(QColor(120, 100, 80));
    p.drawRect(QRectF(0, 110, largeur, 10));
    p.setBrush(sombre);
    p.drawRoundedRect(QRectF(14, 96, 40, 14), 3, 3);
    p.setBrush(orange);
    p.drawRoundedRect(QRectF(20, 78, 28, 20), 4, 4);

    // Shoulder, upper arm, elbow, forearm, wrist, gripper: each link drawn in its own frame.
    const QPointF epaule(34, 80);
    p.translate(epaule);
    p.rotate(-70);
    p.setBrush(orange);
    p.drawRoundedRect(QRectF(-5, -7, 50, 14), 6, 6);
    p.setBrush(acier);
    p.drawEllipse(QPointF(0, 0), 6, 6);

    p.translate(45, 0);
    p.rotate(105);
    p.setBrush(orange);
    p.drawRoundedRect(QRectF(-4, -6, 44, 12), 5, 5);
    p.setBrush(acier);
    p.drawEllipse(QPointF(0, 0), 5.5, 5.5);

    p.translate(40, 0);
    p.rotate(25);
    p.setBrush(sombre);
    p.drawRoundedRect(QRectF(-3, -5, 12, 10), 2, 2);
    p.setBrush(acier);
    p.drawRect(QRectF(9, -7, 4, 14));
    p.drawRect(QRectF(13, -7, 10, 3));
    p.drawRect(QRectF(13, 4, 10, 3));
    p.setBrush(acier);
    p.drawEllipse(QPointF(0, 0), 3.5, 3.5);
    return image;
}

bool enregistrer(const QImage& image, const QDir& dossier, const char* nom, const char* format)
{
    const QString chemin = dossier.filePath(QString::fromLatin1(nom));
    if (image.save(chemin, format, 90))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(chemin));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Needed for the image format plugins (JPEG).
    QCoreApplication app(argc, argv);
    const QDir dossier(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

    bool ok = enregistrer(dessinerIcone(32), dossier, "zv.bmp", "BMP");
    ok = enregistrer(dessinerIcone(64), dossier, "zelvor.png", "PNG") && ok;
    ok = enregistrer(dessinerGant(), dossier, "p5glov.jpg", "JPG") && ok;
    ok = enregistrer(dessinerRobot(), dossier, "EV5.bmp", "BMP") && ok;
    return ok ? 0 : 1;
}
