// Throughput of the card generators on their sample templates: kvr.fct for 8 cards and
// sew.fct for 30 cards, in megabytes of generated module per second, against a streaming copy
// of the same number of bytes from file to file in the same run (what any rewrite of a module
// costs at least). Both go the run's way: the module is read from the template folder and
// written as a new file (each round its own, removed at the end); the copy reads the finished
// module and writes a new file the same way.

#include "bench_util.h"
#include "tarvik/modules/kvr_fct_handler.h"
#include "tarvik/modules/sew_fct_handler.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tarvik;

namespace {

fs::path templatesDir() {
    return fs::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE";
}

using MakeHandler = std::function<std::unique_ptr<CModuleFileHandler>()>;

// Generates the module once into `target` as the run does (Prepare, Open, Process, destroy)
// and returns its size in bytes; 0 when the generator failed.
std::uintmax_t generate(const fs::path& source, const fs::path& target, const MakeHandler& make) {
    {
        auto handler = make();
        if (!handler->Prepare() || !handler->Open(source, target) || !handler->Process()) {
            return 0;
        }
    }
    return fs::file_size(target);
}

void streamingCopy(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    std::vector<char> buffer(64 * 1024);
    for (ssize_t got;
         in >= 0 && out >= 0 && (got = ::read(in, buffer.data(), buffer.size())) > 0;) {
        bench::keep(::write(out, buffer.data(), static_cast<std::size_t>(got)));
    }
    ::close(in);
    ::close(out);
}

bool measure(const fs::path& dir, const std::string& figure, const std::string& name,
             const MakeHandler& make) {
    const fs::path source = templatesDir() / name;
    const fs::path generated = dir / name;
    const std::uintmax_t bytes = generate(source, generated, make);
    if (bytes == 0) {
        std::fprintf(stderr, "%s could not be generated from %s\n", name.c_str(), source.c_str());
        return false;
    }
    const int rounds = 15;
    int round = 0;
    const auto fresh = [&](const char* what) {
        return dir / (name + "." + what + std::to_string(++round));
    };
    const double generation =
        bench::bestSeconds(rounds, [&] { generate(source, fresh("generated"), make); });
    const double copy =
        bench::bestSeconds(rounds, [&] { streamingCopy(generated, fresh("copy")); });
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

// With an argument ("kvr" or "sew") only that generator is measured, e.g. for a profiler.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const fs::path dir = fs::temp_directory_path() / ("kw_card_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const bool kvr = only == "sew" || measure(dir, "kvr_fct_8_cards_throughput", "kvr.fct", [] {
                         return std::make_unique<CKvrFctHandler>(eightKvrCards(), 860);
                     });
    const bool sew = only == "kvr" || measure(dir, "sew_fct_30_cards_throughput", "sew.fct", [] {
                         return std::make_unique<CSewFctHandler>(860, thirtySewCards());
                     });
    fs::remove_all(dir);
    return kvr && sew ? 0 : 1;
}
