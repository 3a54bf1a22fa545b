#include "gui/Splash.h"

#include "gui/Icon.h"
#include "startup/LanguageTable.h"

#include <QApplication>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

namespace fendrel::gui {
namespace {

QPixmap splashPicture()
{
    const QSize size(480, 260);
    QPixmap picture(size);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, size.height());
    ground.setColorAt(0, QColor(0x2b, 0x7f, 0xa3));
    ground.setColorAt(1, QColor(0x13, 0x45, 0x61));
    p.fillRect(picture.rect(), ground);

    p.drawPixmap(32, 66, iconResource(kIconResource).pixmap(128, 128));
    p.setPen(Qt::white);
    QFont title = QApplication::font();
    title.setPointSize(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(184, 70, 280, 52), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Fendrel"));
    QFont text = QApplication::font();
    text.setPointSize(11);
    p.setFont(text);
    const QString caption = langText(LangEntry::ProgramTitle).isEmpty() ? QStringLiteral("Fendrel") : langText(LangEntry::ProgramTitle);
    p.drawText(QRect(186, 124, 280, 70), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               caption + QStringLiteral("\nLab packages for the Nodara network simulator"));
    text.setPointSize(9);
    p.setFont(text);
    p.setPen(QColor(0xd6, 0xe6, 0xee));
    p.drawText(QRect(0, size.height() - 30, size.width() - 16, 22), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Version " FENDREL_VERSION));
    return picture;
}

} // namespace

Splash::Splash() : QSplashScreen(splashPicture())
{
    setObjectName(QStringLiteral("frmSplash"));
}

void Splash::mousePressEvent(QMouseEvent *)
{
    hide();
    Q_EMIT dismissed();
}

void showSplash(int milliseconds)
{
    Splash splash;
    QEventLoop wait;
    QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
    QObject::connect(&splash, &Splash::dismissed, &wait, &QEventLoop::quit);
    splash.show();
    QCoreApplication::processEvents();
    // A click while the splash was first painted has dismissed it already.
    if (splash.isVisible())
        wait.exec();
}

} // namespace fendrel::gui
