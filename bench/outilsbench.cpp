#include "bench/outilsbench.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace bench {

int optionEntiere(const QStringList& arguments, const QString& nom, int defaut)
{
    const int i = arguments.indexOf(QStringLiteral("--") + nom);
    if (i < 0 || i + 1 >= arguments.size())
        return defaut;
    bool ok = false;
    const int valeur = arguments.at(i + 1).toInt(&ok);
    return ok ? valeur : defaut;
}

double maintenantMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void attendre(int ms)
{
    QEventLoop boucle;
    QTimer::singleShot(ms, Qt::PreciseTimer, &boucle, &QEventLoop::quit);
    boucle.exec();
}

double centile(std::vector<double> valeurs, double p)
{
    std::sort(valeurs.begin(), valeurs.end());
    const auto rang = static_cast<std::size_t>(std::ceil(p / 100.0 * double(valeurs.size())));
    return valeurs[std::clamp<std::size_t>(rang, 1, valeurs.size()) - 1];
}

QString machine()
{
    QString modele = QStringLiteral("?");
    QFile cpu(QStringLiteral("/proc/cpuinfo"));
    if (cpu.open(QIODevice::ReadOnly)) {
        for (const QByteArray& ligne : cpu.readAll().split('\n')) {
            if (ligne.startsWith("model name")) {
                modele = QString::fromLatin1(ligne.mid(ligne.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    return QStringLiteral("%1 processors (%2), kernel %3, Qt %4")
        .arg(QThread::idealThreadCount())
        .arg(modele, QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()));
}

QString commande(const QString& programme, const QList<QPair<QString, int>>& options)
{
    QString texte = QStringLiteral("xvfb-run -a ") + programme;
    for (const auto& [nom, valeur] : options)
        texte += QStringLiteral(" --%1 %2").arg(nom).arg(valeur);
    return texte;
}

long memoireResidenteKo(long pid, const char* champ)
{
    QFile statut(QStringLiteral("/proc/%1/status").arg(pid));
    if (!statut.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& ligne : statut.readAll().split('\n'))
        if (ligne.startsWith(champ))
            return ligne.mid(int(qstrlen(champ))).trimmed().split(' ').value(0).toLong();
    return -1;
}

double tempsProcesseurMs(long pid)
{
    // The scheduler's own count, in ns, summed over the live threads: the 10 ms ticks of
    // /proc/PID/stat are too coarse for a program that mostly sleeps.
    const QString taches = QStringLiteral("/proc/%1/task").arg(pid);
    double ns = 0;
    for (const QString& tache : QDir(taches).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(taches + QLatin1Char('/') + tache + QStringLiteral("/schedstat"));
        if (f.open(QIODevice::ReadOnly))
            ns += f.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e6;
}

} // namespace bench
