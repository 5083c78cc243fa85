#pragma once

#include <QImage>
#include <QMetaObject>
#include <QOffscreenSurface>
#include <QWidget>

#include <GL/gl.h>
#include <memory>
#include <vector>

class QOpenGLContext;
class QOpenGLFramebufferObject;

// The 3D view: coloured axes with a cone at each end, the glove's point as a cyan cross, the
// robot's point as a yellow cross and a white line from the robot to the glove. Dragging with a
// button held turns the scene.
//
// Callers give the two points through setPointGant() and setPointRobot(), in view units (a tenth
// of a model unit, so an axis is 10 view units long). The view draws a new picture only when
// something it draws has changed: a point, the rotation, its size. A still hand costs nothing.
//
// OpenGL draws the scene into a framebuffer of the view's own context; the picture is read back
// and painted like any other widget's content. An OpenGL widget would have the toolkit compose
// the whole window through OpenGL whenever any widget in it repaints, a readout included: with a
// software rasteriser that cost several times the scene itself (BENCHMARKS.md, "A moving hand").
// The axes and their cones, the dearest part of the scene, lie over the crosses and do not move
// with them: they are drawn in a pass of their own, kept, and laid over each new picture of the
// crosses, pixel for pixel what one pass would draw.
//
// Threads: GUI thread only, like every widget.
class GLBox : public QWidget
{
    Q_OBJECT

public:
    // The form (app/globjectwindow.ui) gives the parent only, and names the view afterwards.
    explicit GLBox(QWidget* parent, const char* name = nullptr);
    ~GLBox() override;

    void setPointGant(float x, float y, float z);
    void setPointRobot(float x, float y, float z);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    // The view's context current and its framebuffer bound: once for a new context, when the
    // framebuffer's size changes, and for each new picture.
    void initializeGL();
    void resizeGL(int w, int h);
    // Draws the scene where it lies in `zone`, in the picture's pixels; keeps the rest.
    void paintGL(QRect zone);
    // Compiles the axes and their cones into one display list and returns its id.
    GLuint makeAxesList();

    // Draws the scene into m_image; false, and the picture left as it was, without a context.
    bool dessinerScene();
    // One pass of the scene: `dessin` on the framebuffer cleared, within `zone` only, read back
    // from there as an image of `format`.
    template <class Dessin>
    QImage passe(QImage::Format format, GLfloat alphaFond, QRect zone, Dessin dessin);
    // Where the crosses and their line may lie in a picture of `taille` pixels.
    QRect zoneDesPoints(QSize taille) const;
    void placerScene();
    // Frees the display list and the framebuffer while their context is still alive; safe to
    // call more than once.
    void libererRessources();
    void aRedessiner(bool axesAussi);

    // Private, so that every change of what is drawn goes through a setter that repaints.
    bool mousePressed = false;
    float gloveX = 0.0f;
    float gloveY = 0.0f;
    float gloveZ = 0.0f;
    float robotX = 0.0f;
    float robotY = 0.0f;
    float robotZ = 0.0f;
    GLuint axesList = 0; // the axes display list, 0 while no context has been initialised
    float rotationX = 15.0f;
    float rotationY = -15.0f;
    float rotationZ = 0.0f;
    float scaleFactor = 1.25f;

    // Created at the first paint, when the view is first shown; a hidden view has none.
    std::unique_ptr<QOpenGLContext> m_contexte;
    QOffscreenSurface m_surface; // only to make the context current: the scene goes to m_fbo
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    QMetaObject::Connection m_finContexte;
    bool m_contexteEnEchec = false;  // told once, then the view stays black
    QImage m_image;                  // the last picture drawn, as the window shows it
    QImage m_axes;                   // the axes' pass: transparent where they do not lie
    std::vector<QRect> m_traitsAxes; // where they lie: runs of pixels, one row high
    bool m_imageAJour = false;       // false when what is drawn changed since m_image
    bool m_axesAJour = false;        // false when the rotation changed since m_axes
    QRect m_zoneDessinee;            // where the crosses may lie in m_image
};
