#include "record/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

namespace record {
namespace {

const char kDescription[] =
    "Records a voltage/current meter's readings into day files without a window:\n"
    "the same files, rows and rules as kzrt-console's recording, one meter per PORT.\n"
    "PORT is a port number, COMn, or a device path such as /dev/ttyUSB0.\n"
    "\n"
    "  kzrt-record export FILE.csv... [-o OUT.csv]   a tidy UTF-8 copy for spreadsheets\n"
    "  kzrt-record plot FILE.csv... -o OUT.png|.svg  voltage and current over the files\n"
    "  either with --dir DIR [--from T] [--to T]     a meter's folder over a span (ISO 8601)";

struct Flag {
    const char* name;
    const char* valueName;
    const char* help;
};

constexpr Flag kFlags[] = {
    {"baud", "N", "line speed (default 2400)"},
    {"parity", "P", "even, odd, none, mark or space (default even)"},
    {"interval", "S", "whole seconds between rows (default 1)"},
    {"dir", "DIR", "folder of the day files; a named meter writes DIR/NAME/ (default: the working folder)"},
    {"stop-below", "V", "capacity test: stop a meter whose voltage stays below V for --hold seconds"},
    {"hold", "S", "seconds below --stop-below before the meter stops (default 10)"},
    {"duration", "S", "stop after S seconds"},
    {"summary", "FILE", "write the meters' summaries to FILE as JSON"},
    {"config", "FILE", "read options from FILE (key = value; meter = [NAME=]PORT); flags override it"},
    {"mqtt", "URL", "publish each row to an MQTT broker: mqtt://[user[:password]@]host[:port] or mqtts://..."},
    {"mqtt-ca", "FILE", "CA certificates that the mqtts:// broker's certificate is checked against"},
    {"mqtt-password-file", "FILE", "the MQTT password, the file's first line (keeps it out of the process list)"},
    {"mqtt-prefix", "P", "MQTT topic prefix (default kzrt)"},
    {"ha-prefix", "P", "Home Assistant discovery prefix (default homeassistant)"},
    {"metrics", "[HOST:]PORT", "serve Prometheus metrics at /metrics; a bare PORT listens on 127.0.0.1 only"},
    {"web", "[HOST:]PORT", "serve a live web page of the meters; a bare PORT listens on 127.0.0.1 only"},
    {"web-password-file", "FILE", "the web page's password (HTTP Basic), the file's first line"},
};

std::string failure(const QString& text) { return "kzrt-record: " + text.toStdString(); }

std::string readConfig(const QString& path, RecordOptions& options) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "--config: " + path.toStdString() + ": " + file.errorString().toStdString();
    }
    const QByteArray text = file.readAll();
    const ConfigParse parsed = parseConfigText(std::string_view(text.constData(), std::size_t(text.size())));
    std::string error = parsed.error.empty() ? applyConfig(options, parsed.entries) : parsed.error;
    return error.empty() ? std::string{} : "--config: " + path.toStdString() + ": " + error;
}

// Flags over the file's values; meters on the command line replace the file's.
std::string applyFlags(const QCommandLineParser& parser, RecordOptions& options) {
    for (const Flag& flag : kFlags) {
        const QString name = QString::fromLatin1(flag.name);
        if (name == QLatin1String("config") || !parser.isSet(name)) continue;
        const std::string error = applySetting(options, flag.name, parser.value(name).toStdString());
        if (!error.empty()) return "--" + std::string(flag.name) + ": " + error;
    }
    if (parser.isSet(QStringLiteral("no-wait"))) options.noWait = true;
    if (parser.isSet(QStringLiteral("no-ha-discovery"))) options.network.haDiscovery = false;
    if (!parser.positionalArguments().isEmpty()) options.meters.clear();
    for (const QString& argument : parser.positionalArguments()) {
        MeterSpec meter;
        if (std::string error = parseMeter(argument.toStdString(), meter); !error.empty()) return error;
        options.meters.push_back(std::move(meter));
    }
    return checkMeters(options.meters);
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const Flag& flag : kFlags) {
        parser.addOption({QString::fromLatin1(flag.name), QString::fromLatin1(flag.help),
                          QString::fromLatin1(flag.valueName)});
    }
    parser.addOption({QStringLiteral("no-wait"),
                      QStringLiteral("exit 2 when a device is missing at start instead of waiting for it")});
    parser.addOption({QStringLiteral("no-ha-discovery"), QStringLiteral("publish no Home Assistant discovery configs")});
    parser.addPositionalArgument(QStringLiteral("[NAME=]PORT"), QStringLiteral("a meter, named or not"),
                                 QStringLiteral("[NAME=]PORT ..."));

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.exitCode = 2;
        result.message = failure(parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.message = parser.helpText().toStdString();
        return result;
    }
    if (parser.isSet(version)) {
        result.message = "kzrt-record " + QCoreApplication::applicationVersion().toStdString() + "\n";
        return result;
    }
    RecordOptions options;
    std::string error;
    if (parser.isSet(QStringLiteral("config"))) error = readConfig(parser.value(QStringLiteral("config")), options);
    if (error.empty()) error = applyFlags(parser, options);
    if (!error.empty()) {
        result.exitCode = 2;
        result.message = "kzrt-record: " + error;
        return result;
    }
    result.options = std::move(options);
    return result;
}

}  // namespace record
