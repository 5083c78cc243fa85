#include "app/fenetrecourbes.h"

#include "app/configuration.h"
#include "app/globjectwindow.h"
#include "glove/suivi.h"
#include "robot/piloterobot.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {
using Genre = EvenementSuivi::Genre;
using Marque = HistoriqueCourbes::Marque;

// Processor time of the calling thread, in ms.
double tempsProcesseurFil()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

QColor couleurMarque(Genre genre)
{
    switch (genre) {
    case Genre::Fermeture:
    case Genre::Ouverture:
        return QColor(0x94, 0x67, 0xbd);
    case Genre::DebutHoming:
    case Genre::FinHoming:
        return QColor(0x55, 0x55, 0x55);
    case Genre::PanneSilence:
    case Genre::PanneRaccroche:
        return QColor(0xd6, 0x27, 0x28);
    default:
        return QColor(0x2c, 0xa0, 0x2c);
    }
}

QString libelleMarque(Genre genre)
{
    switch (genre) {
    case Genre::Fermeture:
        return QCoreApplication::translate("FenetreCourbes", "fermeture");
    case Genre::Ouverture:
        return QCoreApplication::translate("FenetreCourbes", "ouverture");
    case Genre::DebutHoming:
        return QCoreApplication::translate("FenetreCourbes", "homing");
    case Genre::FinHoming:
        return QCoreApplication::translate("FenetreCourbes", "fin du homing");
    case Genre::PanneSilence:
        return QStringLiteral("E0005");
    case Genre::PanneRaccroche:
        return QStringLiteral("E0006");
    default:
        return QCoreApplication::translate("FenetreCourbes", "retour");
    }
}
} // namespace

// One axis against time: the three series, the clamps, and the marks drawn across the plot over
// whatever the series drew.
class VueAxe : public QChartView
{
public:
    VueAxe(const QString& nomAxe, float borneMin, float borneMax, double pasGraduation,
           const std::vector<Marque>& marques)
        // The chart is given at construction: setChart() would release, not delete, the one
        // the view makes for itself.
        : QChartView(new QChart), m_borneMin(borneMin), m_borneMax(borneMax), m_marques(marques)
    {
        QChart* graphique = chart();
        graphique->setMargins(QMargins(4, 2, 4, 2));
        graphique->legend()->setAlignment(Qt::AlignTop);
        // A redraw costs mostly the chart's own background, repaints of parts of the picture as
        // the chart lays itself out, and smoothing: a flat background, one repaint per redraw,
        // asked by dessiner(), and no smoothing but the text's (each a third cheaper).
        graphique->setBackgroundVisible(false);
        setBackgroundBrush(Qt::white);
        setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
        m_temps->setLabelFormat(QStringLiteral("%.0f"));
        m_temps->setTickType(QValueAxis::TicksDynamic);
        m_temps->setTickAnchor(0);
        m_temps->setTickInterval(5);
        m_valeur->setTitleText(nomAxe);
        m_valeur->setLabelFormat(QStringLiteral("%.0f"));
        m_valeur->setTickType(QValueAxis::TicksDynamic);
        m_valeur->setTickAnchor(0);
        m_valeur->setTickInterval(pasGraduation);
        graphique->addAxis(m_temps, Qt::AlignBottom);
        graphique->addAxis(m_valeur, Qt::AlignLeft);
        const auto ajouter = [&](QXYSeries* s, const QString& nom, const QPen& stylo) {
            s->setName(nom);
            s->setPen(stylo);
            graphique->addSeries(s);
            s->attachAxis(m_temps);
            s->attachAxis(m_valeur);
        };
        ajouter(m_cible, QCoreApplication::translate("FenetreCourbes", "cible"),
                QPen(QColor(0x1f, 0x77, 0xb4), 2));
        ajouter(m_position, QCoreApplication::translate("FenetreCourbes", "position listée"),
                QPen(QColor(0x2c, 0xa0, 0x2c), 2));
        m_position->setPointsVisible(true);
        m_poses->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        m_poses->setMarkerSize(5);
        m_poses->setColor(QColor(0xff, 0x7f, 0x0e));
        m_poses->setBorderColor(QColor(0xff, 0x7f, 0x0e));
        ajouter(m_poses, QCoreApplication::translate("FenetreCourbes", "pose écrite"),
                m_poses->pen());
        for (QLineSeries* borne : m_bornes)
            ajouter(borne, QCoreApplication::translate("FenetreCourbes", "borne"),
                    QPen(QColor(0xd6, 0x27, 0x28), 1, Qt::DashLine));
        graphique->legend()->markers(m_bornes[1]).value(0)->setVisible(false);
    }

