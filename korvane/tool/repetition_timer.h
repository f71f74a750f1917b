#pragma once

namespace korvane {

// The periodic timer of a repeated send or receive, as the main dialog's logic sees it. The
// front end's timer runs outside the user-interface thread and only posts tick requests; the
// dialog does the bus access when it handles them (KorvaneDialogModel::onTick). Once stop()
// has returned, no tick of the stopped repetition reaches the dialog any more.

// The two requests, numbered as the dialog's messages were.
enum class TickKind { Send = 0x500, Receive = 0x501 };

class RepetitionTimer {
public:
    virtual ~RepetitionTimer() = default;
    // Starts ticking every periodMs milliseconds (a running repetition is replaced). False when
    // the timer cannot run with that period.
    virtual bool start(unsigned periodMs, TickKind kind) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // The smallest period the timer offers; 0 when it could not be found out.
    virtual unsigned minPeriodMs() const = 0;
};

} // namespace korvane
