#include "app/panneaugantvirtuel.h"

#include "glove/espacetravail.h"
#include "glove/sourcevirtuelle.h"
#include "sim/simulateurpty.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

QString texte(const char* source)
{
    return QCoreApplication::translate("PanneauGantVirtuel", source);
}

float borner(float valeur)
{
    const float portee = PanneauGantVirtuel::kPortee;
    return std::clamp(valeur, -portee, portee);
}

// The square the hand is dragged on: its centre is the glove's origin, its edges +-kPortee,
// Y up. A press jumps the hand under the pointer; a drag carries it along.
class PaveMain : public QWidget
{
public:
    explicit PaveMain(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("pave"));
        setFixedSize(201, 201);
        setFocusPolicy(Qt::NoFocus); // the keys belong to the panel
        setCursor(Qt::CrossCursor);
    }

    std::function<void(float, float)> surDeplacement;

    void placer(float x, float y)
    {
        m_x = x;
        m_y = y;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF cadre = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.fillRect(rect(), isEnabled() ? QColor(245, 247, 250) : QColor(225, 225, 225));
        const QPointF centre = cadre.center();
        p.setPen(QPen(QColor(215, 220, 228), 1));
        for (int i = 1; i < 4; ++i) {
            const double x = cadre.left() + cadre.width() * i / 4.0;
            const double y = cadre.top() + cadre.height() * i / 4.0;
            p.drawLine(QPointF(x, cadre.top()), QPointF(x, cadre.bottom()));
            p.drawLine(QPointF(cadre.left(), y), QPointF(cadre.right(), y));
        }
        p.setPen(QPen(QColor(120, 128, 140), 1));
        p.drawLine(QPointF(centre.x(), cadre.top()), QPointF(centre.x(), cadre.bottom()));
        p.drawLine(QPointF(cadre.left(), centre.y()), QPointF(cadre.right(), centre.y()));
        p.drawRect(cadre);

        // The hand, in the colour of the glove's cross in the 3D view.
        const QPointF main = versEcran(m_x, m_y);
        p.setPen(QPen(QColor(0, 90, 110), 1.5));
        p.setBrush(isEnabled() ? QColor(0, 255, 252) : QColor(170, 170, 170));
        p.drawEllipse(main, 7.0, 7.0);
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            suivre(e->position());
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (e->buttons() & Qt::LeftButton)
            suivre(e->position());
    }

private:
    // Pixel centres: the first column is -kPortee, the last +kPortee, the middle one 0.
    double demiLargeur() const { return (width() - 1) / 2.0; }
    double demiHauteur() const { return (height() - 1) / 2.0; }

    QPointF versEcran(float x, float y) const
    {
        return {demiLargeur() + x / PanneauGantVirtuel::kPortee * demiLargeur() + 0.5,
                demiHauteur() - y / PanneauGantVirtuel::kPortee * demiHauteur() + 0.5};
    }

    void suivre(QPointF point)
    {
        const double portee = PanneauGantVirtuel::kPortee;
        // Whole glove units: the readouts stay short and a recording reads back exactly.
        const float x = borner(std::round((point.x() - demiLargeur()) / demiLargeur() * portee));
        const float y = borner(std::round((demiHauteur() - point.y()) / demiHauteur() * portee));
        if (surDeplacement)
            surDeplacement(x, y);
    }

    float m_x = 0.0f;
    float m_y = 0.0f;
};

QSlider* creerCurseur(Qt::Orientation sens, int minimum, int maximum, int pas, QWidget* parent,
                      const char* nom)
{
    auto* curseur = new QSlider(sens, parent);
    curseur->setObjectName(QString::fromLatin1(nom));
    curseur->setRange(minimum, maximum);
    curseur->setSingleStep(pas);
    curseur->setPageStep(pas * 5);
    curseur->setValue(0);
    curseur->setFocusPolicy(Qt::NoFocus);
    return curseur;
}

} // namespace

