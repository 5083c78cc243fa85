#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

// What every benchmark shares: options, clocks, statistics, and the report's frame.
namespace bench {

// Integer option `--nom N` from the command line, or the default.
int optionEntiere(const QStringList& arguments, const QString& nom, int defaut);

// Milliseconds since an arbitrary origin, from the same clock as the simulator's.
double maintenantMs();

// Runs the event loop for `ms` milliseconds.
void attendre(int ms);

// Percentile by nearest rank (p in 0..100) of a non-empty list.
double centile(std::vector<double> valeurs, double p);

// The machine, for the report: processors, CPU model, kernel, Qt.
QString machine();

// The command that reproduces this run: the program's path as called and the options in force.
QString commande(const QString& programme, const QList<QPair<QString, int>>& options);

// Resident memory of a process, in kB (VmRSS, and VmHWM for the peak); -1 when unknown.
long memoireResidenteKo(long pid, const char* champ = "VmRSS:");

// Processor time used so far by the live threads of a process, in ms.
double tempsProcesseurMs(long pid);

} // namespace bench
