#include "interaction/PrompterOnThread.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace fendrel {

void runOnThreadOf(QObject &context, const std::function<void()> &call)
{
    if (QThread::currentThread() == context.thread())
        call();
    else
        QMetaObject::invokeMethod(&context, call, Qt::BlockingQueuedConnection);
}

MessageAnswer PrompterOnThread::show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title)
{
    MessageAnswer answer = MessageAnswer::Cancel;
    runOnThreadOf(m_context, [&] { answer = m_target.show(text, icon, buttons, title); });
    return answer;
}

} // namespace fendrel
