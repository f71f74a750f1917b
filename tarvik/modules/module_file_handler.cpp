#include "tarvik/modules/module_file_handler.h"

#include "tarvik/modules/module_text.h"
#include "tarvik/modules/prog_handler.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <sys/stat.h>

namespace tarvik {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCountWidth = 6;

bool checkingKeptResults = false;

constexpr std::string_view kBeginStep = "BEGINSTEP";
constexpr std::string_view kEndStep = "ENDSTEP";
constexpr std::string_view kColumnsBegin = "S_COL";
constexpr std::string_view kColumnsEnd = "E_COL";
constexpr std::string_view kCountFollows = "END_COL_INFO_RUN";
constexpr std::string_view kDataBegin = "X_S_D";
constexpr std::string_view kDataEnd = "X_E_D";
constexpr std::string_view kBodyBegin = "X_END";
constexpr std::string_view kNumberKey = "NO";

// Whole-line comparison; the length is compared first because it almost always differs.
bool isLine(std::string_view line, std::string_view marker) {
    return line.size() == marker.size() &&
           std::memcmp(line.data(), marker.data(), marker.size()) == 0;
}

// "%-*d": the number left-aligned in a field of at least `width` characters.
std::string leftAligned(int value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

} // namespace

// The values one pass over the input keeps between lines.
struct CModuleFileHandler::RunState {
    bool inStep = false;
    bool inColumns = false;
    bool countPending = false;
    bool inBody = false;
    bool stepsSeen = false;
    // 0 outside a data block, 1 at its key, 2 before the step number, 98 data, 99 done
    int dataState = 0;
    std::int64_t stepStart = 0;
    bool hasCountLine = false;
    std::int64_t countPos = 0;
    std::size_t countWidth = kCountWidth;

    // Lines before the first step go straight to the output; their positions are final.
    bool writesDirectly() const { return !inStep && !stepsSeen; }
    // A line of a step is staged with it, except an empty body line, which is dropped.
    bool stagesInStep(std::string_view line) const { return inStep && !(inBody && line.empty()); }
};

CModuleFileHandler::CModuleFileHandler() = default;

CModuleFileHandler::~CModuleFileHandler() {
    m_input.close();
    m_output.close();
    if (m_tempPath.empty()) {
        return;
    }
    std::error_code ignored;
    if (m_succeeded) {
        fs::remove(m_tempPath, ignored);
        return;
    }
    // Not rewritten completely: the original module goes back in place of the partial one.
    fs::remove(m_modulePath, ignored);
    std::error_code renameError;
    fs::rename(m_tempPath, m_modulePath, renameError);
    if (renameError) {
        fs::remove(m_tempPath, ignored);
    }
}

void CModuleFileHandler::checkKeptHookResults(bool on) {
    checkingKeptResults = on;
}

bool CModuleFileHandler::Prepare() {
    return true;
}
bool CModuleFileHandler::keepsHookResults() const {
    return false;
}
int CModuleFileHandler::hookHoleValue(int) const {
    return 0;
}
int CModuleFileHandler::GetAddedSteps(int) {
    return 0;
}
void CModuleFileHandler::OnEndStep(int, std::int64_t) {}
void CModuleFileHandler::OnBodyLine(std::string&) {}
void CModuleFileHandler::OnDataLine(std::string&) {}
bool CModuleFileHandler::IsColumnHidden(const std::string&) {
    return false;
}

bool CModuleFileHandler::Open(const fs::path& path) {
    if (m_opened) {
        return false;
    }
    m_opened = true;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return false;
    }
    const fs::path full = fs::absolute(path, error);
    if (error) {
        return false;
    }
    fs::path temp = full;
    temp += ".tmp";
    fs::rename(full, temp, error);
    if (error) {
        return false;
    }
    m_modulePath = full;
    m_tempPath = temp;
    return m_input.open(m_tempPath) && m_output.create(m_modulePath);
}

bool CModuleFileHandler::Open(const fs::path& source, const fs::path& target) {
    if (m_opened) {
        return false;
    }
    m_opened = true;
    unsigned mode = 0;
    if (!m_input.load(source, &mode)) {
        return false;
    }
    m_modulePath = target;
    return m_output.createNew(target, mode | S_IRUSR | S_IWUSR);
}

