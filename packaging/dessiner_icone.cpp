// Draws the desktop icon, packaging/zelvor.png: the window icon's picture (images/zv.bmp) at
// 64 x 64, drawn again at that size rather than scaled up, so that it stays sharp. The icon is
// committed; run this only to change it:  dessiner-icone <output file>

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dessiner-icone <file.png>\n");
        return 2;
    }
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2.0, 2.0); // the 32-pixel drawing's coordinates

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 24, 60));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);

    // A zigzag for the program, a cyan and a yellow cross for the two points of the view.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(250, 250, 250), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({{6, 7}, {24, 7}, {8, 25}, {26, 25}}));
    p.setPen(QPen(QColor(0, 255, 250), 2));
    p.drawLine(QPointF(21, 15), QPointF(29, 15));
    p.drawLine(QPointF(25, 11), QPointF(25, 19));
    p.setPen(QPen(QColor(250, 255, 0), 2));
    p.drawLine(QPointF(3, 17), QPointF(11, 17));
    p.drawLine(QPointF(7, 13), QPointF(7, 21));
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "dessiner-icone: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
