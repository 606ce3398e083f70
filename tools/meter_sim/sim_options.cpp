#include "tools/meter_sim/sim_options.h"

#include <charconv>
#include <cstdlib>

#include "tools/meter_sim/meter_frame.h"
#include "tools/meter_sim/sim_texts.h"

namespace meter_sim {
namespace {

template <typename T>
std::optional<T> number(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

// Fills one option from its value; returns an error text or "".
std::string apply(Options& o, std::string_view name, std::string_view value) {
    auto bad = [&] { return MeterSim::tr("bad value for %1: '%2'").arg(qs(name), qs(value)); };
    auto badWithHint = [&](const QString& hint) { return utf8(bad() + QLatin1Char(' ') + hint); };
    if (name == "--port") {
        const auto v = number<int>(value);
        if (!v || *v < 1 || *v > 255) return utf8(bad());
        o.port = *v;
    } else if (name == "--baud") {
        const auto v = number<int>(value);
        if (!v || *v < 50 || *v > 4000000) return utf8(bad());
        o.baud = *v;
    } else if (name == "--fps") {
        const auto v = number<double>(value);
        if (!v || *v < 0 || *v > 1000) return utf8(bad());
        o.fps = *v;
    } else if (name == "--profile") {
        const auto p = parseProfile(value);
        if (!p) return badWithHint(MeterSim::tr("(battery, steady, sweep or none)"));
        o.profile = *p;
    } else if (name == "--speed") {
        const auto v = number<double>(value);
        if (!v || *v <= 0 || *v > 10000) return utf8(bad());
        o.speed = *v;
    } else if (name == "--noise" || name == "--drop") {
        const auto v = number<double>(value);
        if (!v || *v < 0 || *v > 1) return badWithHint(MeterSim::tr("(a chance from 0 to 1)"));
        (name == "--noise" ? o.noise : o.drop) = *v;
    } else if (name == "--frames-hex") {
        const auto bytes = parseHexBytes(value);
        if (!bytes) return badWithHint(MeterSim::tr("(pairs of hex digits, e.g. \"A1 07 00 10 ...\")"));
        o.oneShot = *bytes;
    } else if (name == "--seed") {
        const auto v = number<unsigned>(value);
        if (!v) return utf8(bad());
        o.seed = *v;
    } else {
        return utf8(MeterSim::tr("unknown option %1").arg(qs(name)));
    }
    return {};
}

bool isFlag(std::string_view name) { return name == "--help" || name == "-h" || name == "--once" || name == "--text"; }

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string_view>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        if (isFlag(name)) {
            if (name == "--once") o.exitAfterOneShot = true;
            else if (name == "--text") o.startInText = true;
            else o.help = true;
            continue;
        }
        std::string_view value;
        if (const auto eq = name.find('='); eq != std::string_view::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return {std::nullopt, utf8(MeterSim::tr("missing value for %1").arg(qs(name)))};
        }
        if (std::string error = apply(o, name, value); !error.empty()) return {std::nullopt, error};
    }
    if (o.exitAfterOneShot && o.oneShot.empty()) return {std::nullopt, utf8(MeterSim::tr("--once needs --frames-hex"))};
    return {o, {}};
}

std::string usage() {
    // One text, so that a translator sees the whole page at once.
    return utf8(MeterSim::tr(
        "Usage: kzrt-meter-sim [options]\n"
        "\n"
        "Simulates the voltage/current/power meter on a pseudo-terminal, for the\n"
        "console to open without hardware. It links COM<n> in the current directory\n"
        "to the pseudo-terminal (the console resolves port number n to that link\n"
        "first), streams 18-byte meter frames paced as a real 8E1 line, and answers\n"
        "the two bytes \"XT\" by switching between the binary and the text output\n"
        "form, as the meter does. Ctrl+C (or SIGTERM) stops it and removes the link.\n"
        "\n"
        "Options:\n"
        "  --port N          port number: the link is COM<N> (default 1)\n"
        "  --baud B          line speed the output is paced at (default 2400, the\n"
        "                    console's default); a pseudo-terminal itself has no speed\n"
        "  --fps F           frames per second (default 4); 0 sends back to back,\n"
        "                    as fast as the line carries them\n"
        "  --profile P       battery (default): a battery discharged in steps through\n"
        "                    a load, voltage falling, current with ripple, heat-sink\n"
        "                    temperature from -4 C to over 100 C, on an 800 s cycle;\n"
        "                    steady: 12.000 V, 2.0000 A, +25.0 C exactly;\n"
        "                    sweep: every voltage/current scale and temperature sign\n"
        "                    code in turn; none: no readings\n"
        "  --speed X         profile seconds per real second (default 1)\n"
        "  --noise P         chance per frame of a burst of 1-8 garbage bytes (0..1)\n"
        "  --drop P          chance per byte of being lost on the line (0..1)\n"
        "  --frames-hex HEX  bytes to send once, as soon as a program opens the port,\n"
        "                    e.g. \"A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03\";\n"
        "                    the profile then goes on\n"
        "  --once            with --frames-hex: exit after sending them\n"
        "  --text            start in the text output form\n"
        "  --seed N          seed of the noise and drop choices (default 1)\n"
        "  --help            this text\n"
        "\n"
        "Example, beside the console in the same directory:\n"
        "  kzrt-meter-sim --port 1 --baud 2400 &\n"
        "  kzrt-console          # choose COM1, 2400, then click the open button\n"));
}

}  // namespace meter_sim
