#pragma once

// How the generation run reaches the user. The run produces every text; a front end only
// shows it: the Qt front end with message boxes and the progress window, the batch front end
// on the terminal, tests with a scripted fake.

#include <optional>
#include <string>

namespace tarvik {

class UserInterface {
public:
    enum class Icon { Information, Warning };
    // OkCancel defaults to Cancel, YesNo to No.
    enum class Buttons { OkCancel, YesNo };

    virtual ~UserInterface() = default;

    virtual void message(const std::string& text, Icon icon) = 0;

    // True for OK or Yes.
    virtual bool question(const std::string& text, Buttons buttons) = 0;

    // Progress window: a new step (the text line unchanged when none is given) sets the main
    // bar to percent and empties the detail bar; both show the window.
    virtual void setStep(const std::optional<std::string>& text, int percent) = 0;
    virtual void detailReport(int done, int total) = 0;
    virtual void hideProgress() = 0;
    // The run is over; the window goes and the normal cursor returns. A front end with nothing
    // to undo but the progress shown only hides it.
    virtual void endProgress() { hideProgress(); }
};

} // namespace tarvik
