// Saves a screenshot of the X screen the program runs on, cropped to what the windows cover, as
// PNG: what scripts/capture-ecran.sh puts in docs/. Needs the xcb platform.
//   capture-ecran <file.png>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cstdio>

namespace {
// The smallest rectangle holding every pixel that differs from the bare screen's colour, taken
// in the bottom right corner, where no window is placed.
QRect zoneOccupee(const QImage& image)
{
    const QRgb fond = image.pixel(image.width() - 1, image.height() - 1);
    int gauche = image.width(), haut = image.height(), droite = -1, bas = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (ligne[x] == fond)
                continue;
            gauche = std::min(gauche, x);
            droite = std::max(droite, x);
            haut = std::min(haut, y);
            bas = std::max(bas, y);
        }
    }
    return droite < 0 ? QRect() : QRect(QPoint(gauche, haut), QPoint(droite, bas));
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: capture-ecran <file.png>\n");
        return 2;
    }
    QScreen* ecran = QGuiApplication::primaryScreen();
    if (!ecran) {
        std::fprintf(stderr, "capture-ecran: no screen\n");
        return 1;
    }
    // Window 0: the whole screen, every window on it included.
    const QImage image = ecran->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QRect zone = zoneOccupee(image);
    if (zone.isNull()) {
        std::fprintf(stderr, "capture-ecran: the screen is empty\n");
        return 1;
    }
    const QRect marge = zone.adjusted(-8, -8, 8, 8).intersected(image.rect());
    if (!image.copy(marge).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "capture-ecran: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
