#include "golden_card_handlers.h"

#include "golden_input.h"

#include "tarvik/modules/channel_card_handler.h"
#include "tarvik/modules/dwb_cal_handler.h"
#include "tarvik/modules/dwb_fct_handler.h"
#include "tarvik/modules/fjn_fct_handler.h"
#include "tarvik/modules/gat84_fct_handler.h"
#include "tarvik/modules/jel_handler.h"
#include "tarvik/modules/log_fct_handler.h"

#include <string>
#include <type_traits>
#include <vector>

namespace tarvik {

namespace {

template <typename Info> Info record(std::vector<int> v) {
    v.resize(4, 0);
    if constexpr (std::is_same_v<Info, CLogInfo>) {
        return Info{v[0], v[1], v[2], static_cast<std::uint8_t>(v[3])};
    } else if constexpr (std::is_same_v<Info, CFjnInfo>) {
        return Info{v[0], static_cast<FjnChannels>(v[1]), v[2], v[3]};
    } else {
        return Info{v[0], v[1], v[2]};
    }
}

template <typename Info> std::vector<Info> cards(const GoldenInput& input) {
    std::vector<Info> list;
    for (const auto* entry : input.all("card")) {
        std::vector<int> fields;
        for (const auto& arg : entry->args) {
            fields.push_back(std::stoi(arg));
        }
        list.push_back(record<Info>(std::move(fields)));
    }
    return list;
}

} // namespace

std::unique_ptr<CModuleFileHandler> goldenDwbFct(const GoldenInput& input) {
    return std::make_unique<CDwbFctHandler>(cards<CDwbInfo>(input), input.flag("is945"));
}

std::unique_ptr<CModuleFileHandler> goldenDwbCal(const GoldenInput& input) {
    return std::make_unique<CDwbCalHandler>(cards<CDwbInfo>(input), input.flag("ist"));
}

std::unique_ptr<CModuleFileHandler> goldenGat84(const GoldenInput& input) {
    return std::make_unique<CGat84FctHandler>(cards<CGat84Info>(input));
}

std::unique_ptr<CModuleFileHandler> goldenLog(const GoldenInput& input) {
    return std::make_unique<CLogFctHandler>(cards<CLogInfo>(input),
                                            input.number("systemType", 860));
}

std::unique_ptr<CModuleFileHandler> goldenBaq(const GoldenInput& input) {
    return std::make_unique<CBaqFctHandler>(cards<CBaqInfo>(input));
}

std::unique_ptr<CModuleFileHandler> goldenYot(const GoldenInput& input) {
    return std::make_unique<CYotFctHandler>(cards<CYotInfo>(input));
}

std::unique_ptr<CModuleFileHandler> goldenGiv(const GoldenInput& input) {
    return std::make_unique<CGivFctHandler>(cards<CGivInfo>(input));
}

std::unique_ptr<CModuleFileHandler> goldenJel(const GoldenInput& input) {
    return std::make_unique<CJelHandler>(cards<CJelInfo>(input));
}

std::unique_ptr<CModuleFileHandler> goldenFjn(const GoldenInput& input) {
    return std::make_unique<CFjnFctHandler>(cards<CFjnInfo>(input));
}

} // namespace tarvik