PanneauGantVirtuel::PanneauGantVirtuel(SourceVirtuelle* source, SimulateurPty* simulateur,
                                       QWidget* parent)
    : QWidget(parent, parent ? Qt::Window : Qt::WindowFlags()), m_simulateur(simulateur)
{
    setObjectName(QStringLiteral("PanneauGantVirtuel"));
    // A companion of the main window: closing it only hides it, and it never keeps the program
    // running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowIcon(QIcon(QPixmap(QStringLiteral(":/zv.bmp"))));
    setFocusPolicy(Qt::StrongFocus);

    auto* pave = new PaveMain(this);
    pave->surDeplacement = [this](float x, float y) { deplacer(x, y, m_curseurZ->value()); };
    m_pave = pave;
    m_legendePave = new QLabel(this);
    m_legendeZ = new QLabel(this);
    m_legendeZ->setAlignment(Qt::AlignHCenter);
    m_curseurZ = creerCurseur(Qt::Vertical, -kPortee, kPortee, 10, this, "curseurZ");
    m_legendeFlexion = new QLabel(this);
    m_curseurFlexion = creerCurseur(Qt::Horizontal, 0, kFlexionMax, 5, this, "curseurFlexion");
    m_bouton1 = new QPushButton(this);
    m_bouton1->setObjectName(QStringLiteral("bouton1"));
    m_bouton2 = new QPushButton(this);
    m_bouton2->setObjectName(QStringLiteral("bouton2"));
    for (QPushButton* b : {m_bouton1, m_bouton2})
        b->setFocusPolicy(Qt::NoFocus);
    m_lectureGant = new QLabel(this);
    m_lectureGant->setObjectName(QStringLiteral("lectureGant"));

    auto* grille = new QGridLayout;
    grille->addWidget(m_legendePave, 0, 0);
    grille->addWidget(m_legendeZ, 0, 1);
    grille->addWidget(m_pave, 1, 0);
    grille->addWidget(m_curseurZ, 1, 1, Qt::AlignHCenter);
    grille->addWidget(m_legendeFlexion, 2, 0, 1, 2);
    grille->addWidget(m_curseurFlexion, 3, 0, 1, 2);
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(m_bouton1);
    boutons->addWidget(m_bouton2);
    grille->addLayout(boutons, 4, 0, 1, 2);
    grille->addWidget(m_lectureGant, 5, 0, 1, 2);

    auto* colonne = new QVBoxLayout(this);
    colonne->addLayout(grille);

    if (m_simulateur) {
        m_groupeBras = new QGroupBox(this);
        m_etatPosition = new QLabel(m_groupeBras);
        m_etatPosition->setObjectName(QStringLiteral("etatPosition"));
        m_etatMouvement = new QLabel(m_groupeBras);
        m_etatMouvement->setObjectName(QStringLiteral("etatMouvement"));
        m_etatPince = new QLabel(m_groupeBras);
        m_etatPince->setObjectName(QStringLiteral("etatPince"));
        auto* etat = new QVBoxLayout(m_groupeBras);
        etat->addWidget(m_etatPosition);
        etat->addWidget(m_etatMouvement);
        etat->addWidget(m_etatPince);
        colonne->addWidget(m_groupeBras);
        m_sondage = new QTimer(this);
        connect(m_sondage, &QTimer::timeout, this, [this] { rafraichirEtat(); });
        m_sondage->start(200);
    }
    colonne->addStretch();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_curseurZ, &QSlider::valueChanged, this, [this] { appliquer(); });
    connect(m_curseurFlexion, &QSlider::valueChanged, this, [this] { appliquer(); });
    connect(m_bouton1, &QPushButton::pressed, this, [this] { tenirBouton(0, true); });
    connect(m_bouton1, &QPushButton::released, this, [this] { tenirBouton(0, false); });
    connect(m_bouton2, &QPushButton::pressed, this, [this] { tenirBouton(1, true); });
    connect(m_bouton2, &QPushButton::released, this, [this] { tenirBouton(1, false); });

    traduireTextes();
    definirSource(source);
}

PanneauGantVirtuel::~PanneauGantVirtuel() = default;

void PanneauGantVirtuel::definirSource(SourceVirtuelle* source)
{
    m_source = source;
    for (QWidget* w :
         {m_pave, static_cast<QWidget*>(m_curseurZ), static_cast<QWidget*>(m_curseurFlexion),
          static_cast<QWidget*>(m_bouton1), static_cast<QWidget*>(m_bouton2)})
        w->setEnabled(source != nullptr);
    if (!source)
        return;
    // A button still held from a previous glove must not stay pressed on this one.
    m_bouton1->setDown(false);
    m_bouton2->setDown(false);
    source->definirBouton(0, false);
    source->definirBouton(1, false);
    appliquer();
}

void PanneauGantVirtuel::montrerABordDe(QWidget* fenetre)
{
    const QRect cadre = fenetre->frameGeometry();
    move(cadre.right() + 12, cadre.top());
    show();
}

void PanneauGantVirtuel::deplacer(float x, float y, float z)
{
    m_x = borner(x);
    m_y = borner(y);
    static_cast<PaveMain*>(m_pave)->placer(m_x, m_y);
    const QSignalBlocker bloqueur(m_curseurZ); // one change for the three axes, not two
    m_curseurZ->setValue(static_cast<int>(borner(z)));
    appliquer();
}

