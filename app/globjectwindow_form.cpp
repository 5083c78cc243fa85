// The main window's form is app/globjectwindow.ui, compiled by uic; its texts come from there, in
// the translation context "GLObjectWindow". Here only what the form cannot hold.
#include "app/globjectwindow.h"

#include "glove/espacetravail.h"

#include <QFont>
#include <QSlider>
#include <utility>

void GLObjectWindow::construireFormulaire()
{
    setupUi(this);
    // The sliders' ranges and start places are the workspace's, kept in one header with the rest
    // of it rather than in the form.
    const std::pair<QSlider*, AxeManuel> axes[] = {{AxeXSlider, kAxeX},
                                                   {AxeYSlider, kAxeY},
                                                   {AxeZSlider, kAxeZ},
                                                   {AxeRSlider, kAxeR},
                                                   {AxePSlider, kAxeP}};
    for (const auto& [curseur, axe] : axes) {
        curseur->setRange(axe.minimum, axe.maximum);
        curseur->setValue(axe.depart);
    }
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
