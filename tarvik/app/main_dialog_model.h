#pragma once

// The main dialog of tarvik without widgets: its fields (the run inputs), the caption, the
// checks of the template folders when it opens, the questions asked once after it is shown
// (the variant of every KVR860 and FJN860 card, then the XAB-60V) and the start of the
// generation run behind "Generieren". The widgets show this model and forward the user's
// actions to it.

#include "tarvik/app/configuration_list.h"
#include "tarvik/generation/run_inputs.h"

#include <functional>
#include <string>
#include <vector>

namespace tarvik {

class CSystemInfo;
class UserInterface;

// The run behind "Generieren": true when every Testmappe was generated.
using GenerationStarter =
    std::function<bool(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui)>;

// The fields of a newly opened main dialog: the templates beside the program and the default
// target directory.
RunInputs initialRunInputs(const std::filesystem::path& programFolder);

enum class VariantKind { Kvr, Fjn };

// One of the questions for the variant of a KVR860 or FJN860 card.
struct VariantQuestion {
    int row = 0;
    VariantKind kind = VariantKind::Kvr;
    std::string number;       // "1.", "2.", ... counting both kinds together
    std::string positionName; // "P4"
};

extern const char* const kXab60VQuestion;
extern const char* const kXab60VLabel;

class MainDialogModel {
public:
    MainDialogModel(CSystemInfo& system, RunInputs inputs, GenerationStarter starter);

    ConfigurationList& list() { return m_list; }
    CSystemInfo& system() { return m_list.system(); }
    RunInputs& inputs() { return m_inputs; }

    // "Kontrollwerk " followed by the template version.
    std::string caption() const;

    // The messages for missing template folders, in the order they are shown; the dialog
    // closes after them when there are any.
    std::vector<std::string> missingTemplateMessages() const;

    // The questions run once, after the dialog is first shown.
    bool firstShowPending() const { return m_firstShowPending; }
    // Clears the pending flag and gives the variant questions in row order.
    std::vector<VariantQuestion> beginFirstShow();
    // Stores the answer of a variant question (choice -1: nothing chosen, nothing changes).
    void applyVariantChoice(const VariantQuestion& question, int choice);
    // Whether the XAB-60V question is asked (not for 945 and 930 systems).
    bool asksForXab60V() const;
    void setXab60V(bool present);

    // Runs the generation with the current fields; true when the dialog may close.
    bool generate(UserInterface& ui);

private:
    ConfigurationList m_list;
    RunInputs m_inputs;
    GenerationStarter m_starter;
    bool m_firstShowPending = true;
};

} // namespace tarvik