    // The legend above the first chart, the time axis's title under the last.
    void habiller(bool premier, bool dernier)
    {
        chart()->legend()->setVisible(premier);
        if (dernier)
            m_temps->setTitleText(QCoreApplication::translate("FenetreCourbes", "temps (s)"));
    }

    // Axis `a` (0 to 2) of the points, from `debut` to `fin` ms; `maintenant` is the latest time
    // the history holds.
    void dessiner(int a, qint64 debut, qint64 fin, qint64 maintenant,
                  const std::array<std::vector<HistoriqueCourbes::Point>, 3>& points)
    {
        const auto valeur = [a](const HistoriqueCourbes::Point& p) {
            return a == 0 ? p.x : a == 1 ? p.y : p.z;
        };
        const double t0 = double(debut) / 1000.0, t1 = double(fin) / 1000.0;
        double bas = m_borneMin, haut = m_borneMax;
        std::array<QList<QPointF>, 3> courbes;
        for (std::size_t s = 0; s < 3; ++s) {
            for (const HistoriqueCourbes::Point& p : points[s]) {
                const double t = double(p.ms) / 1000.0, v = valeur(p);
                // A target holds until the next one: drawn as steps.
                if (s == HistoriqueCourbes::Cible && !courbes[s].isEmpty())
                    courbes[s].append(QPointF(t, courbes[s].last().y()));
                courbes[s].append(QPointF(t, v));
                if (p.ms >= debut) {
                    bas = std::min(bas, v);
                    haut = std::max(haut, v);
                }
            }
        }
        // The target holds until now, not beyond.
        if (!courbes[0].isEmpty())
            courbes[0].append(
                QPointF(std::min(t1, double(maintenant) / 1000.0), courbes[0].last().y()));
        m_cible->replace(courbes[0]);
        m_poses->replace(courbes[1]);
        m_position->replace(courbes[2]);
        m_bornes[0]->replace({QPointF(t0, m_borneMin), QPointF(t1, m_borneMin)});
        m_bornes[1]->replace({QPointF(t0, m_borneMax), QPointF(t1, m_borneMax)});
        m_temps->setRange(t0, t1);
        const double marge = (haut - bas) * 0.08;
        m_valeur->setRange(bas - marge, haut + marge);
        viewport()->update(); // the marks
    }

    // The widest label of the value axis, in pixels.
    int largeurEtiquettes() const
    {
        const QFontMetrics mesure(m_valeur->labelsFont());
        const double pas = m_valeur->tickInterval();
        int largeur = 0;
        for (double v = std::ceil(m_valeur->min() / pas) * pas; v <= m_valeur->max(); v += pas)
            largeur = std::max(largeur, mesure.horizontalAdvance(QString::number(v, 'f', 0)));
        return largeur;
    }
    // Room left of the labels, so that narrower labels than another chart's do not move the
    // plot: the three time axes line up.
    void decaler(int pixels)
    {
        if (pixels != m_decalage)
            chart()->setMargins(QMargins(4 + (m_decalage = pixels), 2, 4, 2));
    }

