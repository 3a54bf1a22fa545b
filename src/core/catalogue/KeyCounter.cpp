#include "catalogue/KeyCounter.h"

#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"

namespace fendrel {

QString KeyCounter::createNewKey()
{
    if (m_counter == std::numeric_limits<qint32>::max()) {
        logError(QStringLiteral("Create New Key"), m_moduleLabel, kErrOverflow,
                 QStringLiteral("Overflow: no lab key is left after K%1").arg(m_counter));
        return {};
    }
    ++m_counter;
    return u'K' + QString::number(m_counter);
}

} // namespace fendrel
