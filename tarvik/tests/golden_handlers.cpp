// The handlers golden cases can name, one row each. A new generator adds its row here.

#include "golden_card_handlers.h"
#include "golden_input.h"
#include "scripted_handler.h"

#include "tarvik/modules/cal_fct_handler.h"
#include "tarvik/modules/cal_ict_handler.h"
#include "tarvik/modules/kvr_fct_handler.h"
#include "tarvik/modules/nettest_handler.h"
#include "tarvik/modules/norv_fct_handler.h"
#include "tarvik/modules/qbt_ict_handler.h"
#include "tarvik/modules/reset_handler.h"
#include "tarvik/modules/seq_fct_handler.h"
#include "tarvik/modules/sew_fct_handler.h"
#include "tarvik/modules/template_file_handler.h"
#include "tarvik/modules/tqd_fct_handler.h"
#include "tarvik/modules/zupa_fct_handler.h"

#include <string_view>

namespace tarvik {

namespace {

using Factory = std::unique_ptr<CModuleFileHandler> (*)(const GoldenInput&);

std::unique_ptr<CModuleFileHandler> scripted(const GoldenInput& input) {
    HandlerScript script;
    for (const char* key : {"added", "hide", "repeat", "drop", "next-number", "number-offset",
                            "body-done", "delete-body", "split-body"}) {
        for (const auto* entry : input.all(key)) {
            script.parse(entry->key, entry->args);
        }
    }
    return std::make_unique<ScriptedHandler>(std::move(script));
}

std::unique_ptr<CModuleFileHandler> plainBase(const GoldenInput&) {
    return std::make_unique<CModuleFileHandler>();
}

std::unique_ptr<CModuleFileHandler> templateHandler(const GoldenInput& input) {
    return std::make_unique<CTemplateFileHandler>(input.number("systemType", 860));
}

// A handler constructed with the folder kind only.
template <typename Handler> std::unique_ptr<CModuleFileHandler> withIst(const GoldenInput& input) {
    return std::make_unique<Handler>(input.flag("ist"));
}

std::unique_ptr<CModuleFileHandler> calIct(const GoldenInput& input) {
    return std::make_unique<CCalIctHandler>(input.number("systemType", 860), input.flag("ist"),
                                            input.flag("with3458"));
}

std::unique_ptr<CModuleFileHandler> qbtIct(const GoldenInput& input) {
    return std::make_unique<CQbtIctHandler>(input.number("systemType", 860));
}

std::unique_ptr<CModuleFileHandler> zupa(const GoldenInput& input) {
    return std::make_unique<CZupaFctHandler>(input.number("zupaMode", 1));
}

// "reset NAME ADDRESS [NEEDSCONFIG INITVALUE INITTEXT]" per entry, in list order.
std::unique_ptr<CModuleFileHandler> reset(const GoldenInput& input) {
    std::vector<CResetInfo> list;
    for (const auto* entry : input.all("reset")) {
        const auto& args = entry->args;
        CResetInfo info;
        info.name = args.at(0);
        info.cardAddress = std::stoi(args.at(1));
        if (args.size() > 2) {
            info.needsConfig = static_cast<std::uint8_t>(std::stoi(args.at(2)));
            info.initValue = std::stoi(args.at(3));
            info.initText = args.at(4);
        }
        list.push_back(info);
    }
    return std::make_unique<CResetHandler>(std::move(list));
}

std::unique_ptr<CModuleFileHandler> nettest(const GoldenInput& input) {
    return std::make_unique<CNettestHandler>(input.number("systemType", 860));
}

// The numbers of every entry with this key, one record per entry, fields in record order.
std::vector<std::vector<int>> records(const GoldenInput& input, const std::string& key) {
    std::vector<std::vector<int>> rows;
    for (const auto* entry : input.all(key)) {
        std::vector<int> row;
        for (const auto& arg : entry->args) {
            row.push_back(std::stoi(arg));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// "kvr CHANNELBASE SUPPLYFIT CARDNUMBER FAMILYNUMBER ASTQD" per card.
std::unique_ptr<CModuleFileHandler> kvr(const GoldenInput& input) {
    std::vector<CKvrInfo> list;
    for (const auto& r : records(input, "kvr")) {
        list.push_back({r.at(0), static_cast<SupplyFit>(r.at(1)), r.at(2), r.at(3),
                        static_cast<std::uint8_t>(r.at(4))});
    }
    return std::make_unique<CKvrFctHandler>(std::move(list), input.number("systemType", 860));
}

// "tqd FAMILYNUMBER CHANNELBASE SUPPLYFIT SENSE" per card.
std::unique_ptr<CModuleFileHandler> tqd(const GoldenInput& input) {
    std::vector<CTqdInfo> list;
    for (const auto& r : records(input, "tqd")) {
        list.push_back({r.at(0), r.at(1), static_cast<SupplyFit>(r.at(2)),
                        static_cast<std::uint8_t>(r.at(3))});
    }
    return std::make_unique<CTqdFctHandler>(std::move(list), input.number("systemType", 860));
}

// "sew RELAYBASE RELAYCOUNT RELAYKIND" per card.
std::unique_ptr<CModuleFileHandler> sew(const GoldenInput& input) {
    std::vector<CSewInfo> list;
    for (const auto& r : records(input, "sew")) {
        list.push_back({r.at(0), r.at(1), static_cast<RelayKind>(r.at(2))});
    }
    return std::make_unique<CSewFctHandler>(input.number("systemType", 860), std::move(list));
}

// "norv CHANNELBASE LOGICBASE CARDNUMBER FAMILYNUMBER" per card.
std::unique_ptr<CModuleFileHandler> norv(const GoldenInput& input) {
    std::vector<CNorvInfo> list;
    for (const auto& r : records(input, "norv")) {
        list.push_back({r.at(0), r.at(1), r.at(2), r.at(3)});
    }
    return std::make_unique<CNorvFctHandler>(std::move(list));
}

// "seq CHANNELBASE LOGICBASE RELAYBASE CARDNUMBER FAMILYNUMBER" per card.
std::unique_ptr<CModuleFileHandler> seq(const GoldenInput& input) {
    std::vector<CSeqInfo> list;
    for (const auto& r : records(input, "seq")) {
        list.push_back({r.at(0), r.at(1), r.at(2), r.at(3), r.at(4)});
    }
    return std::make_unique<CSeqFctHandler>(input.number("systemType", 860), std::move(list));
}

const std::pair<std::string_view, Factory> kFactories[] = {
    {"scripted", scripted},
    {"CModuleFileHandler", plainBase},
    {"CTemplateFileHandler", templateHandler},
    {"CCalFctHandler", withIst<CCalFctHandler>},
    {"CPew860CalHandler", withIst<CPew860CalHandler>},
    {"CCalFct2Handler", withIst<CCalFct2Handler>},
    {"CPrintCertSelHandler", withIst<CPrintCertSelHandler>},
    {"CPrintCertCalHandler", withIst<CPrintCertCalHandler>},
    {"CCalPretestHandler", withIst<CCalPretestHandler>},
    {"CCalIctHandler", calIct},
    {"CQbtIctHandler", qbtIct},
    {"CZupaFctHandler", zupa},
    {"CResetHandler", reset},
    {"CNettestHandler", nettest},
    {"CKvrFctHandler", kvr},
    {"CTqdFctHandler", tqd},
    {"CSewFctHandler", sew},
    {"CNorvFctHandler", norv},
    {"CSeqFctHandler", seq},
    {"CDwbFctHandler", goldenDwbFct},
    {"CDwbCalHandler", goldenDwbCal},
    {"CGat84FctHandler", goldenGat84},
    {"CLogFctHandler", goldenLog},
    {"CBaqFctHandler", goldenBaq},
    {"CYotFctHandler", goldenYot},
    {"CGivFctHandler", goldenGiv},
    {"CJelHandler", goldenJel},
    {"CFjnFctHandler", goldenFjn},
};

} // namespace

std::unique_ptr<CModuleFileHandler> makeGoldenHandler(const GoldenInput& input) {
    const std::string name = input.text("handler");
    for (const auto& [rowName, factory] : kFactories) {
        if (rowName == name) {
            return factory(input);
        }
    }
    return nullptr;
}

} // namespace tarvik
