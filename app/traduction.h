#pragma once

#include <QCoreApplication>
#include <QString>

// Every text the operator reads goes through the translation of the window's context.
inline QString traduire(const char* texte)
{
    return QCoreApplication::translate("GLObjectWindow", texte);
}