bool CModuleFileHandler::Process() {
    if (m_processed) {
        m_failure = Failure::alreadyProcessed;
        return false;
    }
    m_processed = true;
    if (!m_input.isOpen() || !m_output.isOpen()) {
        m_failure = Failure::notOpen;
        return false;
    }
    m_keepsHookResults = keepsHookResults();
    try {
        run();
    } catch (const std::exception&) {
        // Nothing may leave a handler: a generator fault fails its module, not the program.
        m_failure = Failure::internal;
    }
    finishFiles();
    m_succeeded = m_failure == Failure::none;
    return m_succeeded;
}

void CModuleFileHandler::run() {
    RunState state;
    std::string_view line;
    for (;;) {
        const std::int64_t lineStart = m_input.position();
        if (const StepRecording* step = recordedStepAt(state)) {
            replayStep(state, *step);
        } else if (m_input.nextLine(line)) {
            handleLine(state, line, lineStart);
        } else {
            break;
        }
        if (runaway()) {
            m_failure = Failure::runaway;
            return;
        }
    }
    if (m_input.failed()) {
        m_failure = Failure::readError;
        return;
    }
    patchCount(state);
}

bool CModuleFileHandler::runaway() const {
    return m_stepsWritten > kMaxSteps || m_idleRewinds > kMaxIdleRewinds ||
           m_output.position() > kMaxOutputBytes;
}

void CModuleFileHandler::finishFiles() {
    m_input.close();
    const bool written = m_output.close();
    if (m_failure == Failure::none && !written) {
        m_failure = Failure::writeError;
    }
}

// A step read before begins where the input stands, and the pass stands where it stood when
// the step was recorded: outside a step and any data block, the body statements not finished
// (which is never undone: a step recorded while the body was finished is never replayed).
const StepRecording* CModuleFileHandler::recordedStepAt(const RunState& state) const {
    if (state.inStep || state.dataState != 0 || m_bodyDone) {
        return nullptr;
    }
    return m_recordings.find(m_input.position());
}

// The step as reading it line by line would handle it: the same bytes staged, the same hooks
// called with the same lines in the same order. When a hook seeks the input or finishes the
// body, the rest of the step is read line by line again from where that leaves the input.
void CModuleFileHandler::replayStep(RunState& state, const StepRecording& step) {
    state.stepStart = m_input.position();
    state.inStep = true;
    state.inColumns = false;
    m_output.dropStaged();
    std::size_t index = step.firstEvent;
    for (const StepEvent& event : m_recordings.events(step)) {
        const std::string_view text = m_recordings.text(event);
        switch (event.kind) {
        case StepEvent::Kind::plain:
            m_output.stage(text);
            break;
        case StepEvent::Kind::number:
            storeLine(state, readStepNumber(text));
            break;
        case StepEvent::Kind::data:
        case StepEvent::Kind::body:
            if (!replayHookedLine(state, event, index)) {
                return;
            }
            break;
        }
        ++index;
    }
    m_input.seek(step.end);
    state.dataState = step.endState;
    endStep(state);
}

// A line whose hook result is kept from an earlier replay in the same context is written as
// it came out then, and the values its hook set are set again; any other is given to its
// hook, which is watched when its result may be kept. False when the hook sought the input or
// finished the body: the pass then goes on reading lines after this one (or where the seek
// sent it).
bool CModuleFileHandler::replayHookedLine(RunState& state, const StepEvent& event,
                                          std::size_t index) {
    state.inBody = event.kind == StepEvent::Kind::body;
    state.dataState = event.dataState;
    const HookResults::Kept* kept = m_keepsHookResults ? m_hookResults.find(index) : nullptr;
    if (kept != nullptr && !checkingKeptResults) {
        writeKept(*kept, [this](std::string_view piece) { m_output.stage(piece); });
        m_hookResults.applyEffects(*kept);
        return true;
    }
    const bool watch = kept == nullptr && m_keepsHookResults && m_hookResults.worthWatching(index);
    if (watch) {
        m_hookResults.watch();
    }
    const std::size_t stagedBefore = m_output.stagedSize();
    const bool goesOn = callReplayedHook(state, event);
    if (kept != nullptr) {
        std::string text;
        writeKept(*kept, [&text](std::string_view piece) { text.append(piece); });
        checkKeptResult(text, *kept, stagedBefore, goesOn);
    } else if (watch && goesOn) {
        m_hookResults.keep(index, m_output.stagedFrom(stagedBefore), m_line);
    } else if (watch) {
        m_hookResults.forget();
    }
    return goesOn;
}