    // Told the processor time of each repaint, in ms.
    std::function<void(double)> peinte;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        const double debut = tempsProcesseurFil();
        QChartView::paintEvent(e);
        if (peinte)
            peinte(tempsProcesseurFil() - debut);
    }

    void drawForeground(QPainter* peintre, const QRectF& zone) override
    {
        QChartView::drawForeground(peintre, zone);
        const QRectF trace = chart()->mapRectToScene(chart()->plotArea());
        QFont police = font();
        police.setPointSizeF(police.pointSizeF() * 0.85);
        peintre->setFont(police);
        // Each label on the first of three rows where it clears the previous one.
        std::array<double, 3> finRangs{-1e9, -1e9, -1e9};
        const QFontMetrics mesure = peintre->fontMetrics();
        for (const Marque& m : m_marques) {
            const QPointF p =
                chart()->mapToScene(chart()->mapToPosition(QPointF(double(m.ms) / 1000.0, 0)));
            if (p.x() < trace.left() || p.x() > trace.right())
                continue;
            const QColor couleur = couleurMarque(m.genre);
            peintre->setPen(QPen(couleur, 1.5, Qt::DashLine));
            peintre->drawLine(QPointF(p.x(), trace.top()), QPointF(p.x(), trace.bottom()));
            peintre->setPen(couleur);
            const QString libelle = libelleMarque(m.genre);
            const auto rang = std::find_if(finRangs.begin(), finRangs.end(),
                                           [&](double fin) { return fin < p.x(); });
            const int r = rang == finRangs.end() ? 0 : int(rang - finRangs.begin());
            finRangs[std::size_t(r)] = p.x() + 6 + mesure.horizontalAdvance(libelle);
            peintre->drawText(
                QPointF(p.x() + 3, trace.top() + mesure.ascent() + r * mesure.height()), libelle);
        }
    }

private:
    double m_borneMin, m_borneMax;
    int m_decalage = 0;
    const std::vector<Marque>& m_marques;
    QValueAxis* m_temps = new QValueAxis(this);
    QValueAxis* m_valeur = new QValueAxis(this);
    QLineSeries* m_cible = new QLineSeries(this);
    QScatterSeries* m_poses = new QScatterSeries(this);
    QLineSeries* m_position = new QLineSeries(this);
    std::array<QLineSeries*, 2> m_bornes{new QLineSeries(this), new QLineSeries(this)};
};

FenetreCourbes::FenetreCourbes(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FenetreCourbes"));
    setWindowTitle(QCoreApplication::translate("FenetreCourbes", "Suivi du bras"));
    // The main window's close ends the program, whether this one is open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_minuterie.setSingleShot(true);
    connect(&m_minuterie, &QTimer::timeout, this, &FenetreCourbes::redessiner);
}

FenetreCourbes::~FenetreCourbes()
{
    if (m_fichierFin.isEmpty())
        return;
    // What the robot side said before it stopped, still on its way.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    QString raison;
    if (!m_historique.exporterCsv(m_fichierFin, &raison))
        std::fprintf(stderr, "zelvor: --courbes=%s: %s\n", qPrintable(m_fichierFin),
                     qPrintable(raison));
}

std::unique_ptr<FenetreCourbes> FenetreCourbes::pourLeProgramme(ConfigurationZelvor& configuration)
{
    auto courbes = std::make_unique<FenetreCourbes>();
    courbes->m_montrerAuDebut = configuration.courbes;
    courbes->m_fichierFin = configuration.fichierCourbes;
    FenetreCourbes* f = courbes.get();
    configuration.suivrePilote = [f](const PiloteRobot& pilote) { f->suivre(pilote); };
    return courbes;
}

