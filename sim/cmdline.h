// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/meteroptions.h"

#include <QString>
#include <QStringList>

namespace korvane::sim {

struct CommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    Action action = Action::Run;
    MeterOptions options;
    bool verbose = false;
    QString helpText;
    QString error; // for Fail: what is wrong with the arguments
};

CommandLine parseCommandLine(const QStringList& arguments);

} // namespace korvane::sim
