#pragma once

#include "catalogue/KeyArray.h"

#include <QString>

#include <limits>

namespace fendrel {

// Makes lab-node keys "K1", "K2", ... Never reset while its owner lives, so a key is never
// reused even after the key array is re-initialised.
class KeyCounter {
public:
    explicit KeyCounter(qint32 start = 0, QString moduleLabel = kMainWindowLabel)
        : m_counter(start), m_moduleLabel(std::move(moduleLabel))
    {
    }

    // An empty text (and one error-log line) once the counter has reached its largest value:
    // wrapping around would hand out keys that are already in use.
    QString createNewKey();
    qint32 value() const { return m_counter; }

private:
    qint32 m_counter;
    QString m_moduleLabel;
};

} // namespace fendrel