void FenetreCourbes::installer(GLObjectWindow& fenetre)
{
    auto* action =
        new QAction(QCoreApplication::translate("FenetreCourbes", "Suivi du bras"), &fenetre);
    action->setShortcut(Qt::Key_F2);
    connect(action, &QAction::triggered, this, [this, &fenetre] { montrerABordDe(fenetre); });
    fenetre.addAction(action);
    if (auto* vue = fenetre.findChild<QWidget*>(QStringLiteral("glbox"))) {
        vue->addAction(action);
        vue->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    if (m_montrerAuDebut)
        montrerABordDe(fenetre);
}

void FenetreCourbes::suivre(const PiloteRobot& pilote)
{
    connect(&pilote, &PiloteRobot::evenementSuivi, this, &FenetreCourbes::ajouter);
}

void FenetreCourbes::montrerABordDe(const QWidget& fenetre)
{
    if (!m_placee) {
        m_placee = true;
        // Under the main window, within the screen.
        const QRect cadre = fenetre.frameGeometry();
        const QRect ecran = fenetre.screen()->availableGeometry();
        resize(std::min(900, ecran.width()), std::min(620, ecran.height()));
        move(
            std::clamp(cadre.left(), ecran.left(), std::max(ecran.left(), ecran.right() - width())),
            std::clamp(cadre.bottom() + 12, ecran.top(),
                       std::max(ecran.top(), ecran.bottom() - height())));
    }
    show();
    raise();
    activateWindow();
}

void FenetreCourbes::construire()
{
    if (m_graphiques)
        return;
    auto* disposition = new QVBoxLayout(this);
    auto* barre = new QHBoxLayout;
    m_pause = new QPushButton(QCoreApplication::translate("FenetreCourbes", "Pause"), this);
    m_pause->setObjectName(QStringLiteral("pause"));
    m_pause->setCheckable(true);
    m_defilement = new QScrollBar(Qt::Horizontal, this);
    m_defilement->setObjectName(QStringLiteral("defilement"));
    m_defilement->setToolTip(QCoreApplication::translate(
        "FenetreCourbes", "En pause : revenir sur les cinq dernières minutes"));
    m_defilement->setEnabled(false);
    m_defilement->setRange(0, 0);
    auto* exportCsv =
        new QPushButton(QCoreApplication::translate("FenetreCourbes", "Exporter en CSV…"), this);
    auto* exportPng =
        new QPushButton(QCoreApplication::translate("FenetreCourbes", "Exporter en PNG…"), this);
    barre->addWidget(m_pause);
    barre->addWidget(m_defilement, 1);
    barre->addWidget(exportCsv);
    barre->addWidget(exportPng);
    disposition->addLayout(barre);

    m_graphiques = new QWidget(this);
    auto* pile = new QVBoxLayout(m_graphiques);
    pile->setContentsMargins(0, 0, 0, 0);
    pile->setSpacing(0);
    const float bornes[3][2] = {{kMinX, kMaxX}, {kMinY, kMaxY}, {kMinZ, kMaxZ}};
    const char* noms[3] = {"X", "Y", "Z"};
    const double graduations[3] = {500, 2000, 1000};
    for (std::size_t a = 0; a < 3; ++a) {
        m_vues[a] = new VueAxe(QString::fromLatin1(noms[a]), bornes[a][0], bornes[a][1],
                               graduations[a], m_marquesVues);
        m_vues[a]->habiller(a == 0, a == 2);
        m_vues[a]->peinte = [this](double ms) { m_coutDessinMs += ms; };
        pile->addWidget(m_vues[a], a == 0 ? 6 : 5);
    }
    disposition->addWidget(m_graphiques, 1);

    connect(m_pause, &QPushButton::toggled, this, &FenetreCourbes::mettreEnPause);
    connect(m_defilement, &QScrollBar::valueChanged, this, &FenetreCourbes::demanderDessin);
    connect(exportCsv, &QPushButton::clicked, this, [this] {
        const QString chemin = QFileDialog::getSaveFileName(
            this, QCoreApplication::translate("FenetreCourbes", "Exporter les courbes en CSV"),
            QStringLiteral("suivi-bras.csv"),
            QCoreApplication::translate("FenetreCourbes", "Fichiers CSV (*.csv)"));
        if (!chemin.isEmpty())
            exporterCsv(chemin);
    });
    connect(exportPng, &QPushButton::clicked, this, [this] {
        const QString chemin = QFileDialog::getSaveFileName(
            this, QCoreApplication::translate("FenetreCourbes", "Exporter l'image des courbes"),
            QStringLiteral("suivi-bras.png"),
            QCoreApplication::translate("FenetreCourbes", "Images PNG (*.png)"));
        if (!chemin.isEmpty())
            exporterPng(chemin);
    });
    // A redraw costs what the thread does from its start until the event loop idles (the charts'
    // layout, the scene's updates), then its repaints, which come a little later (and an
    // expose's, which counts as well). Watched only once the window has been opened: the loop
    // idles after every tick.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] {
                if (m_mesureEnCours)
                    m_coutDessinMs = tempsProcesseurFil() - m_debutDessinMs;
                m_mesureEnCours = false;
            });
}

void FenetreCourbes::ajouter(const EvenementSuivi& evenement)
{
    m_historique.ajouter(evenement);
    if (!m_pause || !m_pause->isChecked())
        demanderDessin();
}

void FenetreCourbes::demanderDessin()
{
    if (isVisible() && !isMinimized() && !m_minuterie.isActive())
        m_minuterie.start(kIntervalleDessinMs);
}

