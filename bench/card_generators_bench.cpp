// Throughput of the card generators on their sample templates: kvr.fct for 8 cards and
// sew.fct for 30 cards, in megabytes of generated module per second, against a streaming copy
// of the same number of bytes from file to file in the same run (what any rewrite of a module
// costs at least).

#include "bench_util.h"
#include "common/text/line_file.h"
#include "tarvik/modules/kvr_fct_handler.h"
#include "tarvik/modules/sew_fct_handler.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tarvik;

namespace {

fs::path templatesDir() {
    return fs::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE";
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Generates the module once in `dir` as the run does (Prepare, Open, Process, destroy) and
// returns its size in bytes; 0 when the generator failed.
std::uintmax_t generate(const fs::path& dir, const std::string& name,
                        const std::string& templateBytes,
                        const std::function<std::unique_ptr<CModuleFileHandler>()>& make) {
    const fs::path module = dir / name;
    writeFile(module, templateBytes);
    {
        auto handler = make();
        if (!handler->Prepare() || !handler->Open(module) || !handler->Process()) {
            return 0;
        }
    }
    return fs::file_size(module);
}

void streamingCopy(const fs::path& from, const fs::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    std::vector<char> buffer(64 * 1024);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        out.write(buffer.data(), in.gcount());
    }
}

bool measure(const fs::path& dir, const std::string& figure, const std::string& name,
             const std::function<std::unique_ptr<CModuleFileHandler>()>& make) {
    const auto templateBytes = kw::readFileBytes(templatesDir() / name);
    if (!templateBytes) {
        std::fprintf(stderr, "template %s missing\n", name.c_str());
        return false;
    }
    const std::uintmax_t bytes = generate(dir, name, *templateBytes, make);
    if (bytes == 0) {
        std::fprintf(stderr, "%s could not be generated\n", name.c_str());
        return false;
    }
    const fs::path copySource = dir / (name + ".generated");
    fs::copy_file(dir / name, copySource, fs::copy_options::overwrite_existing);

    const int rounds = 15;
    const double generation =
        bench::bestSeconds(rounds, [&] { generate(dir, name, *templateBytes, make); });
    const double copy =
        bench::bestSeconds(rounds, [&] { streamingCopy(copySource, dir / (name + ".copy")); });
    const double mb = static_cast<double>(bytes) / 1e6;
    bench::report(figure, mb / generation, "MB/s", mb / copy);
    std::printf("# %s: %.2f MB generated in %.4fs; streaming copy %.4fs\n", name.c_str(), mb,
                generation, copy);
    return true;
}

std::vector<CKvrInfo> eightKvrCards() {
    std::vector<CKvrInfo> cards;
    for (int n = 1; n <= 8; ++n) {
        cards.push_back({24 * n - 23, static_cast<SupplyFit>(n % 3 + 1), n, n, 0});
    }
    return cards;
}

std::vector<CSewInfo> thirtySewCards() {
    std::vector<CSewInfo> cards;
    int relayBase = 1;
    for (int n = 0; n < 30; ++n) {
        const int count = 32 * (n % 3 + 1);
        cards.push_back({relayBase, count, static_cast<RelayKind>(n % 3 + 1)});
        relayBase += count;
    }
    return cards;
}

} // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("kw_card_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const bool kvr = measure(dir, "kvr_fct_8_cards_throughput", "kvr.fct",
                             [] { return std::make_unique<CKvrFctHandler>(eightKvrCards(), 860); });
    const bool sew = measure(dir, "sew_fct_30_cards_throughput", "sew.fct", [] {
        return std::make_unique<CSewFctHandler>(860, thirtySewCards());
    });
    fs::remove_all(dir);
    return kvr && sew ? 0 : 1;
}
