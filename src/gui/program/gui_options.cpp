#include "gui/program/gui_options.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include "session/session_start.h"

namespace vornalt::gui {

ParsedGuiOptions parseguioptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, programs, erases, blank-checks and verifies mid-range PIC microcontrollers "
                       "through a programmer on the parallel port."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and end."));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Use the simulated programmer and chips instead of the parallel port. The simulated chips "
                       "are the ones vornalt-cli --port sim uses."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Record the programmer lines into a VCD file for a waveform viewer."),
                                   QStringLiteral("FILE.vcd"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(simulate);
    parser.addOption(trace);
    parser.addPositionalArgument(QStringLiteral("FILE.hex"), QStringLiteral("Intel HEX file to open at start; handed to "
                                                                             "the running copy when there is one."),
                                 QStringLiteral("[FILE.hex]"));

    ParsedGuiOptions parsed;
    if (!parser.parse(arguments)) {
        parsed.exitcode = 2;
        parsed.err = "vornalt: " + parser.errorText().toStdString() + "\nTry vornalt --help.\n";
        return parsed;
    }
    if (parser.positionalArguments().size() > 1) {
        parsed.exitcode = 2;
        parsed.err = "vornalt: unexpected argument " + parser.positionalArguments()[1].toStdString() +
                     "\nTry vornalt --help.\n";
        return parsed;
    }
    if (parser.isSet(help)) {
        parsed.out = parser.helpText().toStdString();
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.out = "vornalt " + std::string(program_version()) + "\n";
        return parsed;
    }
    GuiOptions options;
    options.simulate = parser.isSet(simulate);
    options.trace = parser.value(trace).toStdString();
    // Made whole here: a copy already running has another working folder.
    if (!parser.positionalArguments().isEmpty()) {
        options.file = QFileInfo(parser.positionalArguments().first()).absoluteFilePath().toStdString();
    }
    if (parser.isSet(trace) && options.trace.empty()) {
        parsed.exitcode = 2;
        parsed.err = "vornalt: --trace needs a file name.\n";
        return parsed;
    }
    parsed.options = options;
    return parsed;
}

}  // namespace vornalt::gui
