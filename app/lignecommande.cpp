#include "app/lignecommande.h"

#include "app/version.h"
#include "glove/sourcegant.h"
#include "robot/portreseau.h"

#include <QCommandLineParser>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void erreur(const QString& message)
{
    std::fprintf(stderr, "zelvor: %s\n", qPrintable(message));
}

// Whether a file the program will write (a recording, a trace, the plot's data) will have
// somewhere to go, told now rather than lost at the end of the session. A file that is not there
// yet is created and removed again: only the system knows all the reasons it may refuse (a
// missing folder, rights, a read-only disk).
QString problemeEcriture(const QString& fichier)
{
    const QByteArray chemin = QFile::encodeName(fichier);
    struct stat etat
    {
    };
    if (::stat(chemin.constData(), &etat) == 0) {
        if (!S_ISREG(etat.st_mode))
            return QStringLiteral("not a regular file");
        return ::access(chemin.constData(), W_OK) == 0
                   ? QString()
                   : QString::fromLocal8Bit(std::strerror(errno));
    }
    const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    ::unlink(chemin.constData());
    return {};
}
} // namespace

int lireLigneCommande(const QStringList& arguments, ConfigurationZelvor& configuration)
{
    QCommandLineParser analyseur;
    analyseur.setApplicationDescription(
        QStringLiteral("Drives a robot arm with a data glove over the controller's serial line."));
    const QCommandLineOption aide({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Serial device of the controller: COM1 (the default, /dev/ttyS0), COMn, "
                       "a device path such as /dev/ttyUSB0 or a simulator's pseudo-terminal, or "
                       "the controller behind a serial port server: socket://HOST:PORT (raw TCP) "
                       "or rfc2217://HOST:PORT (Telnet; the program sets the line)."),
        QStringLiteral("DEVICE"), QStringLiteral("COM1"));
    const QCommandLineOption gant(
        QStringLiteral("glove"),
        QStringLiteral("Glove source: none (the default), virtual (moved by hand from the "
                       "\"Gant virtuel\" panel), replay:FILE to play a recorded trajectory, "
                       "manette (a gamepad: sticks move the hand, right trigger the gripper, A "
                       "and B the buttons; manette:N for the N-th pad), or osc:PORT to take Open "
                       "Sound Control messages from a hand tracker on UDP 127.0.0.1:PORT, "
                       "osc.tcp:PORT the same over TCP. osc:ADDRESS:PORT@HOST[,HOST...] and "
                       "osc.tcp:... listen on ADDRESS and heed only the HOSTs listed (required "
                       "beyond the loopback network). A UDP sender's address can be forged: over "
                       "UDP the list keeps honest mistakes out, not an attacker; on a network "
                       "you do not trust, use osc.tcp: or a tunnel."),
        QStringLiteral("SOURCE"), QStringLiteral("none"));
    const QCommandLineOption sortieTrajectoire(
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
    const QCommandLineOption langue(
        QStringLiteral("langue"),
        QStringLiteral("Language of the window: fr (the default, whatever the locale) or en."),
        QStringLiteral("fr|en"), QStringLiteral("fr"));
    analyseur.addOptions(
        {aide, version, port, gant, sortieTrajectoire, simulation, transcript, langue});
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Write every byte written to and read from the controller's line to FILE "
                       "(- for the standard error), with its time, direction and exchange."),
        QStringLiteral("FILE"));
    analyseur.addOption(trace);
    const QCommandLineOption courbes(
        QStringLiteral("courbes"),
        QStringLiteral("Open the plot window (\"Suivi du bras\") with the main window. FILE is "
                       "optional: --courbes=FILE also writes what the window kept, as CSV, to "
                       "FILE when the program ends. F2 opens the window at any time."),
        QStringLiteral("FILE"));
    analyseur.addOption(courbes);

    // The file is optional: a bare --courbes is read as one with an empty file.
    QStringList lus = arguments;
    lus.replaceInStrings(QRegularExpression(QStringLiteral("^--courbes$")),
                         QStringLiteral("--courbes="));
    if (!analyseur.parse(lus)) {
        erreur(analyseur.errorText());
        return 2;
    }
    if (analyseur.isSet(aide)) {
        // Without an application object the parser does not know the program's name.
        std::fputs(qPrintable(analyseur.helpText().replace(QLatin1String("<executable_name>"),
                                                           QLatin1String("zelvor"))),
                   stdout);
        return 0;
    }
    if (analyseur.isSet(version)) {
        std::printf("zelvor %s\n", kVersionZelvor);
        return 0;
    }
    if (!analyseur.positionalArguments().isEmpty()) {
        erreur(QStringLiteral("unexpected argument '%1'")
                   .arg(analyseur.positionalArguments().first()));
        return 2;
    }
    configuration.port = analyseur.value(port);
    configuration.gant = analyseur.value(gant);
    configuration.sortieTrajectoire = analyseur.value(sortieTrajectoire);
    configuration.simulation = analyseur.isSet(simulation);
    configuration.transcriptSimulation = analyseur.value(transcript);
    configuration.langue = analyseur.value(langue);
    if (configuration.langue != QLatin1String("fr") &&
        configuration.langue != QLatin1String("en")) {
        erreur(QStringLiteral("--langue: fr or en expected, not '%1'").arg(configuration.langue));
        return 2;
    }
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
    AdresseReseau adresse;
    QString pourquoi;
    if (portreseau::estReseau(configuration.port) &&
        !portreseau::analyser(configuration.port, adresse, &pourquoi)) {
        erreur(QStringLiteral("--port: ") + pourquoi);
        return 2;
    }
    // The files the program will write, each named in its error as it was given.
    const auto inscriptible = [](const QString& option, const QString& fichier) {
        const QString raison = fichier.isEmpty() ? QString() : problemeEcriture(fichier);
        if (!raison.isEmpty())
            erreur(QStringLiteral("%1%2: %3").arg(option, fichier, raison));
        return raison.isEmpty();
    };
    configuration.trace = analyseur.value(trace);
    configuration.courbes = analyseur.isSet(courbes);
    configuration.fichierCourbes = analyseur.value(courbes);
    if ((configuration.trace != QLatin1String("-") &&
         !inscriptible(QStringLiteral("--trace "), configuration.trace)) ||
        !inscriptible(QStringLiteral("--courbes="), configuration.fichierCourbes) ||
        !inscriptible(QStringLiteral("--glove-record "), configuration.sortieTrajectoire))
        return 2;
    // A replay file that is missing or does not parse is reported before any window opens; the
    // window gets the source built here.
    QString probleme;
    std::unique_ptr<SourceGant> source = creerSourceGant(configuration.gant, &probleme);
    if (!source) {
        erreur(probleme);
        return 2;
    }
    configuration.sourceGant = std::make_shared<std::unique_ptr<SourceGant>>(std::move(source));
    return -1;
}
