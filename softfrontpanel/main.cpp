#include <QApplication>
#include <QSplashScreen>

#include <cstdio>
#include <memory>
#include <vector>

#include "connection/qm6080fp_commandline.h"
#include "connection/qm6080fp_displaycheck.h"
#include "discovery/qm6080fp_fcselect.h"
#include "frame/qm6080fp_app.h"
#include "frame/qm6080fp_splashlabel.h"
#include "qm7240_fc.h"
#include "qm7240fp_app.h"
#include "qm7240fp_setupfile.h"
#include "sfp_trace.h"

namespace {

const char programName[] = "qm7240fp";
// The 7240's address dialog takes one card, in positions 1 to 8.
constexpr int maxCards = 1;
constexpr int maxCardNumber = 8;

} // namespace

int main(int argc, char **argv)
{
    // The program's own options come first: --help and --version, and a
    // command line it cannot read, need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!arguments.isEmpty())
        arguments[0] = QLatin1String(programName);
    const qm6080fp_commandLine_t commandLine =
        qm6080fp_readCommandLine(arguments, maxCards, maxCardNumber);
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", commandLine.error.toLocal8Bit().constData());
        return 2;
    }
    if (commandLine.help) {
        std::fputs(qm6080fp_usage(QLatin1String(programName)).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::printf("%s %s\n", programName, SFP_VERSION);
        return 0;
    }
    // A setup to start from is read and checked before any window or card call.
    qm7240fp_startSetup_t startSetup;
    if (!commandLine.setupFile.isEmpty()) {
        const qm7240fp_setupRead_t read = qm7240fp_readSetupFile(commandLine.setupFile);
        if (!read.ok) {
            std::fprintf(stderr, "%s: --setup %s: %s\n", programName,
                         commandLine.setupFile.toLocal8Bit().constData(),
                         read.error.toLocal8Bit().constData());
            return 2;
        }
        startSetup.given = true;
        startSetup.path = commandLine.setupFile;
        startSetup.setup = read.setup;
    }
    const qm6080fp_display_t display =
        qm6080fp_chooseDisplay(QLatin1String(programName), qm6080fp_readSession(commandLine));
    if (!display.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", display.error.toLocal8Bit().constData());
        return 1;
    }
    // A trace that cannot be opened is said on standard error; the panel goes on.
    if (!commandLine.traceFile.isEmpty())
        sfp_traceOpen(commandLine.traceFile.toLocal8Bit().constData());
    qm6080fp_fcSelect::presetStart(commandLine);

    // A platform the panel must ask for goes to the toolkit as its option, not
    // into the environment, which a browser started from About would inherit.
    const QByteArray platform = display.platform.toLatin1();
    char platformOption[] = "-platform";
    std::vector<char *> toolkitArgs(argv, argv + argc);
    if (!platform.isEmpty()) {
        // After the program's name, if there is one.
        const auto at = toolkitArgs.begin() + (toolkitArgs.empty() ? 0 : 1);
        toolkitArgs.insert(at, {platformOption, const_cast<char *>(platform.constData())});
    }
    int toolkitArgc = int(toolkitArgs.size());
    toolkitArgs.push_back(nullptr);
    QApplication app(toolkitArgc, toolkitArgs.data());
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
        qm7240fp_App window(&fc, startSetup);
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
