// scorbot-sim: the robot controller on a pseudo-terminal, for running and testing the program
// without the robot. Prints the device to open, serves it until SIGINT or SIGTERM.

#include "sim/simulateurpty.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

int sortirEnErreur(const QString& message)
{
    std::fprintf(stderr, "scorbot-sim: %s\n", qPrintable(message));
    return 2;
}

// Reads an integer option; false with a message if it is not one or below the minimum.
bool lireEntier(const QCommandLineParser& parseur, const QString& nom, int minimum, int& valeur,
                QString& message)
{
    if (!parseur.isSet(nom))
        return true;
    bool ok = false;
    const int lu = parseur.value(nom).toInt(&ok);
    if (!ok || lu < minimum) {
        message = QStringLiteral("--%1 wants an integer of at least %2, not '%3'")
                      .arg(nom)
                      .arg(minimum)
                      .arg(parseur.value(nom));
        return false;
    }
    valeur = lu;
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Blocked before any thread exists, so that every thread inherits the mask and the signals
    // reach sigwait() below instead of killing the process halfway through a write.
    sigset_t signaux;
    sigemptyset(&signaux);
    sigaddset(&signaux, SIGINT);
    sigaddset(&signaux, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signaux, nullptr);

    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("scorbot-sim"));

    QCommandLineParser parseur;
    parseur.setApplicationDescription(
        QStringLiteral("Robot controller simulator on a pseudo-terminal. Prints the device to "
                       "open, then serves it until SIGINT or SIGTERM."));
    parseur.addHelpOption();
    parseur.addOptions({
        {QStringLiteral("link"), QStringLiteral("Symbolic link to the device, removed at exit."),
         QStringLiteral("path")},
        {QStringLiteral("baud"), QStringLiteral("Line speed, 8N2 (default 9600; 0: no pacing)."),
         QStringLiteral("n")},
        {QStringLiteral("home-ms"), QStringLiteral("Duration of HOME in ms (default 3000)."),
         QStringLiteral("n")},
        {QStringLiteral("speed"), QStringLiteral("Motion speed, units per second (default 2000)."),
         QStringLiteral("n")},
        {QStringLiteral("silent-after"),
         QStringLiteral("Answer n lines, then write nothing at all."), QStringLiteral("n")},
        {QStringLiteral("hangup-after"), QStringLiteral("Answer n lines, hang up on the next one."),
         QStringLiteral("n")},
        {QStringLiteral("noise"), QStringLiteral("Mix random bytes into the answers.")},
        {QStringLiteral("long-listing"), QStringLiteral("Pad listings beyond 200 bytes.")},
        {QStringLiteral("check-line"),
         QStringLiteral("Hear nothing while the line is not set to 9600 baud 8N2.")},
        {QStringLiteral("transcript"),
         QStringLiteral("Write every received line to this file as ms<TAB>line."),
         QStringLiteral("file")},
    });

    if (!parseur.parse(QCoreApplication::arguments()))
        return sortirEnErreur(parseur.errorText());
    if (parseur.isSet(QStringLiteral("help")) || parseur.isSet(QStringLiteral("help-all")))
        parseur.showHelp(0);
    if (!parseur.positionalArguments().isEmpty())
        return sortirEnErreur(QStringLiteral("unexpected argument '%1'")
                                  .arg(parseur.positionalArguments().constFirst()));

    OptionsSimulateur options;
    int vitesse = 2000;
    QString message;
    if (!lireEntier(parseur, QStringLiteral("baud"), 0, options.baud, message) ||
        !lireEntier(parseur, QStringLiteral("home-ms"), 0, options.homeMs, message) ||
        !lireEntier(parseur, QStringLiteral("speed"), 1, vitesse, message) ||
        !lireEntier(parseur, QStringLiteral("silent-after"), 0, options.silenceApres, message) ||
        !lireEntier(parseur, QStringLiteral("hangup-after"), 0, options.raccrocheApres, message))
        return sortirEnErreur(message);
    options.vitesse = vitesse;
    options.bruit = parseur.isSet(QStringLiteral("noise"));
    options.listingLong = parseur.isSet(QStringLiteral("long-listing"));
    options.exigerReglage = parseur.isSet(QStringLiteral("check-line"));
    options.lien = parseur.value(QStringLiteral("link"));
    options.fichierTranscript = parseur.value(QStringLiteral("transcript"));

    SimulateurPty simulateur;
    QString erreur;
    if (!simulateur.demarrer(options, &erreur)) {
        std::fprintf(stderr, "scorbot-sim: %s\n", qPrintable(erreur));
        return 1;
    }
    std::printf("%s\n", qPrintable(simulateur.peripherique()));
    std::fflush(stdout);

    int signal = 0;
    sigwait(&signaux, &signal);
    simulateur.arreter();
    return 0;
}
