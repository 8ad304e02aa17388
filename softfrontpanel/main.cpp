#include <QApplication>
#include <QSplashScreen>

#include <memory>

#include "qm6080fp_app.h"
#include "qm6080fp_splashlabel.h"
#include "qm7240_fc.h"
#include "qm7240fp_app.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qm7240_fc fc;

    QString description = fc.fcDescription();
    description.replace(QStringLiteral(" FC"), QStringLiteral(" Function Card"));
    const QString notice = fc.noticeText();
    auto splash = std::make_unique<QSplashScreen>(
        qm6080fp_splashLabel(1.0f, 20, fc.m_modelCode, true, notice, description));
    splash->show();

    {
        // The frame's constructor connects to the card while the splash is up;
        // it may end the process there if the user gives up.
        qm7240fp_App window(&fc);
        window.adjustSize();
        centerOnScreen(&window);
        window.show();
        splash->finish(&window);
        app.exec();

        // The splash goes first, then the window closes the driver session.
        splash.reset();
    }
    return 0;
}
