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

enum LongOnly {
    kKind = 1000,
    kRaw,
    kIq,
    kCenter,
    kOffset,
    kRate,
    kChannels,
    kChannel,
    kAll,
    kJson,
    kCsv,
    kColor,
    kStatus,
    kDemod,
    kVersion
};

constexpr option kLongOptions[] = {
    {"kind", required_argument, nullptr, kKind},
    {"raw", required_argument, nullptr, kRaw},
    {"iq", required_argument, nullptr, kIq},
    {"center", required_argument, nullptr, kCenter},
    {"centre", required_argument, nullptr, kCenter},
    {"offset", required_argument, nullptr, kOffset},
    {"rate", required_argument, nullptr, kRate},
    {"channels", required_argument, nullptr, kChannels},
    {"channel", required_argument, nullptr, kChannel},
    {"all", no_argument, nullptr, kAll},
    {"json", no_argument, nullptr, kJson},
    {"csv", no_argument, nullptr, kCsv},
    {"output", required_argument, nullptr, 'o'},
    {"color", optional_argument, nullptr, kColor},
    {"colour", optional_argument, nullptr, kColor},
    {"status", required_argument, nullptr, kStatus},
    {"demod", required_argument, nullptr, kDemod},
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

// --offset: a signed frequency in Hz, with k or M as --rate takes them.
bool parse_offset(const char* text, std::vector<double>& offsets, std::string& error) {
    const bool negative = text[0] == '-';
    const char* magnitude = text[0] == '-' || text[0] == '+' ? text + 1 : text;
    int64_t hz = 0;
    if (*magnitude == '\0' || parse_rate(magnitude, hz).failed()) {
        error = std::string("--offset takes the carrier's offset from the centre in Hz, as -25000, +25k or 0, not \"") +
                text + "\"";
        return false;
    }
    if (offsets.size() >= kMaxOffsets) {
        error = "--offset given more than " + std::to_string(kMaxOffsets) + " times: that many channels at most";
        return false;
    }
    offsets.push_back(negative ? -static_cast<double>(hz) : static_cast<double>(hz));
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
            case kIq:
                if (InputError e = parse_iq_format(optarg, o.iq_format, o.iq_wav); e.failed()) {
                    error = e.message;
                    return false;
                }
                o.iq = true;
                break;
            case kCenter:
                if (InputError e = parse_rate(optarg, o.center_hz); e.failed() || o.center_hz <= 0) {
                    error = std::string(
                                "--center takes the capture's centre frequency in Hz, as 403500000, "
                                "403500k or 403.5M, not \"") +
                            optarg + "\"";
                    return false;
                }
                break;
            case kStatus: {
                char* end = nullptr;
                const double v = std::strtod(optarg, &end);
                if (end == optarg || *end != '\0' || !(v >= 1.0 && v <= 86400.0)) {
                    error = std::string("--status takes the seconds between carrier tables, 1 to 86400, not \"") +
                            optarg + "\"";
                    return false;
                }
                o.status_s = v;
                break;
            }
            case kDemod:
                if (std::strcmp(optarg, "best") == 0) {
                    o.demod = Demod::best;
                } else if (std::strcmp(optarg, "discriminator") == 0) {
                    o.demod = Demod::discriminator;
                } else {
                    error = std::string("--demod takes best or discriminator, not \"") + optarg + "\"";
                    return false;
                }
                o.demod_given = true;
                break;
            case kOffset:
                if (!parse_offset(optarg, o.offsets_hz, error)) return false;
                break;
            case kRate:
                if (InputError e = parse_rate(optarg, o.rate_hz); e.failed()) {
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
    if (o.raw && o.iq) {
        error = "--raw and --iq exclude each other: --raw reads FM audio, --iq an SDR's I/Q samples";
        return false;
    }
    if (!o.iq && o.status_s > 0.0) {
        // Audio holds one carrier, already demodulated: no table of carriers
        // to show.
        error = "--status shows the carriers of I/Q samples: give their format with --iq too (--iq u8 --rate 250k)";
        return false;
    }
    if (!o.iq && o.demod_given) {
        error = "--demod chooses how I/Q channels are read: give their format with --iq too (--iq u8 --rate 250k)";
        return false;
    }
    if (!o.iq && (o.center_hz != 0 || !o.offsets_hz.empty())) {
        error = std::string(o.center_hz != 0 ? "--center" : "--offset") +
                " is for I/Q samples: give their format with --iq too (--iq u8 --rate 250k)";
        return false;
    }
    if (o.iq) {
        if (o.channels_given || o.channel != 0) {
            error = "--channels and --channel are for audio: I/Q samples are read as pairs, I then Q";
            return false;
        }
        if (o.iq_wav && o.rate_hz != 0) {
            error = "--rate is for raw I/Q samples: a WAV recording carries its own rate (leave out --rate)";
            return false;
        }
        if (!o.iq_wav && o.rate_hz == 0) {
            error = "raw I/Q samples carry no rate: give it with --rate (e.g. --rate 250000 or --rate 250k)";
            return false;
        }
        if (InputError e = check_rate(o.rate_hz, true, "--rate"); !o.iq_wav && e.failed()) {
            error = e.message;
            return false;
        }
        return true;
    }
    if (o.rate_hz != 0) {
        if (InputError e = check_rate(o.rate_hz, false, "--rate"); e.failed()) {
            error = e.message;
            return false;
        }
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
           "Decodes the radiosondes in a receiver's FM audio, or in an SDR's I/Q samples (--iq): the\n"
           "weak-signal receivers of all three kinds (vardo, pelkin, ostrel) run on the one stream (from\n"
           "I/Q, on each carrier found); one line per good frame.\n"
           "FILE is a recording (WAV in any sample format, FLAC and what libsndfile reads);\n"
           "without FILE, or with -, standard input (a WAV stream, or raw samples with --raw).\n"
           "\n"
           "  --kind LIST        the kinds to run, separated by commas: vardo, pelkin, ostrel (all)\n"
           "  --raw FORMAT       the input is raw samples without a header: s16le, u8, s8 or f32le\n"
           "  --rate HZ          the raw samples' rate, as 48000, 48k or 0.048M (needs --raw or --iq;\n"
           "                     I/Q from 96k to 3.2M)\n"
           "  --channels N       raw samples: N channels interleaved (1)\n"
           "  --iq FORMAT        the input is an SDR's I/Q samples: u8 (rtl_sdr), s8 (HackRF), s16le or\n"
           "                     f32le interleaved I then Q, or wav (a two-channel WAV, I left, Q right)\n"
           "  --center HZ        I/Q: the capture's centre frequency, as 403.5M; frames then show theirs\n"
           "  --offset HZ        I/Q: a channel at this offset from the centre, as +25k, instead of the\n"
           "                     search for carriers (repeat for more channels)\n"
           "  --demod HOW        I/Q: best (each kind's best detector on the complex samples: pelkin and\n"
           "                     vardo coherent, ostrel its tones' envelope) or discriminator (all) (best)\n"
           "  --channel N        read channel N, counted from 0 (0, the first)\n"
           "  --all              also bad frames and packets without position, marked as such\n"
           "  --json             JSON Lines, one object per frame, as vardo/pelkin/ostrel --json write\n"
           "  --csv              comma-separated values: a header row, then one row per frame\n"
           "  -o, --output FILE  write the frames to FILE instead of standard output\n"
           "  --color[=WHEN]     colour the text lines: auto (on a terminal), always or never (auto)\n"
           "  --status SECONDS   I/Q: every SECONDS of the capture, the table of the carriers heard on\n"
           "                     standard error, also with -q (the summary ends with it)\n"
           "  -q, --quiet        no input line, summary or progress bar on standard error\n"
           "  -h, --help         this text\n"
           "  --version          the version\n"
           "\n"
           "Columns: UTC date and time (ostrel: time of day), kind, serial, frame number, latitude and\n"
           "longitude (degrees), altitude (m), horizontal speed (m/s), heading (degrees), vertical speed\n"
           "(m/s), satellites, SNR (dB); - where the kind does not send it. With --iq also the carrier's\n"
           "frequency in MHz (with --center; else its offset in kHz) and its level in dB full scale.\n"
           "Exit status: 0 when the input was read to its end (frames found or not); 1 when the input\n"
           "cannot be read, no chosen kind works at its rate, or the output cannot be written; 2 for a\n"
           "usage error.\n"
           "\n"
           "Receiver recipes (FM demodulated audio, no squelch, 48 kHz suits every kind):\n"
           "  rtl_fm -M fm -s 48k -f 403.5M - | sonderx --raw s16le --rate 48000\n"
           "  sonderx recording.wav\n"
           "  sonderx --json recording.flac > frames.json; sondetrack --kml frames.json > flight.kml\n"
           "  arecord -f S16_LE -r 48000 -c 1 | sonderx --kind vardo\n"
           "I/Q recipes (the carrier is found anywhere in the capture but its outer edges):\n"
           "  rtl_sdr -f 403.5M -s 250k - | sonderx --iq u8 --rate 250k --center 403.5M\n"
           "  sonderx --iq wav --center 403.5M baseband.wav\n";
}

}  // namespace sonde::sonderx