void PanneauGantVirtuel::appliquer()
{
    const float z = static_cast<float>(m_curseurZ->value());
    const int flexion = m_curseurFlexion->value();
    m_lectureGant->setText(texte("Gant : X %1  Y %2  Z %3  flexion %4")
                               .arg(static_cast<double>(m_x))
                               .arg(static_cast<double>(m_y))
                               .arg(static_cast<double>(z))
                               .arg(flexion));
    if (!m_source)
        return;
    m_source->definirPosition(m_x, m_y, z);
    m_source->definirFlexion(1, static_cast<unsigned char>(flexion));
}

void PanneauGantVirtuel::tenirBouton(int bouton, bool appuye)
{
    this->bouton(bouton)->setDown(appuye);
    if (m_source)
        m_source->definirBouton(bouton, appuye);
}

void PanneauGantVirtuel::rafraichirEtat()
{
    if (!m_simulateur)
        return;
    const EtatBras etat = m_simulateur->etat();
    const PoseBras& p = etat.position;
    m_etatPosition->setText(
        texte("Bras : X %1  Y %2  Z %3  P %4  R %5").arg(p.X).arg(p.Y).arg(p.Z).arg(p.P).arg(p.R));
    m_etatMouvement->setText(etat.homing        ? texte("Homing en cours")
                             : etat.enMouvement ? texte("En mouvement")
                                                : texte("À l'arrêt"));
    m_etatPince->setText(etat.pinceOuverte ? texte("Pince ouverte") : texte("Pince fermée"));
}

void PanneauGantVirtuel::keyPressEvent(QKeyEvent* e)
{
    const float pas = (e->modifiers() & Qt::ShiftModifier) ? 200.0f : 50.0f;
    const float z = static_cast<float>(m_curseurZ->value());
    switch (e->key()) {
    case Qt::Key_Left:
        deplacer(m_x - pas, m_y, z);
        break;
    case Qt::Key_Right:
        deplacer(m_x + pas, m_y, z);
        break;
    case Qt::Key_Up:
        deplacer(m_x, m_y + pas, z);
        break;
    case Qt::Key_Down:
        deplacer(m_x, m_y - pas, z);
        break;
    case Qt::Key_PageUp:
        deplacer(m_x, m_y, z + pas);
        break;
    case Qt::Key_PageDown:
        deplacer(m_x, m_y, z - pas);
        break;
    case Qt::Key_Home:
        deplacer(0.0f, 0.0f, 0.0f);
        break;
    case Qt::Key_Space:
        if (!e->isAutoRepeat())
            m_curseurFlexion->setValue(m_curseurFlexion->value() > kSeuilPince ? 0 : kFlexionMax);
        break;
    case Qt::Key_1:
    case Qt::Key_2:
        if (!e->isAutoRepeat() && m_source)
            tenirBouton(e->key() == Qt::Key_1 ? 0 : 1, true);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void PanneauGantVirtuel::keyReleaseEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_1 || e->key() == Qt::Key_2) && !e->isAutoRepeat()) {
        if (m_source)
            tenirBouton(e->key() == Qt::Key_1 ? 0 : 1, false);
        e->accept();
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void PanneauGantVirtuel::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        traduireTextes();
    QWidget::changeEvent(e);
}

void PanneauGantVirtuel::traduireTextes()
{
    setWindowTitle(texte("Gant virtuel"));
    setToolTip(texte("Clavier : flèches pour X et Y (Maj : pas plus grand), Page préc. et Page "
                     "suiv. pour Z, Espace plie ou tend le doigt, 1 et 2 tiennent les boutons, "
                     "Origine recentre la main."));
    m_legendePave->setText(texte("Main (X, Y) :"));
    m_legendeZ->setText(texte("Hauteur (Z)"));
    m_legendeFlexion->setText(texte("Flexion du doigt de la pince (0 à 255) :"));
    m_curseurFlexion->setToolTip(texte("Au-delà de %1, la pince se ferme.").arg(kSeuilPince));
    m_bouton1->setText(texte("Bouton 1"));
    m_bouton1->setToolTip(texte("Tenu : remet le gant à zéro."));
    m_bouton2->setText(texte("Bouton 2"));
    m_bouton2->setToolTip(texte("Tenu : renvoie le robot à l'origine."));
    if (m_groupeBras)
        m_groupeBras->setTitle(texte("Bras simulé"));
    appliquer();
    rafraichirEtat();
}
