#pragma once

namespace tarvik {

// The progress reporter of a generation run. The run registers one reporter process-wide
// before the first module is rewritten; every module-file handler then reports, after each
// step it has written, how many steps of its module are written and how many it expects.
// The progress window implements the reporter; without a registered reporter nothing is
// reported.

class CProgHandler {
public:
    virtual ~CProgHandler() = default;

    // Called after every written step: `done` steps of `total` expected ones (total may be
    // 0 or smaller than done when a template's count was wrong; the reporter must cope).
    virtual void report(int done, int total) = 0;
};

// Sets the process-wide reporter (nullptr: none). Not owned.
void registerProgHandler(CProgHandler* handler);

// The registered reporter, or nullptr.
CProgHandler* registeredProgHandler();

// Registers a reporter for the lifetime of this object and restores the one registered
// before it afterwards (a run, or a test, that ends early leaves no dangling registration).
class ScopedProgHandler {
public:
    explicit ScopedProgHandler(CProgHandler* handler);
    ~ScopedProgHandler();
    ScopedProgHandler(const ScopedProgHandler&) = delete;
    ScopedProgHandler& operator=(const ScopedProgHandler&) = delete;

private:
    CProgHandler* m_previous;
};

} // namespace tarvik
