#pragma once

#include <QSplashScreen>

namespace fendrel::gui {

// frmSplash: the program's name and icon while it starts.
class Splash : public QSplashScreen {
    Q_OBJECT
public:
    Splash();

Q_SIGNALS:
    void dismissed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// Shows the splash window for the given time, or until the user clicks it.
void showSplash(int milliseconds);

} // namespace fendrel::gui