void FenetreCourbes::showEvent(QShowEvent* e)
{
    construire();
    QWidget::showEvent(e);
    redessiner(); // at once: the first picture is not to wait
}

void FenetreCourbes::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        demanderDessin();
}

void FenetreCourbes::mettreEnPause(bool pause)
{
    m_pause->setText(pause ? QCoreApplication::translate("FenetreCourbes", "Reprendre")
                           : QCoreApplication::translate("FenetreCourbes", "Pause"));
    m_defilement->setEnabled(pause);
    if (pause) {
        // The picture as it stands: a redraw still waiting is not made.
        m_finPause =
            m_finDessinee >= 0 ? m_finDessinee : std::max(m_historique.dernierMs(), kVueMs);
        const qint64 avant = m_finPause - std::max(m_historique.premierMs(), qint64(0)) - kVueMs;
        const QSignalBlocker bloqueur(m_defilement);
        m_defilement->setRange(-int(std::max(avant, qint64(0))), 0);
        m_defilement->setPageStep(int(kVueMs));
        m_defilement->setSingleStep(1000);
        m_defilement->setValue(0);
    } else {
        const QSignalBlocker bloqueur(m_defilement);
        m_defilement->setRange(0, 0);
        demanderDessin();
    }
}

void FenetreCourbes::redessiner()
{
    if (!m_graphiques || !isVisible() || isMinimized())
        return;
    const bool pause = m_pause->isChecked();
    const qint64 fin =
        pause ? m_finPause + m_defilement->value() : std::max(m_historique.dernierMs(), kVueMs);
    const quint64 version = pause ? m_dessine : m_historique.changements();
    if (fin == m_finDessinee && version == m_dessine)
        return;
    // Redraws for arriving data spread out for their cost to stay within the share of a
    // processor; one the operator asked for by scrolling back is not made to wait for that.
    const qint64 attente = qint64(m_coutDessinMs / kPartProcesseur) -
                           (m_depuisDessin.isValid() ? m_depuisDessin.elapsed() : 0);
    if (!pause && attente > 0) {
        m_minuterie.start(int(std::min(attente, qint64(kIntervalleMaxMs))));
        return;
    }
    m_depuisDessin.start();
    m_finDessinee = fin;
    m_dessine = version;
    m_debutDessinMs = tempsProcesseurFil();
    m_mesureEnCours = true;
    const qint64 debut = fin - kVueMs;
    std::array<std::vector<HistoriqueCourbes::Point>, 3> points;
    for (int s = 0; s < HistoriqueCourbes::kSeries; ++s)
        points[std::size_t(s)] = m_historique.points(HistoriqueCourbes::Serie(s), debut, fin);
    m_marquesVues = m_historique.marques(debut, fin);
    for (std::size_t a = 0; a < 3; ++a)
        m_vues[a]->dessiner(int(a), debut, fin, m_historique.dernierMs(), points);
    int largeur = 0;
    for (const VueAxe* vue : m_vues)
        largeur = std::max(largeur, vue->largeurEtiquettes());
    for (VueAxe* vue : m_vues)
        vue->decaler(largeur - vue->largeurEtiquettes());
}

bool FenetreCourbes::exporterCsv(const QString& chemin)
{
    QString raison;
    if (m_historique.exporterCsv(chemin, &raison))
        return true;
    signalerEchec(chemin, raison);
    return false;
}

bool FenetreCourbes::exporterPng(const QString& chemin)
{
    construire();
    QSaveFile fichier(chemin);
    QImageWriter ecrivain(&fichier, "png");
    if (fichier.open(QIODevice::WriteOnly) && ecrivain.write(m_graphiques->grab().toImage()) &&
        fichier.commit())
        return true;
    signalerEchec(chemin, fichier.error() != QFileDevice::NoError ? fichier.errorString()
                                                                  : ecrivain.errorString());
    return false;
}

void FenetreCourbes::signalerEchec(const QString& chemin, const QString& raison)
{
    QMessageBox::warning(
        this, QCoreApplication::translate("FenetreCourbes", "Exportation impossible"),
        QCoreApplication::translate(
            "FenetreCourbes",
            "Impossible d'écrire %1 :\n%2\nRien de ce qui est gardé n'est perdu : une autre "
            "exportation l'écrira entier.")
            .arg(chemin, raison));
}
