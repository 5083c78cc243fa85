// The main window's form is app/globjectwindow.ui, compiled by uic; its texts come from there, in
// the translation context "GLObjectWindow". Here only what the form cannot hold.
#include "app/globjectwindow.h"

#include <QFont>

void GLObjectWindow::construireFormulaire()
{
    setupUi(this);
    // The geometry was drawn for an 11-pixel font; with the toolkit's larger default some captions
    // no longer fit ("+ Capteur", the delta captions partly covered by their values). A form gives
    // sizes in points only, and the geometry is in pixels. Message boxes are windows of their own
    // and keep the default.
    QFont police = font();
    police.setPixelSize(11);
    setFont(police);
}

void GLObjectWindow::languageChange()
{
    retranslateUi(this);
}
