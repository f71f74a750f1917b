#include "tarvik/modules/nettest_handler.h"

#include "tarvik/modules/module_text.h"

#include <charconv>
#include <climits>

namespace tarvik {

namespace {

constexpr std::string_view kDescription = "  PINNETDESC";
constexpr std::string_view kOhms = "  PINNETOHMS";

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index after the decimal number that starts at `pos` as a C library reads it (leading
// blanks and a sign included); `pos` when there is no number.
std::size_t numberEnd(std::string_view text, std::size_t pos) {
    std::size_t i = pos;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t digits = i;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    return i > digits ? i : pos;
}

// Reads "{R(<system type>)=<ohms>" at the start of a token; false unless both numbers are
// there. Independent of the program's locale: the templates always use a decimal point.
bool readResistance(std::string_view token, int& systemType, double& ohms) {
    constexpr std::string_view open = "{R(";
    if (!startsWith(token, open)) {
        return false;
    }
    const std::size_t typeEnd = numberEnd(token, open.size());
    if (typeEnd == open.size()) {
        return false;
    }
    systemType = leadingInt(token.substr(open.size()));
    std::string_view rest = token.substr(typeEnd);
    if (!startsWith(rest, ")=")) {
        return false;
    }
    rest.remove_prefix(2);
    while (!rest.empty() && isBlank(rest.front())) {
        rest.remove_prefix(1);
    }
    if (rest.starts_with('+')) {
        rest.remove_prefix(1);
    }
    const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), ohms);
    return result.ec == std::errc() || result.ec == std::errc::result_out_of_range;
}

// "  PINNETOHMS<p> <ohms> Ohm", the resistance in the shortest general form ("%g").
std::string ohmsLine(int pinNet, double ohms) {
    char number[64];
    const auto result =
        std::to_chars(number, number + sizeof number, ohms, std::chars_format::general, 6);
    return std::string(kOhms) + std::to_string(pinNet) + " " + std::string(number, result.ptr) +
           " Ohm";
}

} // namespace

NettestJob* CNettestJobList::find(int pinNet) {
    for (auto& job : m_jobs) {
        if (job.pinNet == pinNet) {
            return &job;
        }
    }
    return nullptr;
}

void CNettestJobList::add(int pinNet, double ohms) {
    m_jobs.push_back({pinNet, ohms, false});
}

bool CNettestJobList::anyOpen() const {
    for (const auto& job : m_jobs) {
        if (!job.done) {
            return true;
        }
    }
    return false;
}

CNettestHandler::CNettestHandler(int systemType, CNettestJobList jobs)
    : m_systemType(systemType), m_jobs(std::move(jobs)) {}

bool CNettestHandler::Prepare() {
    m_pass = 1;
    return true;
}

void CNettestHandler::OnBodyLine(std::string& line) {
    if (startsWith(line, kDescription)) {
        describePinNet(line);
    } else if (startsWith(line, kOhms)) {
        rewriteOhms(line);
    }
}

// Takes the resistance tokens out of a description statement; in the second reading adds
// the missing resistance statement after it.
void CNettestHandler::describePinNet(std::string& line) {
    const int pinNet = leadingInt(std::string_view(line).substr(kDescription.size()));
    // The statement text follows the number and one blank.
    const std::size_t textStart = std::min(numberEnd(line, kDescription.size()) + 1, line.size());
    // The first token always; further ones only while they are resistances of other types.
    for (bool first = true; takeResistance(line, textStart, pinNet, first); first = false) {
    }
    if (m_pass != 2) {
        return;
    }
    NettestJob* job = m_jobs.find(pinNet);
    if (job == nullptr || job->done) {
        return;
    }
    const std::string ohms = ohmsLine(pinNet, job->ohms);
    job->done = true;
    line = line.empty() ? ohms : line + "\n" + ohms;
}

// Handles the first brace token of the statement text: a resistance for this system type
// becomes a job, and the token leaves the line (the line is emptied when the token is the
// whole statement text). Unless `anyToken`, only a resistance token is handled. True when a
// resistance was taken and the line still has text, so that the resistances of further
// system types that may follow are taken out as well.
bool CNettestHandler::takeResistance(std::string& line, std::size_t textStart, int pinNet,
                                     bool anyToken) {
    const std::size_t open = line.find('{', textStart);
    if (open == std::string::npos) {
        return false;
    }
    const std::size_t close = line.find('}', open);
    const std::string token =
        line.substr(open, close == std::string::npos ? std::string::npos : close - open + 1);
    int systemType = 0;
    double ohms = 0.0;
    const bool resistance = readResistance(token, systemType, ohms);
    if (!resistance && !anyToken) {
        return false;
    }
    if (resistance && systemType == m_systemType && m_jobs.find(pinNet) == nullptr) {
        m_jobs.add(pinNet, ohms);
    }
    if (token.size() >= line.size() - textStart) {
        line.clear();
        return false;
    }
    removeAll(line, token);
    return resistance;
}

void CNettestHandler::rewriteOhms(std::string& line) {
    const int pinNet = leadingInt(std::string_view(line).substr(kOhms.size()));
    NettestJob* job = m_jobs.find(pinNet);
    if (job != nullptr && !job->done) {
        line = ohmsLine(pinNet, job->ohms);
        job->done = true;
    }
}

void CNettestHandler::OnEndStep(int, std::int64_t stepStart) {
    if (m_pass == 1 && m_jobs.anyOpen()) {
        // Read the step again to add the missing resistance statements; this reading goes.
        SeekInput(stepStart);
        dropSteps(true);
        m_pass = 2;
    } else {
        dropSteps(false);
        m_pass = 1;
    }
}

} // namespace tarvik
