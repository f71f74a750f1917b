#pragma once

// CModuleFileHandler: the engine every module generator runs on. One handler object rewrites
// one module file of a copied Testmappe in place. The base owns the loop; a generator only
// overrides the hooks below that differ.
//
// Module text format (lines are bytes in the templates' 8-bit code page, read with LF or
// CR LF, always written with CR LF). Marker lines count only when the whole line is exactly
// the marker:
//
//   header ...              copied as it is (and patched, see below)
//   S_COL                   column block of the header: "{SHOW,1" entries with the flag
//     {SHOW,1}                character after the comma, each followed by a "{HEADER,name}"
//     {HEADER,Ist}            entry; IsColumnHidden(name) can turn the flag into 0
//   E_COL
//   END_COL_INFO_RUN        the next header line that begins with a digit is the step count;
//   12                        it is rewritten "%-6d" and patched at the end to the real count
//   BEGINSTEP               a step; everything up to ENDSTEP is written as one piece
//   X_S_D                   step data block: key line, then values
//   NO                        key "NO": the next line is the step number (renumbered here)
//   10
//   X_E_D
//   X_S_D                   any other key: every following line of the block goes to
//   DATA                      OnDataLine ("{SW(860)=5.0}", "{IGNORE_IST}" ...)
//   {SW(860)=5.0}
//   X_E_D
//   X_END                   the body: statements indented by two blanks, each offered to
//     VALUE 5.0               OnBodyLine; an empty body line is dropped
//   ENDSTEP
//
// Everything before the first step is written at once; blank lines and other text between or
// after steps are not written; a step without ENDSTEP at the end of the file is not written.
//
// A handler is used thus: construct, Prepare() (false: leave the module as it is), Open,
// Process(), destroy. Open(path) rewrites a module where it lies: destroying the handler
// removes the ".tmp" copy the input was read from; when Process() did not succeed the original
// module is put back instead, so a failed module is never left half-written. The generation
// run uses Open(source, target): the template's module is read into memory and the module
// written once into the staging folder (which the run discards as a whole when anything
// fails), with no copy of the template's module before it and no ".tmp" file.
//
// A step read again (the input sought back to its BEGINSTEP line) is not read line by line
// again: the base keeps what the first reading found (step_recording.h) and calls the hooks
// with the same lines in the same order, so a generator cannot tell the difference. A
// generator whose hooks keep the rules of hook_results.h may let the base go one step
// further (keepsHookResults): a replayed line that came out the same before is written as it
// came out, without its hook.
//
// Safety: a generator that keeps seeking the input back without making progress (more than
// kMaxIdleRewinds backward seeks without writing a step), or that writes more steps than a
// step count can hold (kMaxSteps) or more than kMaxOutputBytes, makes Process() fail instead
// of looping or filling the disk.

#include "common/text/patchable_file_writer.h"
#include "common/text/seekable_line_reader.h"
#include "tarvik/modules/hook_results.h"
#include "tarvik/modules/module_text.h"
#include "tarvik/modules/step_recording.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvik {

class CModuleFileHandler {
public:
    // Most steps one module may hold: the header's count line has six digits.
    static constexpr int kMaxSteps = 999999;
    static constexpr int kMaxIdleRewinds = 100000;
    static constexpr std::int64_t kMaxOutputBytes = std::int64_t{1} << 30;

    enum class Failure {
        none,
        notOpen,
        alreadyProcessed,
        readError,
        writeError,
        runaway,
        internal
    };

    CModuleFileHandler();
    virtual ~CModuleFileHandler();
    CModuleFileHandler(const CModuleFileHandler&) = delete;
    CModuleFileHandler& operator=(const CModuleFileHandler&) = delete;

    // Hook, called by the generation run before Open. Initialise the per-run state here
    // (first card of the list, counters). Return false to leave the module unprocessed: the
    // run counts it as done and the file stays as copied. Base: true.
    virtual bool Prepare();

    // Takes over the module file at `path`: renames it to path + ".tmp", reads from that and
    // writes the module anew under `path`. False when the file does not exist (or is no
    // regular file), cannot be renamed, or either file cannot be opened. Called once (this or
    // the other Open).
    bool Open(const std::filesystem::path& path);

