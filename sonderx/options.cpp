#include "sonderx/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "io/sample_input.h"
#include "io/sample_rate.h"

namespace sonde::sonderx {

namespace {

enum LongOnly { kKind = 1000, kRaw, kRate, kChannels, kChannel, kAll, kJson, kCsv, kColor, kVersion };

constexpr option kLongOptions[] = {
    {"kind", required_argument, nullptr, kKind},
    {"raw", required_argument, nullptr, kRaw},
    {"rate", required_argument, nullptr, kRate},
    {"channels", required_argument, nullptr, kChannels},
    {"channel", required_argument, nullptr, kChannel},
    {"all", no_argument, nullptr, kAll},
    {"json", no_argument, nullptr, kJson},
    {"csv", no_argument, nullptr, kCsv},
    {"output", required_argument, nullptr, 'o'},
    {"color", optional_argument, nullptr, kColor},
    {"colour", optional_argument, nullptr, kColor},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

bool parse_kinds(const char* text, bool* kinds, std::string& error) {
    for (int k = 0; k < kSondeKinds; k++) kinds[k] = false;
    std::string_view rest(text);
    bool any = false;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view name = rest.substr(0, comma);
        bool known = false;
        for (int k = 0; k < kSondeKinds; k++) {
            if (name == sonde_kind_name(static_cast<SondeKind>(k))) {
                kinds[k] = known = any = true;
            }
        }
        if (!known) {
            error = "unknown kind \"" + std::string(name) +
                    "\" in --kind: give vardo, pelkin or ostrel, several separated by commas (--kind vardo,ostrel)";
            return false;
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return any;
}

// A whole number from lo to hi, or false.
bool parse_count(const char* text, int lo, int hi, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
    value = static_cast<int>(v);
    return true;
}

// The option as the user wrote it, for messages about it.
std::string written_option(char** argv, int index) {
    std::string s = argv[index];
    const std::size_t eq = s.find('=');
    return eq == std::string::npos ? s : s.substr(0, eq);
}

}  // namespace

bool parse_options(int argc, char** argv, Options& o, std::string& error) {
    optind = 0;  // a fresh scan (GNU): the program may run more than once in a process
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, ":o:qh", kLongOptions, nullptr);
        if (c == -1) break;
        switch (c) {
            case kKind:
                if (!parse_kinds(optarg, o.kinds, error)) return false;
                break;
            case kRaw:
                if (InputError e = parse_raw_audio_format(optarg, o.raw_format); e.failed()) {
                    error = e.message;
                    return false;
                }
                o.raw = true;
                break;
            case kRate:
                if (InputError e = parse_rate(optarg, o.rate_hz);
                    e.failed() || (e = check_rate(o.rate_hz, false, "--rate")).failed()) {
                    error = e.message;
                    return false;
                }
                break;
            case kChannels:
                if (!parse_count(optarg, 1, kMaxRawChannels, o.channels)) {
                    error = "--channels takes a number of channels from 1 to " + std::to_string(kMaxRawChannels) +
                            ", not \"" + optarg + "\"";
                    return false;
                }
                o.channels_given = true;
                break;
            case kChannel:
                if (!parse_count(optarg, 0, kMaxRawChannels - 1, o.channel)) {
                    error = std::string("--channel takes a channel number counted from 0 (0 is the first), not \"") +
                            optarg + "\"";
                    return false;
                }
                break;
            case kAll:
                o.all = true;
                break;
            case kJson:
                o.form = OutputForm::json;
                break;
            case kCsv:
                o.form = OutputForm::csv;
                break;
            case 'o':
                if (*optarg == '\0') {
                    error = "-o needs a file name";
                    return false;
                }
                o.out_path = optarg;
                break;
            case kColor:
                if (optarg == nullptr || std::strcmp(optarg, "always") == 0)
                    o.color = ColorChoice::always;
                else if (std::strcmp(optarg, "never") == 0)
                    o.color = ColorChoice::never;
                else if (std::strcmp(optarg, "auto") == 0)
                    o.color = ColorChoice::automatic;
                else {
                    error = std::string("--color takes auto, always or never, not \"") + optarg + "\"";
                    return false;
                }
                break;
            case 'q':
                o.quiet = true;
                break;
            case 'h':
                o.help = true;
                break;
            case kVersion:
                o.version = true;
                break;
            case ':':
                error = written_option(argv, optind - 1) + " needs a value";
                return false;
            default:
                if (optopt >= kKind)
                    error = written_option(argv, optind - 1) + " takes no value";
                else if (optopt != 0)
                    error = std::string("unknown option -") + static_cast<char>(optopt);
                else
                    error = "unknown option " + written_option(argv, optind - 1);
                return false;
        }
    }
    if (o.help || o.version) return true;
    if (optind < argc) o.input = argv[optind];
    if (argc - optind > 1) {
        error = std::string("one recording at a time: \"") + argv[optind] + "\" and \"" + argv[optind + 1] + "\" given";
        return false;
    }
    if (!o.raw && o.rate_hz != 0) {
        error = "--rate is for raw samples: give their format with --raw too (a WAV recording carries its own rate)";
        return false;
    }
    if (!o.raw && o.channels_given) {
        error = "--channels is for raw samples: give their format with --raw too (a WAV recording says its channels)";
        return false;
    }
    if (o.raw && o.rate_hz == 0) {
        error = "raw samples carry no rate: give it with --rate (e.g. --rate 48000 or --rate 48k)";
        return false;
    }
    return true;
}

const char* help_text() {
    return "usage: sonderx [OPTIONS] [FILE | -]\n"
           "Decodes the radiosondes in a receiver's FM audio: the weak-signal receivers of all three\n"
           "kinds (vardo, pelkin, ostrel) run on the one stream; one line per good frame.\n"
           "FILE is a recording (WAV in any sample format, FLAC and what libsndfile reads);\n"
           "without FILE, or with -, standard input (a WAV stream, or raw samples with --raw).\n"
           "\n"
           "  --kind LIST        the kinds to run, separated by commas: vardo, pelkin, ostrel (all)\n"
           "  --raw FORMAT       the input is raw samples without a header: s16le, u8, s8 or f32le\n"
           "  --rate HZ          the raw samples' rate, as 48000, 48k or 0.048M (needs --raw)\n"
           "  --channels N       raw samples: N channels interleaved (1)\n"
           "  --channel N        read channel N, counted from 0 (0, the first)\n"
           "  --all              also bad frames and packets without position, marked as such\n"
           "  --json             JSON Lines, one object per frame, as vardo/pelkin/ostrel --json write\n"
           "  --csv              comma-separated values: a header row, then one row per frame\n"
           "  -o, --output FILE  write the frames to FILE instead of standard output\n"
           "  --color[=WHEN]     colour the text lines: auto (on a terminal), always or never (auto)\n"
           "  -q, --quiet        no input line, summary or progress bar on standard error\n"
           "  -h, --help         this text\n"
           "  --version          the version\n"
           "\n"
           "Columns: UTC date and time (ostrel: time of day), kind, serial, frame number, latitude and\n"
           "longitude (degrees), altitude (m), horizontal speed (m/s), heading (degrees), vertical speed\n"
           "(m/s), satellites, SNR (dB); - where the kind does not send it.\n"
           "Exit status: 0 when the input was read to its end (frames found or not); 1 when the input\n"
           "cannot be read, no chosen kind works at its rate, or the output cannot be written; 2 for a\n"
           "usage error.\n"
           "\n"
           "Receiver recipes (FM demodulated audio, no squelch, 48 kHz suits every kind):\n"
           "  rtl_fm -M fm -s 48k -f 403.5M - | sonderx --raw s16le --rate 48000\n"
           "  sonderx recording.wav\n"
           "  sonderx --json recording.flac > frames.json; sondetrack --kml frames.json > flight.kml\n"
           "  arecord -f S16_LE -r 48000 -c 1 | sonderx --kind vardo\n";
}

}  // namespace sonde::sonderx
