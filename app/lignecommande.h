#pragma once

#include "app/configuration.h"

#include <QStringList>

// Reads the options into `configuration`; needs no application object and no display, so that
// --help, --version and every mistake are answered anywhere. Builds the glove source (a replay
// file is read here, once) and checks that a recording can be created. Returns -1 when the
// program is to go on, otherwise the status to end with: 0 after --help or --version, 2 after an
// error (a one-line message on the error output, before any window or port is touched).
int lireLigneCommande(const QStringList& arguments, ConfigurationZelvor& configuration);