    // Reads the module `source` into memory and writes the new module as `target`, which must
    // not exist yet; it gets the source's permissions, made writable for the owner (as a
    // copied file). False when the source is no readable regular file or the target cannot
    // be created.
    bool Open(const std::filesystem::path& source, const std::filesystem::path& target);

    // Rewrites the whole module, first line to last. True when the module was written
    // completely; false after a read or write error, a runaway generator, or when Open did
    // not succeed. Called once.
    bool Process();

    // Why Process() failed (Failure::none after success).
    Failure failure() const { return m_failure; }

    // The step count announced in the header (template count + GetAddedSteps; 1 without a
    // count line) and the number of steps written. Equal after Process() when the generator's
    // GetAddedSteps was right for the template.
    int expectedSteps() const { return m_expected; }
    int stepsWritten() const { return m_stepsWritten; }

    // Full path of the ".tmp" copy; empty until Open has renamed the module.
    const std::filesystem::path& tempPath() const { return m_tempPath; }

    // For tests: each line written from a kept hook result is also given to its hook, and a
    // result or a value set that differs from the hook's fails the module (Failure::internal).
    static void checkKeptHookResults(bool on);

protected:
    // Hook, called once when the header's step count line is read; `templateSteps` is the
    // count the template holds. The result is added to it for the count written into the
    // header and the progress total; negative for dropped steps. Base: 0.
    virtual int GetAddedSteps(int templateSteps);

    // Hook, called at every ENDSTEP before the step is written. `stepNumber` is the number
    // the template gave the step ("NO" entry), `stepStart` the input position of its
    // BEGINSTEP line. Clear per-step values here, then decide:
    //  - dropSteps(): drops this step (and, since the base never changes it, every later
    //    step until dropSteps(false));
    //  - SeekInput(stepStart), or to any other position recorded with InputPosition() or
    //    received here, to read steps again (the next card, channel or group);
    //  - numberFrom / startNumbering / raiseNumbersBy to renumber the following steps;
    //    finishBody() to stop OnBodyLine calls for the rest of the module.
    virtual void OnEndStep(int stepNumber, std::int64_t stepStart);

    // Hook, called for every body line (after X_END) of a step until finishBody().
    // Change the line in place; empty it to delete it. The line may gain "\n" to become
    // several lines. Base: no change.
    virtual void OnBodyLine(std::string& line);

    // Hook, called for every line of a step data block after a key line other than "NO".
    // Change the line in place (take value tokens out with ParseValueToken, note markers
    // such as "{IGNORE_IST}"). An emptied data line is still written. Base: no change.
    virtual void OnDataLine(std::string& line);

    // Hook, called for the "{HEADER,name}" entry that follows a "{SHOW,1" entry of the
    // header's column block. True hides the column (its SHOW flag is written as 0).
    // Base: false.
    virtual bool IsColumnHidden(const std::string& header);

    // Hook, asked once per module: true when the generator's hooks keep the rules of
    // hook_results.h, so that the base may write a replayed line as its hook made it before
    // in the same context. Base: false.
    virtual bool keepsHookResults() const;

    // Hook: the number a source of hookResultHole gives now. Base: 0 (no generator that
    // reports no hole is asked).
    virtual int hookHoleValue(int source) const;

    // For such a generator: the results kept so far lapse (a new card); the line the hook
    // is given comes out differently within the context (it carries the channel); the hook
    // set `value` for the rest of the step.
    void newHookContext() { m_hookResults.newContext(); }
    void hookResultVaries() { m_hookResults.varies(); }
    // The hook has just written, as its line's last change, a number that changes within the
    // context at [begin, begin + length) of the line it was given, and hookHoleValue(source)
    // gives it again: the line is kept with the number left open.
    void hookResultHole(std::size_t begin, std::size_t length, int source) {
        if (m_hookResults.watching()) {
            m_hookResults.hole(m_line, begin, length, source, hookHoleValue(source));
        }
    }
    void keepEffect(ValueSlot& value) { m_hookResults.effect(value); }
    void keepEffect(int& value) { m_hookResults.effect(value); }

    // Overwrites bytes already written to the output at `position` (the output position is
    // kept). False and nothing written when the range is not within what was written.
    bool PatchOutput(std::int64_t position, std::string_view text);

    // Continues reading the input at a position obtained from InputPosition() or OnEndStep.
    void SeekInput(std::int64_t position);

