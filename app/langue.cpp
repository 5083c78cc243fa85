#include "app/langue.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

bool installerTraduction(QCoreApplication& application, const QString& langue)
{
    if (langue != QLatin1String("en"))
        return false;
    auto traducteur = std::make_unique<QTranslator>();
    if (!traducteur->load(QString::fromLatin1(kTraductionAnglaise)) ||
        !QCoreApplication::installTranslator(traducteur.get()))
        return false;
    traducteur.release()->setParent(&application); // installed for the whole run
    return true;
}
