// A whole generation run on the largest rack: an 860 system with both expansion housings,
// every slot occupied, with all four Testmappen (self-test, actual-value twin and both
// calibration folders) from the bundled templates. Measured against copying the finished
// output tree with `cp -a` in the same run, which is what handing the user the same folders
// costs at least. A run writes each Testmappe through to the disk before it gets its final
// name; the second figure is what that sync costs for the same four fresh Testmappen (their
// `cp -a` copy), against the whole run.
//
// The 45 slots of the three housings cannot hold every family at its limit at once (the
// numbered families alone could serve 110 cards), so the rack holds every family: the
// families of one card, GAT84 and FJN at their limit, and three cards of each of the other
// numbered families.

#include "bench_util.h"

#include "common/files/file_ops.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/generation_run.h"
#include "tarvik/generation/user_interface.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace tarvik;

namespace {

constexpr int kRounds = 15;

// Answers every question with OK/Yes and keeps the last message for a failure report.
class SilentUi : public UserInterface {
public:
    std::string lastMessage;

    void message(const std::string& text, Icon) override { lastMessage = text; }
    bool question(const std::string&, Buttons) override { return true; }
    void setStep(const std::optional<std::string>&, int) override {}
    void detailReport(int, int) override {}
    void hideProgress() override {}
    void endProgress() override {}
};

// The general card addresses of the three housings, in position order.
std::vector<int> generalAddresses(CSystemInfo& system) {
    std::vector<int> addresses;
    for (const SelPosition& position : system.positions) {
        const int address = position.cardAddress;
        if (address >= 0 && address != 0 && address != 14 && address != 15 && address != 50) {
            addresses.push_back(address);
        }
    }
    return addresses;
}

struct CardGroup {
    CardInfo card;
    int count;
};

// The cards of the general slots in position order, varied over the variants of each family.
constexpr CardGroup kRackCards[] = {
    // The families of one card: OW520, OW860, TIF, WU2-5, HTR, PEW860, RUQ (RUQ300 mit NG).
    {{CardType::Ow, 0, 0}, 1},
    {{CardType::Ow, 1, 0}, 1},
    {{CardType::Tif, 0, 0}, 1},
    {{CardType::Wu520, 0, 0}, 1},
    {{CardType::Htr520, 0, 0}, 1},
    {{CardType::Multi, 2, 0}, 1},
    {{CardType::Ruq300, 1, 0}, 1},
    // GAT84 and FJN at their limit of four.
    {{CardType::Gat, 2, 0}, 4},
    {{CardType::Fjn860, 0, 1}, 2},
    {{CardType::Fjn860, 0, 2}, 2},
    // Three of each other numbered family.
    {{CardType::Sew, 0, 0}, 1},
    {{CardType::Sew, 2, 0}, 1},
    {{CardType::Sew, 96, 0}, 1},
    {{CardType::Sew, 5, 0}, 3}, // SEQ28
    {{CardType::Kvr860, 0, 1}, 1},
    {{CardType::Kvr860, 0, 2}, 1},
    {{CardType::Kvr860, 0, 3}, 1},
    {{CardType::Log, 0, 0}, 1},
    {{CardType::Log, 11, 0}, 2},
    {{CardType::Jel6, 0, 0}, 3},
    {{CardType::Tqd, 1, 0}, 1},
    {{CardType::Tqd, 258, 0}, 1},
    {{CardType::Tqd, 4, 0}, 1},
    {{CardType::Norv860, 0, 0}, 3},
    {{CardType::Multi, 1, 0}, 3}, // YOT860
    {{CardType::Dwb860, 0, 0}, 3},
    {{CardType::Multi, 4, 0}, 2},
    {{CardType::Multi, 6, 0}, 1}, // BAQ44 and GIV12
};

std::vector<CardInfo> rackCards() {
    std::vector<CardInfo> cards;
    for (const CardGroup& group : kRackCards) {
        cards.insert(cards.end(), group.count, group.card);
    }
    return cards;
}

// False when the rack does not have exactly one card per general slot.
bool fillRack(CSystemInfo& system) {
    // ULM860 decoder and DAX19 come with the new decoder.
    system.setManual(860, true, true, true);
    system.slots[14] = internCardInfo(CardType::Zupa, 1, 0);
    system.hasXab60V = true;
    const auto addresses = generalAddresses(system);
    const auto cards = rackCards();
    if (addresses.size() != cards.size()) {
        std::fprintf(stderr, "%zu slots, %zu cards\n", addresses.size(), cards.size());
        return false;
    }
    for (std::size_t i = 0; i < cards.size(); ++i) {
        system.slots[addresses[i]] =
            internCardInfo(cards[i].typeCode, cards[i].variant, cards[i].extra);
    }
    return true;
}

bool generateInto(CSystemInfo& system, const fs::path& target) {
    RunInputs inputs;
    inputs.setProgramFolder(KW_TEMPLATES_DIR);
    inputs.targetDirectory = target;
    inputs.projectName = "BENCH";
    inputs.generateCal = true;
    SilentUi ui;
    fs::create_directories(target);
    GenerationRun run(system, inputs, ui, currentStamp(inputs.programFolder));
    if (!run.generate()) {
        std::fprintf(stderr, "generation failed: %s\n", ui.lastMessage.c_str());
        return false;
    }
    return true;
}

// Runs cp -a directly (no shell in between); true when it succeeded.
bool copyWithCp(const fs::path& from, const fs::path& to) {
    std::string program = "cp", flag = "-a", source = from.string(), target = to.string();
    char* argv[] = {program.data(), flag.data(), source.data(), target.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct TreeSize {
    int files = 0;
    std::uintmax_t bytes = 0;
};

TreeSize treeSize(const fs::path& folder) {
    TreeSize size;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            ++size.files;
            size.bytes += entry.file_size();
        }
    }
    return size;
}

double secondsOf(bool& ok, const std::function<bool()>& work) {
    return bench::bestSeconds(1, [&] { ok = work() && ok; });
}

} // namespace

