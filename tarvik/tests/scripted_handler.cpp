#include "scripted_handler.h"

namespace tarvik {

namespace {

int number(const std::vector<std::string>& args, std::size_t i) {
    return i < args.size() ? std::stoi(args[i]) : 0;
}

std::string joined(const std::vector<std::string>& args, std::size_t from) {
    std::string text;
    for (std::size_t i = from; i < args.size(); ++i) {
        text += (i > from ? " " : "") + args[i];
    }
    return text;
}

} // namespace

bool HandlerScript::parse(const std::string& key, const std::vector<std::string>& args) {
    if (key == "added") {
        addedSteps = number(args, 0);
    } else if (key == "hide") {
        hiddenColumns.insert(joined(args, 0));
    } else if (key == "repeat") {
        repeats[number(args, 0)] = number(args, 1);
    } else if (key == "drop") {
        drops.insert(number(args, 0));
    } else if (key == "next-number") {
        nextNumbers[number(args, 0)] = number(args, 1);
    } else if (key == "number-offset") {
        numberOffsets[number(args, 0)] = number(args, 1);
    } else if (key == "body-done") {
        bodyDoneAfter.insert(number(args, 0));
    } else if (key == "delete-body") {
        // The prefix keeps the statement indent: "delete-body VALUE" deletes "  VALUE ...".
        deletedBody.push_back("  " + joined(args, 0));
    } else if (key == "split-body") {
        bodySplits["  " + (args.empty() ? std::string() : args[0])] = "  " + joined(args, 1);
    } else {
        return false;
    }
    return true;
}

void ScriptedHandler::OnBodyLine(std::string& line) {
    for (const auto& prefix : m_script.deletedBody) {
        if (line.starts_with(prefix)) {
            line.clear();
            return;
        }
    }
    for (const auto& [prefix, extra] : m_script.bodySplits) {
        if (line.starts_with(prefix)) {
            line += "\n" + extra;
            return;
        }
    }
}

void ScriptedHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    dropSteps(m_script.drops.count(stepNumber) > 0);
    if (auto it = m_script.nextNumbers.find(stepNumber); it != m_script.nextNumbers.end()) {
        numberFrom(it->second);
    }
    if (auto it = m_script.numberOffsets.find(stepNumber); it != m_script.numberOffsets.end()) {
        raiseNumbersBy(it->second);
    }
    if (m_script.bodyDoneAfter.count(stepNumber) > 0) {
        finishBody();
    }
    if (auto it = m_script.repeats.find(stepNumber); it != m_script.repeats.end()) {
        if (++m_passes[stepNumber] < it->second) {
            SeekInput(stepStart);
            startNumbering(stepNumber + 10);
        }
    }
}

} // namespace tarvik
