// Throughput of the text layer against plain copies of the same bytes: the conversions run
// wherever program text meets file text, and line splitting reads every template module.

#include "bench_util.h"
#include "common/text/cp1252.h"
#include "common/text/line_file.h"

#include <cstring>

namespace {

std::string moduleLikeText(std::size_t bytes) {
    const std::string line = "  KVRCHANNEL12 1  ; Prüfschritt für Kanäle \xE4\xF6\xFC\r\n";
    std::string text;
    while (text.size() < bytes) {
        text += line;
    }
    return text;
}

} // namespace

int main() {
    const std::string cp1252 = moduleLikeText(16 << 20);
    const std::string utf8 = kw::cp1252ToUtf8(cp1252);
    const int rounds = 5;

    const double copy = bench::bestSeconds(rounds, [&] {
        std::string c = cp1252;
        bench::keep(c);
    });
    const double toUtf8 = bench::bestSeconds(rounds, [&] { bench::keep(kw::cp1252ToUtf8(cp1252)); });
    const double toCp1252 = bench::bestSeconds(rounds, [&] { bench::keep(kw::utf8ToCp1252(utf8)); });
    const double lineCount = bench::bestSeconds(rounds, [&] {
        std::size_t n = 0;
        for (const char* p = cp1252.data(); (p = static_cast<const char*>(std::memchr(
                                                 p, '\n', cp1252.data() + cp1252.size() - p)));
             ++p) {
            ++n;
        }
        bench::keep(n);
    });
    const double split = bench::bestSeconds(rounds, [&] { bench::keep(kw::splitLines(cp1252)); });

    const double mb = static_cast<double>(cp1252.size()) / (1 << 20);
    bench::report("cp1252_to_utf8_time_16MiB", toUtf8, "s", copy);
    bench::report("utf8_to_cp1252_time_16MiB", toCp1252, "s", copy);
    bench::report("split_lines_time_16MiB", split, "s", lineCount);
    std::printf("# %.1f MiB; baselines: string copy %.4fs, memchr line count %.4fs\n", mb, copy,
                lineCount);
    return 0;
}
