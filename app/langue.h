#pragma once

#include <QLocale>

class QCoreApplication;

// The texts are written in French; an English translation is compiled into the program as
// ":/i18n/zelvor_en.qm". It is installed when the language of `langue` (by default the user's
// locale) is English; any other language keeps the French texts. Returns whether it was
// installed. The translator belongs to `application`.
bool installerTraduction(QCoreApplication& application, const QLocale& langue = QLocale());

// The resource the English translation is compiled into.
inline constexpr const char* kTraductionAnglaise = ":/i18n/zelvor_en.qm";
