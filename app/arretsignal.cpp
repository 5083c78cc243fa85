#include "app/arretsignal.h"

#include <QSocketNotifier>
#include <QWidget>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

namespace arretsignal {

namespace {
int tube[2] = {-1, -1};
std::atomic<int> interruption{-1};
volatile std::sig_atomic_t recu = 0;

void surSignal(int)
{
    // Only async-signal-safe calls here: write() to descriptors prepared in advance.
    recu = 1;
    const int fd = interruption.load();
    if (fd >= 0) {
        const std::uint64_t un = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &un, sizeof un);
    }
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(tube[1], &c, 1);
}
} // namespace

void installer()
{
    if (tube[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, tube) != 0)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void surveillerInterruption(int descripteur)
{
    interruption.store(descripteur);
}

bool demande()
{
    return recu != 0;
}

void fermerSurSignal(QWidget* fenetre)
{
    if (tube[0] < 0)
        return;
    auto* notificateur = new QSocketNotifier(tube[0], QSocketNotifier::Read, fenetre);
    QObject::connect(notificateur, &QSocketNotifier::activated, fenetre, [fenetre] {
        char rebut[16];
        while (::read(tube[0], rebut, sizeof rebut) > 0) {
        }
        fenetre->close();
    });
}

} // namespace arretsignal
