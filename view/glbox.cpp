#include "view/glbox.h"

#include <QColor>
#include <QMouseEvent>
#include <QOpenGLContext>

#include <GL/glu.h>
#include <cmath>

namespace {

void couleur(const QColor& c)
{
    glColor3ub(static_cast<GLubyte>(c.red()), static_cast<GLubyte>(c.green()),
               static_cast<GLubyte>(c.blue()));
}

// A cross of three segments 0.2 model units long, centred on (x, y, z) given in view units.
void dessinerCroix(float x, float y, float z, GLdouble rouge, GLdouble vert, GLdouble bleu)
{
    glPushMatrix();
    glTranslated(0.1 * x, 0.1 * y, 0.1 * z);
    glColor3d(rouge, vert, bleu);
    glBegin(GL_LINES);
    glVertex3d(-0.1, 0.0, 0.0);
    glVertex3d(0.1, 0.0, 0.0);
    glVertex3d(0.0, -0.1, 0.0);
    glVertex3d(0.0, 0.1, 0.0);
    glVertex3d(0.0, 0.0, -0.1);
    glVertex3d(0.0, 0.0, 0.1);
    glEnd();
    glPopMatrix();
}

// Equal values draw the same picture, and so does NaN, whichever NaN it is: nothing to repaint.
bool meme(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool placer(float& x, float& y, float& z, float nx, float ny, float nz)
{
    if (meme(x, nx) && meme(y, ny) && meme(z, nz))
        return false;
    x = nx;
    y = ny;
    z = nz;
    return true;
}

} // namespace

GLBox::GLBox(QWidget* parent, const char* name) : QOpenGLWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
}

void GLBox::setPointGant(float x, float y, float z)
{
    if (placer(gloveX, gloveY, gloveZ, x, y, z))
        update();
}

void GLBox::setPointRobot(float x, float y, float z)
{
    if (placer(robotX, robotY, robotZ, x, y, z))
        update();
}

GLBox::~GLBox()
{
    libererRessources();
    // The base destructor destroys the context; by then this part of the object is gone.
    disconnect(m_finContexte);
}

void GLBox::libererRessources()
{
    if (axesList == 0 || context() == nullptr)
        return;
    makeCurrent();
    glDeleteLists(axesList, 1);
    axesList = 0;
    doneCurrent();
}

void GLBox::initializeGL()
{
    // A widget moved to another top-level window gets a new context and comes back here: the
    // old list went with the old context.
    disconnect(m_finContexte);
    m_finContexte =
        connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLBox::libererRessources);
    axesList = makeAxesList();
    glShadeModel(GL_FLAT);
    // Black as before, but opaque: this widget's framebuffer has an alpha channel, and a clear
    // alpha of 0 would let whatever lies behind the view show through wherever it is composed.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

void GLBox::resizeGL(int w, int h)
{
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(w * ratio), static_cast<GLsizei>(h * ratio));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Deliberately not following the aspect ratio: the picture stretches with the widget.
    glFrustum(-1.0, 1.0, -1.0, 1.0, 5.0, 15.0);
    glMatrixMode(GL_MODELVIEW);
}

void GLBox::paintGL()
{
    glClear(GL_COLOR_BUFFER_BIT);

    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -10.0f);
    glScalef(scaleFactor, scaleFactor, scaleFactor);
    glRotatef(rotationX, 1.0f, 0.0f, 0.0f);
    glRotatef(rotationY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotationZ, 0.0f, 0.0f, 1.0f);

    // No depth test: drawing order decides, so the glove's cross covers the robot's and the
    // axes cover both.
    dessinerCroix(robotX, robotY, robotZ, 0.98, 1.0, 0.0);
    dessinerCroix(gloveX, gloveY, gloveZ, 0.0, 1.0, 0.98);

    glPushMatrix();
    couleur(Qt::white);
    glBegin(GL_LINES);
    glVertex3d(0.1 * robotX, 0.1 * robotY, 0.1 * robotZ);
    glVertex3d(0.1 * gloveX, 0.1 * gloveY, 0.1 * gloveZ);
    glEnd();
    glPopMatrix();

    glCallList(axesList);
}

GLuint GLBox::makeAxesList()
{
    const GLuint liste = glGenLists(1);
    glNewList(liste, GL_COMPILE);

    // Stays in force after the list has run, for the crosses of the following frames too.
    glLineWidth(2.0f);

    glBegin(GL_LINES);
    couleur(Qt::blue);
    glVertex3d(0.0, 0.0, 0.0);
    glVertex3d(1.0, 0.0, 0.0);
    couleur(Qt::red);
    glVertex3d(0.0, 0.0, 0.0);
    glVertex3d(0.0, 1.0, 0.0);
    couleur(Qt::green);
    glVertex3d(0.0, 0.0, 0.0);
    glVertex3d(0.0, 0.0, 1.0);
    glEnd();

    // The cones' geometry is compiled into the list, so the quadric is needed only here.
    GLUquadric* quadrique = gluNewQuadric();

    couleur(Qt::blue);
    glPushMatrix();
    glTranslated(1.0, 0.0, 0.0);
    glRotated(90.0, 0.0, 1.0, 0.0);
    gluCylinder(quadrique, 0.05, 0.0, 0.15, 25, 25);
    glPopMatrix();

    couleur(Qt::red);
    glPushMatrix();
    glTranslated(0.0, 1.0, 0.0);
    glRotated(90.0, -1.0, 0.0, 0.0);
    gluCylinder(quadrique, 0.05, 0.0, 0.15, 25, 25);
    glPopMatrix();

    couleur(Qt::green);
    glPushMatrix();
    glTranslated(0.0, 0.0, 1.0);
    gluCylinder(quadrique, 0.05, 0.0, 0.15, 25, 25);
    glPopMatrix();

    gluDeleteQuadric(quadrique);

    glEndList();
    return liste;
}

void GLBox::mousePressEvent(QMouseEvent*)
{
    mousePressed = true;
}

void GLBox::mouseReleaseEvent(QMouseEvent*)
{
    mousePressed = false;
}

void GLBox::mouseMoveEvent(QMouseEvent* e)
{
    if (!mousePressed)
        return;
    // Absolute, not relative to the press: the angles are the cursor's position in pixels.
    const QPoint p = e->position().toPoint();
    const auto x = static_cast<float>(p.y());
    const auto y = static_cast<float>(p.x());
    if (x == rotationX && y == rotationY)
        return;
    rotationX = x;
    rotationY = y;
    update();
}
