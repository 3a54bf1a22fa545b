#pragma once

#include <QString>

namespace fendrel {

// The start-up steps every face of the program needs before its first command: the folders,
// the language table and the error log. dataDirOverride (the CLI's --data-dir) wins over
// FENDREL_DATA_DIR. On failure errorMessage holds a plain English reason.
bool prepareEnvironment(const QString &dataDirOverride, QString *errorMessage);

} // namespace fendrel
