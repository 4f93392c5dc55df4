#include "app/command_line.h"

#include "protocol/product.h"

#include <QCommandLineParser>
#include <QStringList>

namespace zep {

std::optional<CommandLineAnswer> AnswerCommandLine(const std::vector<std::string>& args)
{
    QStringList list;
    for (const std::string& arg : args)
        list << QString::fromLocal8Bit(arg.c_str());
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ZEP Instant Messenger"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Shows the version and exits."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("/background"),
                                 QStringLiteral("Accepted for the autostart entry; ignored."),
                                 QStringLiteral("[/background]"));
    // Unknown options are Qt's own (-platform, -style ...): the application object takes them.
    parser.parse(list);
    if (parser.isSet(help)) {
        // There is no application object yet to name the program.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("zepim"));
        return CommandLineAnswer{text.toStdString(), 0};
    }
    if (parser.isSet(version))
        return CommandLineAnswer{std::string("zepim ") + kProductVersion + "\n", 0};
    return std::nullopt;
}

} // namespace zep
