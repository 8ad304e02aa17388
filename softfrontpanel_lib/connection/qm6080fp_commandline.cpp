#include "connection/qm6080fp_commandline.h"

#include <QtGlobal>

qm6080fp_commandLine_t qm6080fp_readCommandLine(const QStringList &arguments, int maxCards,
                                                int maxCardNumber)
{
    // The toolkit's options that take a value, and those that do not; they may
    // be written with one dash or two, and a value also after "=".
    static const QStringList toolkitWithValue{"platform",
                                              "platformpluginpath",
                                              "platformtheme",
                                              "plugin",
                                              "qwindowgeometry",
                                              "qwindowicon",
                                              "qwindowtitle",
                                              "display",
                                              "geometry",
                                              "title",
                                              "name",
                                              "style",
                                              "stylesheet",
                                              "session",
                                              "font",
                                              "fn",
                                              "bg",
                                              "background",
                                              "fg",
                                              "foreground",
                                              "btn",
                                              "button",
                                              "visual",
                                              "ncols",
                                              "cmap",
                                              "im",
                                              "inputstyle",
                                              "screen"};
    static const QStringList toolkitFlags{"reverse", "widgetcount", "sync", "nograb",
                                          "dograb",  "testability", "noxim"};
    qm6080fp_commandLine_t line;
    const QString program = arguments.isEmpty() ? QStringLiteral("qm7240fp") : arguments.first();
    const auto refuse = [&](const QString &problem) {
        if (line.error.isEmpty())
            line.error = QStringLiteral("%1: %2 (see %1 --help)").arg(program, problem);
    };
    QString cardsText;
    bool cardsGiven = false;
    int starts = 0;

    for (int i = 1; i < arguments.size() && line.error.isEmpty(); ++i) {
        const QString arg = arguments.at(i);
        QString name = arg;
        QString value;
        bool hasValue = false;
        const int equals = arg.indexOf(QLatin1Char('='));
        if (equals > 0) {
            name = arg.left(equals);
            value = arg.mid(equals + 1);
            hasValue = true;
        }
        // The value of an option in the next argument, which must be there.
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size()) {
                refuse(QStringLiteral("%1 needs a value").arg(name));
                return false;
            }
            value = arguments.at(++i);
            return true;
        };

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            line.help = true;
        } else if (name == QLatin1String("--version")) {
            line.version = true;
        } else if (name == QLatin1String("--demo")) {
            line.start = qm6080fp_commandLine_t::demoMode;
            ++starts;
        } else if (name == QLatin1String("--auto-find")) {
            line.start = qm6080fp_commandLine_t::autoFind;
            ++starts;
        } else if (name == QLatin1String("--address")) {
            if (!takeValue())
                break;
            if (value.trimmed().isEmpty())
                refuse(QStringLiteral("--address needs a VISA resource descriptor"));
            line.start = qm6080fp_commandLine_t::address;
            line.descriptor = value.trimmed();
            ++starts;
        } else if (name == QLatin1String("--card")) {
            if (!takeValue())
                break;
            cardsText = value;
            cardsGiven = true;
        } else if (name == QLatin1String("--trace")) {
            if (!takeValue())
                break;
            if (value.isEmpty())
                refuse(QStringLiteral("--trace needs a file name"));
            line.traceFile = value;
        } else if (name == QLatin1String("--setup")) {
            if (!takeValue())
                break;
            if (value.isEmpty())
                refuse(QStringLiteral("--setup needs a file name"));
            line.setupFile = value;
        } else if (name.startsWith(QLatin1Char('-')) && name != QLatin1String("-") &&
                   name != QLatin1String("--")) {
            const QString bare = name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
            if (toolkitWithValue.contains(bare)) {
                if (!takeValue())
                    break;
                if (bare == QLatin1String("platform"))
                    line.platform = value;
                else if (bare == QLatin1String("display"))
                    line.displayGiven = true;
            } else if (!toolkitFlags.contains(bare)) {
                refuse(QStringLiteral("unknown option %1").arg(name));
            } else if (hasValue) {
                refuse(QStringLiteral("%1 takes no value").arg(name));
            }
        } else {
            refuse(QStringLiteral("unexpected argument \"%1\"").arg(arg));
        }
    }

    if (starts > 1)
        refuse(QStringLiteral("--demo, --auto-find and --address exclude each other"));
    if (cardsGiven && line.start != qm6080fp_commandLine_t::address)
        refuse(QStringLiteral("--card goes with --address"));
    if (line.start == qm6080fp_commandLine_t::address && line.error.isEmpty()) {
        const QStringList parts =
            cardsGiven ? cardsText.split(QLatin1Char(',')) : QStringList{QStringLiteral("1")};
        for (const QString &part : parts) {
            bool ok = false;
            const int number = part.trimmed().toInt(&ok);
            if (!ok || number < 1 || number > maxCardNumber) {
                refuse(QStringLiteral("card number \"%1\" is not from 1 to %2")
                           .arg(part.trimmed())
                           .arg(maxCardNumber));
                break;
            }
            line.cards << number;
        }
        if (line.error.isEmpty() && line.cards.size() > maxCards)
            refuse(maxCards == 1
                       ? QStringLiteral("--card takes one card number for this card")
                       : QStringLiteral("--card takes at most %1 card numbers").arg(maxCards));
    }
    if (!line.error.isEmpty()) {
        line.start = qm6080fp_commandLine_t::askUser;
        line.cards.clear();
    }
    return line;
}

QString qm6080fp_usage(const QString &program)
{
    return QStringLiteral(
               "Usage: %1 [option]...\n"
               "Soft front panel of the Vorilan 7240 16-channel DAC function card.\n"
               "Without options it asks how to connect to the card.\n"
               "\n"
               "  --demo                  start in demo mode, without hardware\n"
               "  --auto-find             search every VISA resource for the card at once\n"
               "  --address DESCRIPTOR    connect to the card behind this VISA resource\n"
               "  --card N                the card's position on its carrier (default 1)\n"
               "  --setup FILE            start from the ranges and values of a setup file\n"
               "                          instead of 0-24mA and 0\n"
               "  --trace FILE            append every call into VISA and the drivers to FILE,\n"
               "                          one JSON object per line\n"
               "  --version               print the version and exit\n"
               "  --help                  print this help and exit\n"
               "\n"
               "The toolkit's options (-platform, -style, -display, ...) work as usual.\n"
               "Exit status: 0 when the panel ends normally, 1 when no display can be\n"
               "opened, 2 for a command line or a setup file it cannot read.\n")
        .arg(program);
}
