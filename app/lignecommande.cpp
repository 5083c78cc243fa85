#include "app/lignecommande.h"

#include "glove/sourcegant.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {
void erreur(const QString& message)
{
    std::fprintf(stderr, "zelvor: %s\n", qPrintable(message));
}
} // namespace

int lireLigneCommande(const QStringList& arguments, ConfigurationZelvor& configuration)
{
    QCommandLineParser analyseur;
    analyseur.setApplicationDescription(
        QStringLiteral("Drives a robot arm with a data glove over the controller's serial line."));
    const QCommandLineOption aide = analyseur.addHelpOption();
    const QCommandLineOption version = analyseur.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Serial device of the controller: COM1 (the default, /dev/ttyS0), COMn, "
                       "or a device path such as /dev/ttyUSB0 or a simulator's pseudo-terminal."),
        QStringLiteral("DEVICE"), QStringLiteral("COM1"));
    const QCommandLineOption gant(
        QStringLiteral("glove"),
        QStringLiteral("Glove source: none (the default), virtual (moved by hand from the "
                       "\"Gant virtuel\" panel), or replay:FILE to play a recorded trajectory."),
        QStringLiteral("SOURCE"), QStringLiteral("none"));
    const QCommandLineOption enregistrement(
        QStringLiteral("glove-record"),
        QStringLiteral("Write what the glove gives, from the moment tracking is armed, to FILE "
                       "in the replay format."),
        QStringLiteral("FILE"));
    const QCommandLineOption simulation(
        QStringLiteral("simulate"),
        QStringLiteral("Run without the robot: the controller is simulated inside the program on "
                       "a pseudo-terminal (at the pace of a real line and arm), and the "
                       "\"Gant virtuel\" panel drives the virtual glove and shows the simulated "
                       "arm. The glove is virtual unless --glove says otherwise; --port cannot be "
                       "given with it. Prints the simulator's device on the first line."));
    const QCommandLineOption transcript(
        QStringLiteral("sim-transcript"),
        QStringLiteral("With --simulate: write every line the simulated controller receives to "
                       "FILE, as milliseconds<TAB>line."),
        QStringLiteral("FILE"));
    analyseur.addOptions({port, gant, enregistrement, simulation, transcript});

    if (!analyseur.parse(arguments)) {
        erreur(analyseur.errorText());
        return 2;
    }
    if (analyseur.isSet(aide)) {
        std::fputs(qPrintable(analyseur.helpText()), stdout);
        return 0;
    }
    if (analyseur.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!analyseur.positionalArguments().isEmpty()) {
        erreur(QStringLiteral("unexpected argument '%1'")
                   .arg(analyseur.positionalArguments().first()));
        return 2;
    }
    configuration.port = analyseur.value(port);
    configuration.gant = analyseur.value(gant);
    configuration.enregistrementGant = analyseur.value(enregistrement);
    configuration.simulation = analyseur.isSet(simulation);
    configuration.transcriptSimulation = analyseur.value(transcript);
    if (configuration.simulation) {
        // The simulator chooses the device; a port given as well would be silently ignored.
        if (analyseur.isSet(port)) {
            erreur(QStringLiteral("--simulate and --port exclude each other"));
            return 2;
        }
        if (!analyseur.isSet(gant))
            configuration.gant = QStringLiteral("virtual");
    } else if (analyseur.isSet(transcript)) {
        erreur(QStringLiteral("--sim-transcript needs --simulate"));
        return 2;
    }
    if (configuration.port.isEmpty()) {
        erreur(QStringLiteral("--port needs a device"));
        return 2;
    }
    // The glove source is checked here (a replay file that is missing or does not parse), so that
    // the mistake is reported before any window opens.
    QString probleme;
    if (!creerSourceGant(configuration.gant, &probleme)) {
        erreur(probleme);
        return 2;
    }
    return -1;
}
