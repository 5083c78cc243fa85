#include "app/langue.h"

#include <QCoreApplication>
#include <QTranslator>

bool installerTraduction(QCoreApplication& application, const QString& langue)
{
    if (langue != QLatin1String("en"))
        return false;
    auto* traducteur = new QTranslator(&application);
    if (!traducteur->load(QString::fromLatin1(kTraductionAnglaise)) ||
        !QCoreApplication::installTranslator(traducteur)) {
        delete traducteur;
        return false;
    }
    return true;
}
