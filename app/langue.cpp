#include "app/langue.h"

#include <QCoreApplication>
#include <QTranslator>

bool installerTraduction(QCoreApplication& application, const QLocale& langue)
{
    if (langue.language() != QLocale::English)
        return false;
    auto* traducteur = new QTranslator(&application);
    if (!traducteur->load(QString::fromLatin1(kTraductionAnglaise)) ||
        !QCoreApplication::installTranslator(traducteur)) {
        delete traducteur;
        return false;
    }
    return true;
}
