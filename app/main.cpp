#include "app/arretsignal.h"
#include "app/globjectwindow.h"
#include "app/lignecommande.h"

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

namespace {
// A real context, made current, before any GL widget exists: a GL widget shown without one
// brings the program down.
bool openGLDisponible()
{
    QOpenGLContext contexte;
    if (!contexte.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(contexte.format());
    surface.create();
    if (!surface.isValid() || !contexte.makeCurrent(&surface))
        return false;
    contexte.doneCurrent();
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelvor"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));

    ConfigurationZelvor configuration;
    if (const int statut = lireLigneCommande(application.arguments(), configuration); statut >= 0)
        return statut;

    if (!openGLDisponible()) {
        qWarning("This system has no OpenGL support. Exiting.");
        return -1;
    }

    arretsignal::installer();
    GLObjectWindow fenetre(nullptr, nullptr, std::move(configuration));
    if (fenetre.statutDemarrage() != 0)
        return fenetre.statutDemarrage();
    if (arretsignal::demande())
        return 0; // stopped during start-up; the window's destructor shuts down
    arretsignal::fermerSurSignal(&fenetre);
    fenetre.resize(760, 540);
    fenetre.show();
    return application.exec();
}
