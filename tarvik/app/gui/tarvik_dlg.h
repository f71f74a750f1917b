#pragma once

// The main dialog of tarvik: the configuration list with its right-click menus, the fields
// of the generation run and the buttons "Generieren" and "Beenden". The logic lives in
// MainDialogModel; this class shows it and forwards the user's actions.

#include "tarvik/app/main_dialog_model.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvik {

class CTarvikDlg : public QDialog {
    Q_OBJECT

public:
    CTarvikDlg(CSystemInfo& system, RunInputs inputs, GenerationStarter starter,
               QWidget* parent = nullptr);

    // Runs the dialog modally. When a template folder is missing, its message is shown and
    // the dialog closes without being shown (Rejected).
    int exec() override;

    MainDialogModel& model() { return m_model; }
    QTreeWidget* configurationList() const { return m_list; }

    // Where the variant dialogs open: the top-right corner of the configuration list.
    QPoint variantDialogPosition() const;

    // Distance from the list's left edge to the label "Selbsttest:".
    int moduleLabelOffset() const;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildListArea();
    QWidget* buildFields();
    QWidget* buildButtons();
    void setTabOrderAsShown();
    void fillList();
    void showRow(int row);
    void showCardColumns(int row);
    void fillModuleColumn();
    void resizeNameColumns();
    void runFirstShowQuestions();
    int askVariant(const VariantQuestion& question);
    void showContextMenu(const QPoint& pos);
    void applyChange(ConfigurationList::Change change, int row);
    void takeFields();
    void browseTargetDirectory();
    void generate();
    void showAbout();

    MainDialogModel m_model;
    bool m_generating = false;
    QWidget* m_body = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_moduleLabel = nullptr;
    QLabel* m_xabLabel = nullptr;
    QLineEdit* m_targetDirectory = nullptr;
    QLineEdit* m_projectName = nullptr;
    QCheckBox* m_generateCal = nullptr;
    QButtonGroup* m_instrument = nullptr;
};

} // namespace tarvik
