#include "robot/evenementsuivi.h"

#include <QElapsedTimer>

qint64 horlogeSuiviMs()
{
    // A function-local static is started once, whichever thread asks first.
    static const QElapsedTimer horloge = [] {
        QElapsedTimer h;
        h.start();
        return h;
    }();
    return horloge.elapsed();
}
