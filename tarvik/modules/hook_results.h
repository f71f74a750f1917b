#pragma once

// HookResults: what the hooks made of the lines of a recorded step, kept so that the step,
// replayed again while nothing its lines depend on has changed, is written with the same
// bytes without calling the hooks. A card generator reads its card section's steps again for
// every channel, relay or supply of a card; most of their lines come out the same every time
// (the statement type, the step's values, the card's bus address) and a few carry the channel
// or relay.
//
// A generator lets the base keep results (CModuleFileHandler::keepsHookResults) only when its
// hooks keep three rules (the names in parentheses are what a generator calls on its base):
//  - what a hook writes and the values it sets depend on nothing but the line, values that
//    stay the same until the generator begins a new context (a new card: newHookContext), and
//    what the earlier lines of the same step set (the step's values, which every step end
//    clears);
//  - a hook that uses a value that changes within a context (the channel, the relay, the
//    supply number) says so (hookResultVaries): that line's result is not kept, its hook is
//    called every time;
//  - each value a hook sets for the rest of the step is named (keepEffect): a kept result sets
//    it again to what the hook left in it.
// A number that changes within the context need not make the whole line vary: when it is the
// last thing the hook wrote into its line, nothing else the hook does depends on it, and the
// generator can give it again by itself (hookResultHole, with a source that hookHoleValue
// answers), the line is kept with that number left open, and a replay writes the number the
// source gives then. A hole is kept only
// when the line did not change after it was reported and the source gave the number written.
// A kept result belongs to one hooked event of the step recordings and to the context it was
// made in; a new context lets every kept result lapse.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

struct ValueSlot;

class HookResults {
public:
    // Bytes of kept results and their effects in one context at most; later lines are handed
    // to their hooks as before.
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 22;

    struct Kept {
        std::uint32_t context = 0; // 0: none yet
        bool varies = false;       // the line's result is not kept in this context
        std::uint32_t begin = 0;   // the staged bytes, in m_bytes
        std::uint32_t size = 0;
        std::uint32_t firstEffect = 0;
        std::uint32_t endEffect = 0;
        std::uint32_t firstHole = 0; // numbers left open in the bytes
        std::uint32_t endHole = 0;
    };

    // A number left open: where it goes in the kept bytes (which leave it out) and the
    // generator's source for it.
    struct Hole {
        std::uint32_t at;
        int source;
    };

    // Every result kept so far lapses.
    void newContext();

    // The result kept for the hooked event with index `event` in this context; nullptr when
    // there is none (yet) or the line's result varies.
    const Kept* find(std::size_t event) const {
        return event < m_kept.size() && m_kept[event].context == m_context && !m_kept[event].varies
                   ? &m_kept[event]
                   : nullptr;
    }
    std::string_view text(const Kept& kept) const {
        return std::string_view(m_bytes).substr(kept.begin, kept.size);
    }
    std::span<const Hole> holes(const Kept& kept) const {
        return std::span<const Hole>(m_holes).subspan(kept.firstHole,
                                                      kept.endHole - kept.firstHole);
    }
    // Sets the values the hook set when the result was kept.
    void applyEffects(const Kept& kept) const;
    // Whether the values the kept result sets hold what it would set them to.
    bool effectsHold(const Kept& kept) const;

    // Whether the hook call for the event is worth watching: nothing is known of it in this
    // context yet.
    bool worthWatching(std::size_t event) const {
        return event >= m_kept.size() || m_kept[event].context != m_context;
    }
    // The hook call that follows is watched: what it says of its line is noted.
    void watch();
    bool watching() const { return m_watching; }
    void varies() { m_varies = true; }
    // The watched hook wrote `value`, which `source` gives, at [begin, begin + length) of
    // `line`, the line it was given as it stands now.
    void hole(std::string_view line, std::size_t begin, std::size_t length, int source, int value);
    void effect(ValueSlot& slot) {
        if (m_watching) {
            note(&slot, nullptr);
        }
    }
    void effect(int& number) {
        if (m_watching) {
            note(nullptr, &number);
        }
    }
    // The watched call is over, left its line as `line` and staged `bytes`: kept for the
    // event unless the line varies or the budget is spent. Only a hooked event of a finished
    // recording may be named here.
    void keep(std::size_t event, std::string_view bytes, std::string_view line);
    // The watched call is over and is not kept (it sought the input or finished the body).
    void forget() { m_watching = false; }

private:
    struct Effect {
        ValueSlot* slot = nullptr; // one of the two
        int* number = nullptr;
        bool found = false;
        int value = 0;
        std::string text;
    };

    void note(ValueSlot* slot, int* number);
    bool holesHold(std::string_view bytes, std::string_view line) const;
    std::size_t spent() const {
        return m_bytes.size() + m_effects.size() * sizeof(Effect) + m_holes.size() * sizeof(Hole);
    }

    std::uint32_t m_context = 1;
    std::vector<Kept> m_kept; // by event index
    std::string m_bytes;
    std::vector<Effect> m_effects;
    std::vector<Hole> m_holes;
    // The call being watched: whether its line varies, which values it set, which numbers it
    // left open (with their length) and in which line.
    bool m_watching = false;
    bool m_varies = false;
    std::vector<Effect> m_noted;
    struct OpenNumber {
        std::size_t begin;
        std::size_t length;
        int source;
    };
    std::vector<OpenNumber> m_open;
    std::string m_openLine;
};

} // namespace tarvik