int main() {
    const fs::path root =
        fs::temp_directory_path() / ("kw_generation_bench_" + std::to_string(getpid()));
    CSystemInfo system;
    if (!fillRack(system)) {
        return 1;
    }
    const fs::path output = root / "ausgabe";
    bool ok = generateInto(system, output);

    // Generation and copy take turns, so that both meet the same load on a shared machine.
    // Each round writes into folders of its own and nothing is removed before the last round:
    // ext4 does not hand out the inodes of files deleted a few seconds before, and a loop that
    // deletes what it just made has both sides search past them (measured: most of the time of
    // a round went into that search, which a user generating once never meets).
    double generation = 1e300, copy = 1e300, sync = 1e300;
    for (int round = 0; round < kRounds && ok; ++round) {
        const std::string suffix = std::to_string(round);
        const fs::path generated = root / ("generiert" + suffix),
                       copied = root / ("kopiert" + suffix);
        generation =
            std::min(generation, secondsOf(ok, [&] { return generateInto(system, generated); }));
        copy = std::min(copy, secondsOf(ok, [&] { return copyWithCp(output, copied); }));
        sync = std::min(sync, secondsOf(ok, [&] { return kw::syncTree(copied); }));
    }
    if (ok) {
        const TreeSize size = treeSize(output);
        bench::report("generation_860_full_rack_four_testmappen", generation, "s", copy);
        bench::report("sync_of_four_fresh_testmappen", sync, "s", generation);
        std::printf("# %d files, %.2f MB in four Testmappen: generation %.4fs, cp -a %.4fs\n",
                    size.files, static_cast<double>(size.bytes) / 1e6, generation, copy);
    }
    kw::removeTree(root);
    return ok ? 0 : 1;
}
