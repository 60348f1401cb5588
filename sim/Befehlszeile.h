#pragma once
// The command line of nuvarsim.
#include "sim/SimOptions.h"

#include <QString>
#include <QStringList>

namespace nuvar {

struct SimProgrammOptionen {
    SimOptions sim;
    QString link;     // symbolic link to the slave, removed at exit
    QString logdatei; // empty: standard error
    QString abbild;   // at the end the station is written here (SimStation::Abbildtext)
    bool hilfe = false;
};

// Reads the arguments (without the program name). False with a German
// message in *fehler for an unknown option or a bad value.
bool LiesBefehlszeile(const QStringList& argumente, SimProgrammOptionen& aus, QString* fehler);

// The usage text of --help.
QString Hilfetext();

}  // namespace nuvar
