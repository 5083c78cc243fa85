#include "view/glbox.h"

#include <QColor>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPaintEvent>
#include <QPainter>

#include <QMatrix4x4>

#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <cstring>

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

// Where a pass lies on its transparent background: runs of its pixels, one row high.
std::vector<QRect> traitsOpaques(const QImage& calque)
{
    std::vector<QRect> traits;
    for (int y = 0; y < calque.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(calque.constScanLine(y));
        for (int x = 0; x < calque.width();) {
            const int debut = x;
            while (x < calque.width() && qAlpha(ligne[x]) != 0)
                ++x;
            if (x > debut)
                traits.emplace_back(debut, y, x - debut, 1);
            else
                ++x;
        }
    }
    return traits;
}

// Copies the pixels of `source` in `depuis` to `cible` from `ou` on; 32-bit images both.
void copier(QImage& cible, QPoint ou, const QImage& source, const QRect& depuis)
{
    for (int y = 0; y < depuis.height(); ++y)
        std::memcpy(cible.scanLine(ou.y() + y) + 4 * ou.x(),
                    source.constScanLine(depuis.y() + y) + 4 * depuis.x(),
                    4 * size_t(depuis.width()));
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

GLBox::GLBox(QWidget* parent, const char* name) : QWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
    // The picture covers the whole view: nothing to paint beneath it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

GLBox::~GLBox()
{
    // Its end frees what it holds (libererRessources), while this object is still whole.
    m_contexte.reset();
}

void GLBox::setPointGant(float x, float y, float z)
{
    if (placer(gloveX, gloveY, gloveZ, x, y, z))
        aRedessiner(false);
}

void GLBox::setPointRobot(float x, float y, float z)
{
    if (placer(robotX, robotY, robotZ, x, y, z))
        aRedessiner(false);
}

void GLBox::aRedessiner(bool axesAussi)
{
    m_imageAJour = false;
    if (axesAussi)
        m_axesAJour = false;
    if (!m_axesAJour || m_image.isNull()) {
        update();
        return;
    }
    // Only what the crosses leave and what they reach changes on the screen.
    const qreal ratio = devicePixelRatioF();
    const QRect zone = m_zoneDessinee | zoneDesPoints(m_image.size());
    update(QRectF(zone.x() / ratio, zone.y() / ratio, zone.width() / ratio, zone.height() / ratio)
               .toAlignedRect());
}

QRect GLBox::zoneDesPoints(QSize taille) const
{
    const QRect tout(QPoint(0, 0), taille);
    // The transformation paintGL() sets up, in the same order.
    QMatrix4x4 m;
    m.frustum(-1.0f, 1.0f, -1.0f, 1.0f, 5.0f, 15.0f);
    m.translate(0.0f, 0.0f, -10.0f);
    m.scale(scaleFactor);
    m.rotate(rotationX, 1.0f, 0.0f, 0.0f);
    m.rotate(rotationY, 0.0f, 1.0f, 0.0f);
    m.rotate(rotationZ, 0.0f, 0.0f, 1.0f);
    float gauche = float(taille.width()), haut = float(taille.height()), droite = 0.0f, bas = 0.0f;
    const QVector3D bras[] = {{0.1f, 0.0f, 0.0f},  {-0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f},
                              {0.0f, -0.1f, 0.0f}, {0.0f, 0.0f, 0.1f},  {0.0f, 0.0f, -0.1f}};
    // The line joins the crosses' centres, which lie within their arms' ends.
    for (const QVector3D centre :
         {0.1f * QVector3D(robotX, robotY, robotZ), 0.1f * QVector3D(gloveX, gloveY, gloveZ)}) {
        for (const QVector3D& b : bras) {
            const QVector4D p = m * QVector4D(centre + b, 1.0f);
            // At or before the near plane, a segment's drawn part no longer lies between its
            // ends' projections (nor does anything, for a NaN).
            if (!(p.w() > 5.01f))
                return tout;
            const float x = (p.x() / p.w() + 1.0f) / 2.0f * float(taille.width());
            const float y = (1.0f - p.y() / p.w()) / 2.0f * float(taille.height());
            if (!std::isfinite(x) || !std::isfinite(y))
                return tout;
            gauche = std::min(gauche, x);
            droite = std::max(droite, x);
            haut = std::min(haut, y);
            bas = std::max(bas, y);
        }
    }
    // Lines two pixels wide, rasterised to the nearest pixels, and the rounding of the
    // projection: a few pixels beyond the ends.
    constexpr float marge = 4.0f;
    gauche = std::max(gauche - marge, 0.0f);
    haut = std::max(haut - marge, 0.0f);
    droite = std::min(droite + marge, float(taille.width()));
    bas = std::min(bas + marge, float(taille.height()));
    if (gauche >= droite || haut >= bas)
        return {};
    return QRect(QPoint(int(gauche), int(haut)),
                 QPoint(int(std::ceil(droite)), int(std::ceil(bas))))
        .intersected(tout);
}

void GLBox::libererRessources()
{
    if (!m_contexte || (axesList == 0 && !m_fbo))
        return;
    const bool courant = m_contexte->makeCurrent(&m_surface);
    if (courant && axesList != 0)
        glDeleteLists(axesList, 1);
    axesList = 0;
    m_fbo.reset();
    if (courant)
        m_contexte->doneCurrent();
}

void GLBox::paintEvent(QPaintEvent* e)
{
    const qreal ratio = devicePixelRatioF();
    // A new size or a new screen's pixel ratio needs a new picture as much as a moved point.
    if (m_image.size() != size() * ratio || m_image.devicePixelRatio() != ratio)
        m_imageAJour = m_axesAJour = false;
    if (!m_imageAJour)
        m_imageAJour = dessinerScene();
    QPainter peintre(this);
    if (!m_imageAJour)
        peintre.fillRect(e->rect(), Qt::black);
    if (!m_image.isNull())
        peintre.drawImage(QPoint(0, 0), m_image);
}

bool GLBox::dessinerScene()
{
    const qreal ratio = devicePixelRatioF();
    const QSize taille = size() * ratio;
    if (taille.isEmpty() || m_contexteEnEchec)
        return false;
    if (!m_contexte) {
        auto contexte = std::make_unique<QOpenGLContext>();
        if (contexte->create()) {
            m_surface.setFormat(contexte->format());
            m_surface.create();
        }
        if (!m_surface.isValid() || !contexte->makeCurrent(&m_surface)) {
            // The program checked OpenGL at start; should it go away since, the view is black.
            qWarning("GLBox: no OpenGL context for the 3D view");
            m_contexteEnEchec = true;
            return false;
        }
        m_contexte = std::move(contexte);
        initializeGL();
    } else if (!m_contexte->makeCurrent(&m_surface)) {
        return false;
    }

    if (!m_fbo || m_fbo->size() != taille) {
        m_fbo.reset();
        auto fbo = std::make_unique<QOpenGLFramebufferObject>(taille);
        if (!fbo->isValid()) {
            m_contexte->doneCurrent();
            return false;
        }
        m_fbo = std::move(fbo);
        resizeGL(width(), height());
    }
    // Where the crosses were and where they are now, if the rest of the picture still holds.
    const QRect zonePoints = zoneDesPoints(taille);
    QRect zone(QPoint(0, 0), taille);
    if (m_axesAJour && m_image.size() == taille)
        zone = m_zoneDessinee | zonePoints;
    m_fbo->bind();
    paintGL(zone);
    m_fbo->release();
    m_contexte->doneCurrent();
    m_zoneDessinee = zonePoints;
    m_image.setDevicePixelRatio(ratio);
    return true;
}

void GLBox::initializeGL()
{
    disconnect(m_finContexte);
    m_finContexte = connect(m_contexte.get(), &QOpenGLContext::aboutToBeDestroyed, this,
                            &GLBox::libererRessources);
    axesList = makeAxesList();
    glShadeModel(GL_FLAT);
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

void GLBox::placerScene()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -10.0f);
    glScalef(scaleFactor, scaleFactor, scaleFactor);
    glRotatef(rotationX, 1.0f, 0.0f, 0.0f);
    glRotatef(rotationY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotationZ, 0.0f, 0.0f, 1.0f);
}