bool CModuleFileHandler::callReplayedHook(RunState& state, const StepEvent& event) {
    const int seeks = m_seeks;
    setLine(m_recordings.text(event));
    m_replaying = true;
    m_replayPosition = event.lineEnd;
    if (state.inBody) {
        OnBodyLine(m_line);
    } else {
        OnDataLine(m_line);
    }
    m_replaying = false;
    storeHookedLine(state);
    if (m_seeks != seeks) {
        return false;
    }
    if (m_bodyDone) {
        m_input.seek(event.lineEnd);
        return false;
    }
    return true;
}

void CModuleFileHandler::checkKeptResult(std::string_view kept, const HookResults::Kept& effects,
                                         std::size_t stagedBefore, bool goesOn) const {
    if (!goesOn || m_output.stagedFrom(stagedBefore) != kept ||
        !m_hookResults.effectsHold(effects)) {
        throw std::logic_error("a kept hook result differs from what the hook makes");
    }
}

// One input line, through the tests in their fixed order; the first that applies is taken.
// The line is shown where the reader holds it; only a line given to a hook is copied.
void CModuleFileHandler::handleLine(RunState& state, std::string_view line,
                                    std::int64_t lineStart) {
    if (!state.inStep && isLine(line, kBeginStep)) {
        state.stepStart = lineStart;
        state.inStep = true;
        state.inColumns = false;
        m_output.dropStaged(); // the step is staged in the output until its end
        if (state.dataState == 0 && !m_bodyDone) {
            m_recordings.begin(lineStart);
        }
    } else if (!state.inStep && isLine(line, kColumnsBegin)) {
        state.inColumns = true;
    } else if (state.inColumns) {
        if (isLine(line, kColumnsEnd)) {
            state.inColumns = false;
        } else if (state.writesDirectly()) {
            // A column block after the first step is not written, so nothing may be patched
            // for it: its positions would point into steps written later.
            handleColumnLine(line);
        }
    } else if (state.inStep && isLine(line, kEndStep)) {
        endStep(state);
    } else if (!state.inStep && isLine(line, kCountFollows)) {
        state.countPending = true;
    } else if (state.countPending && state.writesDirectly() && startsWithDigit(line)) {
        // Only a count line that is written at once has a position that can be patched.
        storeLine(state, readCountLine(state, line));
        return;
    } else if (state.inBody && !m_bodyDone) {
        if (m_recordings.recording()) {
            m_recordings.hooked(StepEvent::Kind::body, line, m_input.position(), state.dataState);
        }
        setLine(line);
        OnBodyLine(m_line);
        storeHookedLine(state);
        return;
    } else if (state.inStep) {
        handleStepLine(state, line);
        return;
    }
    storeInputLine(state, line);
}

void CModuleFileHandler::endStep(RunState& state) {
    state.inStep = false;
    state.inBody = false;
    state.stepsSeen = true;
    if (m_recordings.recording()) {
        m_recordings.finish(m_input.position(), state.dataState);
    }
    OnEndStep(m_stepNumber, state.stepStart);
    if (m_skipStep) {
        m_output.dropStaged();
        // A dropped step does not use up a number.
        if (m_nextNumber != 0) {
            m_nextNumber = saturatingAdd(m_nextNumber, -10);
        }
        return;
    }
    m_output.stagePlainLine(kEndStep);
    m_output.commitStaged();
    ++m_stepsWritten;
    m_idleRewinds = 0;
    if (CProgHandler* progress = registeredProgHandler()) {
        progress->report(m_stepsWritten, m_expected);
    }
}

std::string_view CModuleFileHandler::readCountLine(RunState& state, std::string_view line) {
    const int templateSteps = leadingInt(line);
    m_expected = saturatingAdd(templateSteps, GetAddedSteps(templateSteps));
    m_line = leftAligned(m_expected, kCountWidth);
    state.hasCountLine = true;
    state.countPos = m_output.position();
    state.countWidth = m_line.size();
    state.countPending = false;
    return m_line;
}

