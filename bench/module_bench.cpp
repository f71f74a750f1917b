// Throughput of the module-file handler base on its hot path: a generator that writes every
// step of a large template once per channel by seeking the input back to the step's start
// (as the card generators do for their channels, groups and cards), against a plain
// streaming copy of the same output bytes, measured in the same run.

#include "bench_util.h"

#include "common/text/line_file.h"
#include "tarvik/modules/template_file_handler.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tarvik;

namespace {

constexpr int kTemplateSteps = 1500;
constexpr int kChannels = 24;
constexpr int kRounds = 5;

// Writes each step once per channel, numbered on in tens, with the channel in its
// KVRCHANNEL statements. Over the plain base, or over CTemplateFileHandler, which also takes
// the SW/UG/OG values of the system type out of the data block into VALUE/LOWER/UPPER.
template <typename Base> class ChannelLoopHandler : public Base {
public:
    template <typename... Args> explicit ChannelLoopHandler(Args... args) : Base(args...) {}

protected:
    void OnBodyLine(std::string& line) override {
        Base::OnBodyLine(line);
        if (line.starts_with("  KVRCHANNEL")) {
            line = "  KVRCHANNEL" + std::to_string(m_channel) + " 1";
        }
    }
    void OnEndStep(int stepNumber, std::int64_t stepStart) override {
        Base::OnEndStep(stepNumber, stepStart);
        if (m_channel < kChannels) {
            ++m_channel;
            this->SeekInput(stepStart);
            this->startNumbering(stepNumber + 10);
        } else {
            m_channel = 1;
            this->stopNumbering();
        }
    }

private:
    int m_channel = 1;
};

std::string largeTemplate() {
    std::string text =
        "MODULE\r\n  TITLE Kanaltest\r\nS_COL\r\n{SHOW,1}\r\n{HEADER,Ist}\r\nE_COL\r\n"
        "END_COL_INFO_RUN\r\n" +
        std::to_string(kTemplateSteps) + "\r\n";
    for (int step = 1; step <= kTemplateSteps; ++step) {
        const std::string number = std::to_string(step * 1000);
        text += "BEGINSTEP\r\nX_S_D\r\nNO\r\n" + number +
                "\r\nX_E_D\r\nX_S_D\r\nBEZEICHNUNG\r\nKanal pr\xFC"
                "fen {k}\r\n"
                "{SW(860)=5.0}{UG(860)=4.75}{OG(860)=5.25}{SW(945)=12}{UG(945)=11}{OG(945)=13}\r\n"
                "X_E_D\r\nX_END\r\n";
        text += "  TESTTYPE DCVOLTAGE\r\n  BUSMADDRESS 112\r\n  BUSSADDRESS 112\r\n"
                "  BUSSINITSTR {238}\r\n  KVRCHANNEL1 1\r\n  VALUE 0\r\n  LOWER 0\r\n  UPPER 0\r\n";
        for (int i = 0; i < 12; ++i) {
            text += "  REMARK Messung der Kanalspannung gegen Masse, Bereich " + std::to_string(i) +
                    "\r\n";
        }
        text += "  TESTFAILDATA0 Modul: KVR, Schritt: " + number + ", Kanal\r\nENDSTEP\r\n";
    }
    return text;
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A plain streaming copy through a 1 MiB buffer.
void streamCopy(const fs::path& from, const fs::path& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    static char buffer[1 << 20];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        std::fwrite(buffer, 1, got, out);
    }
    std::fclose(in);
    std::fclose(out);
}

template <typename Prepare, typename Work> double bestOf(Prepare&& prepare, Work&& work) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        prepare();
        best = std::min(best, bench::bestSeconds(1, work));
    }
    return best;
}

} // namespace

// Best time of the generator over fresh copies of the template; false when it failed.
template <typename Generator, typename... Args>
bool timeGenerator(const fs::path& module, const std::string& input, double& seconds,
                   Args... args) {
    bool processed = true;
    seconds = bestOf([&] { writeBytes(module, input); },
                     [&] {
                         Generator generator(args...);
                         processed = generator.Prepare() && generator.Open(module) &&
                                     generator.Process() && processed;
                     });
    return processed;
}

int main() {
    const fs::path dir =
        fs::temp_directory_path() / ("kw_module_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path module = dir / "kvr.fct";
    const fs::path copy = dir / "copy.fct";
    const std::string input = largeTemplate();

    double base = 0;
    double withTokens = 0;
    bool processed = timeGenerator<ChannelLoopHandler<CModuleFileHandler>>(module, input, base);
    const double outputMb = static_cast<double>(fs::file_size(module)) / (1 << 20);
    processed =
        timeGenerator<ChannelLoopHandler<CTemplateFileHandler>>(module, input, withTokens, 860) &&
        processed;
    const double tokensMb = static_cast<double>(fs::file_size(module)) / (1 << 20);
    const double copying = bestOf([] {}, [&] { streamCopy(module, copy); });
    if (!processed || fs::file_size(copy) != fs::file_size(module)) {
        std::fprintf(stderr, "module bench: a generator or the copy failed\n");
        fs::remove_all(dir);
        return 1;
    }
    // The copy of the token generator's output stands for both (their sizes differ by the
    // token text only).
    const double copyMbps = tokensMb / copying;
    bench::report("module_repeat_output_MBps", outputMb / base, "MB/s", copyMbps);
    bench::report("module_repeat_tokens_output_MBps", tokensMb / withTokens, "MB/s", copyMbps);
    std::printf("# %.1f MiB written from a %.1f MiB template (%d steps x %d channels); base "
                "generator %.3fs, with SW/UG/OG tokens %.3fs, copy %.3fs\n",
                outputMb, static_cast<double>(input.size()) / (1 << 20), kTemplateSteps, kChannels,
                base, withTokens, copying);
    fs::remove_all(dir);
    return 0;
}