    // Input position of the next line to be read (in a hook: of the line after the one given).
    std::int64_t InputPosition() const {
        return m_replaying ? m_replayPosition : m_input.position();
    }

    // Drops the steps that end from now on (`drop`), or writes them again. Never changed by
    // the base itself.
    void dropSteps(bool drop = true) { m_skipStep = drop; }
    bool droppingSteps() const { return m_skipStep; }

    // Numbers the following steps `number`, `number` + 10, ... (a dropped step gives its
    // number back); 0 stops it.
    void numberFrom(int number) { m_nextNumber = number; }
    void stopNumbering() { m_nextNumber = 0; }
    // numberFrom(number) unless the numbering runs already.
    void startNumbering(int number) {
        if (m_nextNumber == 0) {
            m_nextNumber = number;
        }
    }
    int nextNumber() const { return m_nextNumber; }

    // While no numbering runs: the following steps keep their template numbers raised by
    // `offset` (0: as the template gives them).
    void raiseNumbersBy(int offset) { m_numberOffset = offset; }
    int numberOffset() const { return m_numberOffset; }

    // No more OnBodyLine calls for the rest of the module.
    void finishBody() { m_bodyDone = true; }

    // Number written for the current step.
    int writtenNumber() const { return m_writtenNumber; }

private:
    struct RunState;

    void run();
    const StepRecording* recordedStepAt(const RunState& state) const;
    void replayStep(RunState& state, const StepRecording& step);
    bool replayHookedLine(RunState& state, const StepEvent& event, std::size_t index);
    bool callReplayedHook(RunState& state, const StepEvent& event);
    // A kept result as it is written now, piece by piece to `write`: its bytes, with the
    // numbers left open in them as their sources give them.
    template <typename Write> void writeKept(const HookResults::Kept& kept, Write write) const {
        const std::string_view text = m_hookResults.text(kept);
        std::size_t from = 0;
        for (const HookResults::Hole& hole : m_hookResults.holes(kept)) {
            write(text.substr(from, hole.at - from));
            write(DecimalText(hookHoleValue(hole.source)).view());
            from = hole.at;
        }
        write(text.substr(from));
    }
    void checkKeptResult(std::string_view kept, const HookResults::Kept& effects,
                         std::size_t stagedBefore, bool goesOn) const;
    void handleLine(RunState& state, std::string_view line, std::int64_t lineStart);
    void endStep(RunState& state);
    std::string_view readCountLine(RunState& state, std::string_view line);
    void handleColumnLine(std::string_view line);
    void handleStepLine(RunState& state, std::string_view line);
    std::string_view readStepNumber(std::string_view line);
    void storeLine(const RunState& state, std::string_view line);
    void storeInputLine(const RunState& state, std::string_view line);
    void storeHookedLine(const RunState& state);
    // The line a hook is given, in m_line's storage (appended: a plain copy, where assign
    // takes the general replace path at about twice the cost for a line of a few bytes).
    void setLine(std::string_view text) {
        m_line.clear();
        m_line.append(text.data(), text.size());
    }
    void patchCount(const RunState& state);
    bool runaway() const;
    void finishFiles();

    std::filesystem::path m_modulePath;
    std::filesystem::path m_tempPath;
    kw::SeekableLineReader m_input;
    kw::PatchableFileWriter m_output;
    StepRecordings m_recordings;
    HookResults m_hookResults;
    bool m_keepsHookResults = false;
    bool m_replaying = false;          // a recorded step is being replayed
    std::int64_t m_replayPosition = 0; // InputPosition() meanwhile
    int m_seeks = 0;                   // SeekInput calls so far
    std::string m_line;  // the line a hook is given, or a line the base rewrote
    DecimalText m_numberText{0}; // a rewritten step number
    bool m_opened = false;
    bool m_processed = false;
    bool m_succeeded = false;
    Failure m_failure = Failure::none;
    int m_expected = 1;
    int m_stepsWritten = 0;
    int m_idleRewinds = 0;
    bool m_skipStep = false;
    bool m_bodyDone = false;
    int m_stepNumber = 0; // number of the current step as the template gives it
    int m_nextNumber = 0;
    int m_numberOffset = 0;
    int m_writtenNumber = 0;
    // Output position of the flag of the last "{SHOW,1" entry; 0 when there is none.
    std::int64_t m_showFlagPos = 0;
};

} // namespace tarvik