template <class Dessin>
QImage GLBox::passe(QImage::Format format, GLfloat alphaFond, QRect zone, Dessin dessin)
{
    // OpenGL counts rows from the bottom.
    const int bas = m_fbo->height() - 1 - zone.bottom();
    const bool partielle = zone != QRect(QPoint(0, 0), m_fbo->size());
    if (partielle) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(zone.x(), bas, zone.width(), zone.height());
    }
    glClearColor(0.0f, 0.0f, 0.0f, alphaFond);
    glClear(GL_COLOR_BUFFER_BIT);
    placerScene();
    dessin();
    if (partielle)
        glDisable(GL_SCISSOR_TEST);
    // Read as 0xAARRGGBB words in the machine's own byte order, the layout of the image formats
    // used here.
    QImage image(zone.size(), format);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(zone.x(), bas, zone.width(), zone.height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 image.bits());
    return std::move(image).mirrored();
}

void GLBox::paintGL(QRect zone)
{
    // No depth test: drawing order decides, so the glove's cross covers the robot's and the axes
    // cover both. The crosses are drawn with the line width the axes' list leaves in force, as
    // every picture after a context's first always was: the axes' pass, when it is due, comes
    // first, and each picture of a view looks the same, its first included. Black and opaque
    // behind the crosses, so the picture is an RGB image, which the window's backing store takes
    // as a plain copy.
    //
    // A scissor keeps the pass within `zone` and changes no pixel inside it, and the rest of the
    // picture is kept: drawing only there gives the picture drawing everything gives.
    if (zone.isEmpty())
        return;
    // Every colour drawn is opaque and nothing is blended or smoothed: each pixel of the axes'
    // pass is either theirs, opaque, or the clear transparent black, so copying theirs over the
    // crosses gives what drawing the axes over them gives.
    if (!m_axesAJour) {
        // Never stale when only part of the picture is drawn: they are drawn whole.
        m_axes = passe(QImage::Format_ARGB32_Premultiplied, 0.0f,
                       QRect(QPoint(0, 0), m_fbo->size()), [this] { glCallList(axesList); });
        m_traitsAxes = traitsOpaques(m_axes);
        m_axesAJour = true;
    }
    const QImage points = passe(QImage::Format_RGB32, 1.0f, zone, [this] {
        dessinerCroix(robotX, robotY, robotZ, 0.98, 1.0, 0.0);
        dessinerCroix(gloveX, gloveY, gloveZ, 0.0, 1.0, 0.98);

        glPushMatrix();
        couleur(Qt::white);
        glBegin(GL_LINES);
        glVertex3d(0.1 * robotX, 0.1 * robotY, 0.1 * robotZ);
        glVertex3d(0.1 * gloveX, 0.1 * gloveY, 0.1 * gloveZ);
        glEnd();
        glPopMatrix();
    });
    if (zone.size() == m_fbo->size())
        m_image = points;
    else
        copier(m_image, zone.topLeft(), points, points.rect());
    for (const QRect& trait : m_traitsAxes)
        if (const QRect ici = trait & zone; !ici.isEmpty())
            copier(m_image, ici.topLeft(), m_axes, ici);
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
    aRedessiner(true);
}
