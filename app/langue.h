#pragma once

#include <QString>

class QCoreApplication;

// The texts are written in French and stay French whatever the user's locale: a French program
// run on an English desktop is still the program the operator was trained on. The English
// translation, compiled into the program as ":/i18n/zelvor_en.qm", is installed only when asked
// for (`langue` "en", from --langue en). Returns whether it was installed. The translator
// belongs to `application`.
bool installerTraduction(QCoreApplication& application, const QString& langue);

// The resource the English translation is compiled into.
inline constexpr const char* kTraductionAnglaise = ":/i18n/zelvor_en.qm";