void CModuleFileHandler::handleColumnLine(std::string_view line) {
    const std::size_t show = line.find("{SHOW,");
    if (show != std::string_view::npos) {
        const std::size_t flag = show + 6;
        m_showFlagPos = flag < line.size() && line[flag] == '1'
                            ? m_output.position() + static_cast<std::int64_t>(flag)
                            : 0;
        return;
    }
    if (m_showFlagPos == 0) {
        return;
    }
    constexpr std::string_view headerKey = "{HEADER,";
    const std::size_t header = line.find(headerKey);
    if (header == std::string_view::npos) {
        return;
    }
    const std::size_t nameStart = header + headerKey.size();
    const std::size_t close = line.find('}', nameStart);
    if (close == std::string_view::npos) {
        return;
    }
    if (IsColumnHidden(std::string(line.substr(nameStart, close - nameStart)))) {
        PatchOutput(m_showFlagPos, "0");
    }
}

void CModuleFileHandler::handleStepLine(RunState& state, std::string_view line) {
    if (isLine(line, kDataBegin)) {
        state.dataState = 1;
    } else if (isLine(line, kDataEnd)) {
        state.dataState = 0;
    } else if (isLine(line, kBodyBegin)) {
        state.inBody = true;
        state.countPending = false;
    } else if (state.dataState == 1) {
        state.dataState = isLine(line, kNumberKey) ? 2 : 98;
    } else if (state.dataState == 2) {
        state.dataState = 99;
        if (m_recordings.recording()) {
            m_recordings.hooked(StepEvent::Kind::number, line, m_input.position(), 99);
        }
        storeLine(state, readStepNumber(line));
        return;
    } else if (state.dataState == 98) {
        if (m_recordings.recording()) {
            m_recordings.hooked(StepEvent::Kind::data, line, m_input.position(), 98);
        }
        setLine(line);
        OnDataLine(m_line);
        storeHookedLine(state);
        return;
    }
    storeInputLine(state, line);
}

// The number line as it is written: renumbered, raised, or as the template gives it.
std::string_view CModuleFileHandler::readStepNumber(std::string_view line) {
    m_stepNumber = leadingInt(line);
    if (m_nextNumber != 0) {
        m_writtenNumber = m_nextNumber;
        m_nextNumber = saturatingAdd(m_nextNumber, 10);
    } else if (m_numberOffset != 0) {
        m_writtenNumber = saturatingAdd(m_stepNumber, m_numberOffset);
    } else {
        m_writtenNumber = m_stepNumber;
        return line;
    }
    m_numberText = DecimalText(m_writtenNumber);
    return m_numberText.view();
}

// A line as the input or the base gives it: it holds no line feed.
void CModuleFileHandler::storeLine(const RunState& state, std::string_view line) {
    if (state.writesDirectly()) {
        m_output.stagePlainLine(line);
        m_output.commitStaged();
    } else if (state.stagesInStep(line)) {
        m_output.stagePlainLine(line);
    }
    // Text between or after steps is never written.
}

// storeLine for a line as the input gives it: a recorded step keeps it as it is staged.
void CModuleFileHandler::storeInputLine(const RunState& state, std::string_view line) {
    if (m_recordings.recording() && state.stagesInStep(line)) {
        m_recordings.plain(line);
    }
    storeLine(state, line);
}

// The line a hook has changed in m_line, which may have made it several lines.
void CModuleFileHandler::storeHookedLine(const RunState& state) {
    if (state.writesDirectly()) {
        m_output.stageLine(m_line);
        m_output.commitStaged();
    } else if (state.stagesInStep(m_line)) {
        m_output.stageLine(m_line);
    }
}

void CModuleFileHandler::patchCount(const RunState& state) {
    if (!state.hasCountLine || m_stepsWritten == m_expected) {
        return;
    }
    std::string count = leftAligned(m_stepsWritten, state.countWidth);
    if (count.size() > state.countWidth) {
        count.assign(state.countWidth, '9');
    }
    PatchOutput(state.countPos, count);
}

bool CModuleFileHandler::PatchOutput(std::int64_t position, std::string_view text) {
    return m_output.patch(position, text);
}

void CModuleFileHandler::SeekInput(std::int64_t position) {
    if (position < InputPosition()) {
        ++m_idleRewinds;
    }
    ++m_seeks;
    m_recordings.abandon(); // a step that does not end where it began is not kept
    m_input.seek(position);
}

} // namespace tarvik
