#include "app/arretsignal.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace arretsignal {

namespace {
int tube[2] = {-1, -1};
std::atomic<int> interruption{-1};
std::atomic<bool> recu{false};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "read and written in a signal handler");

void interrompre(int fd)
{
    const std::uint64_t un = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &un, sizeof un);
}

void surSignal(int)
{
    // Only async-signal-safe calls here: write() to descriptors prepared in advance.
    const int erreurSauvee = errno;
    recu.store(true);
    if (const int fd = interruption.load(); fd >= 0)
        interrompre(fd);
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(tube[1], &c, 1);
    errno = erreurSauvee;
}

std::mutex verrouArret; // protects arretRobot
std::function<void()> arretRobot;

// At most once: the function is taken out before it runs.
void arreterRobot()
{
    std::function<void()> arret;
    {
        std::lock_guard<std::mutex> verrou(verrouArret);
        arret.swap(arretRobot);
    }
    if (arret)
        arret();
}

// exit() called while the window lives comes from inside the toolkit (or a library under it);
// the static objects that exit() destroys next must find the workers gone.
void surSortie()
{
    arreterRobot();
}

QtMessageHandler gestionnairePrecedent = nullptr;
std::atomic<bool> toolkitEnConstruction{false};

// What the toolkit says while it starts, held back: if it cannot reach the display it says so
// in several lines and aborts, and the operator is to get one line instead.
struct MessageDiffere
{
    QtMsgType type;
    const char* fichier;
    int ligne;
    const char* fonction;
    const char* categorie;
    QString texte;
};
std::vector<MessageDiffere> messagesDifferes;

bool affichagePerdu(const QString& message)
{
    return message.startsWith(QLatin1String("The X11 connection broke")) ||
           message.startsWith(QLatin1String("The Wayland connection"));
}

[[noreturn]] void terminer(const char* quoi, const QString& raison)
{
    static std::atomic<bool> dejaEnCours{false};
    if (dejaEnCours.exchange(true)) {
        for (;;)
            ::pause(); // another thread is ending the process
    }
    std::fprintf(stderr, "zelvor: %s (%s)\n", quoi, qPrintable(raison));
    std::fflush(stderr);
    // What the stop and the toolkit would say from here on would only bury that line.
    if (const int nul = ::open("/dev/null", O_WRONLY | O_CLOEXEC); nul >= 0)
        ::dup2(nul, STDERR_FILENO);
    arreterRobot();
    // No exit(): its clean-up belongs to a toolkit whose display is gone.
    ::_exit(1);
}

void surMessage(QtMsgType type, const QMessageLogContext& contexte, const QString& message)
{
    if (affichagePerdu(message))
        terminer("display lost", message);
    if (toolkitEnConstruction.load()) {
        if (type == QtFatalMsg) {
            QString raison = message.section(QLatin1Char('\n'), 0, 0);
            for (const MessageDiffere& m : messagesDifferes) {
                if (m.categorie && qstrncmp(m.categorie, "qt.qpa", 6) == 0) {
                    raison = m.texte;
                    break;
                }
            }
            terminer("no display", raison);
        }
        messagesDifferes.push_back(
            {type, contexte.file, contexte.line, contexte.function, contexte.category, message});
        return;
    }
    if (gestionnairePrecedent)
        gestionnairePrecedent(type, contexte, message);
}
} // namespace

void installer()
{
    if (tube[0] >= 0)
        return;
    // A standard descriptor that came closed is opened on /dev/null before anything else is
    // opened: the next file (the pipe below, the line, a trace) would otherwise take its number,
    // and what is meant for the error output would go into it.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY); // takes `fd`
    }
    // A reader gone from a pipe (--trace - | head) and a file-size limit make a write fail with
    // EPIPE or EFBIG, which the trace and the recording report, instead of ending the process.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, tube) != 0)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::atexit(surSortie);
}

void surveillerAffichage()
{
    toolkitEnConstruction.store(true);
    gestionnairePrecedent = qInstallMessageHandler(surMessage);
}

void surveillerEvenements()
{
    toolkitEnConstruction.store(false);
    for (const MessageDiffere& m : messagesDifferes) {
        if (gestionnairePrecedent)
            gestionnairePrecedent(
                m.type, QMessageLogContext(m.fichier, m.ligne, m.fonction, m.categorie), m.texte);
    }
    messagesDifferes.clear();
    messagesDifferes.shrink_to_fit();

    if (tube[0] < 0)
        return;
    auto* notificateur =
        new QSocketNotifier(tube[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notificateur, &QSocketNotifier::activated, [] {
        char rebut[16];
        while (::read(tube[0], rebut, sizeof rebut) > 0) {
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->isModal())
                w->close();
        }
        // Ends the loops of the boxes that are up as well, and makes any box opened after this
        // return at once: the code behind a box goes on, and ends, without the operator.
        QCoreApplication::exit(0);
    });
}

void surveillerInterruption(int descripteur)
{
    interruption.store(descripteur);
    if (descripteur >= 0 && recu.load())
        interrompre(descripteur);
}

bool demande()
{
    return recu.load();
}

void definirArret(std::function<void()> arret)
{
    // Registered again now: exit() runs its handlers in reverse order, so this one comes before
    // the clean-up of everything the toolkit set up since the start.
    static const bool inscrit = std::atexit(surSortie) == 0;
    (void)inscrit;
    std::lock_guard<std::mutex> verrou(verrouArret);
    arretRobot = std::move(arret);
}

} // namespace arretsignal
