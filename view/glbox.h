#pragma once

#include <QMetaObject>
#include <QOpenGLWidget>

#include <GL/gl.h>

// The 3D view: coloured axes with a cone at each end, the glove's point as a cyan cross, the
// robot's point as a yellow cross and a white line from the robot to the glove. Dragging with a
// button held turns the scene.
//
// Callers give the two points through setPointGant() and setPointRobot(), in view units (a tenth
// of a model unit, so an axis is 10 view units long). The view repaints only when something it
// draws has changed: a point, the rotation, its size, an expose. A still hand costs nothing.
//
// Threads: GUI thread only, like every widget.
class GLBox : public QOpenGLWidget
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
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    // Compiles the axes and their cones into one display list and returns its id.
    virtual GLuint makeAxesList();

private:
    // Frees the display list while its context is still alive; safe to call more than once.
    void libererRessources();

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
    QMetaObject::Connection m_finContexte;
};
