#pragma once

// The dialogs that ask for the variant of a KVR860 or FJN860 card found in the configuration
// ("Auswahl der KVR860", "Auswahl der FJN860"). Each shows the question number and the
// position of the card and offers the variants as radio buttons; OK is enabled once one is
// chosen. The caller places the dialog beside the configuration list so that the highlighted
// row stays visible.

#include <QDialog>

#include <vector>

class QButtonGroup;
class QPushButton;

namespace tarvik {

class CVariantDlg : public QDialog {
    Q_OBJECT

public:
    // The chosen variant after OK (0, 1, ...), -1 when the dialog was left otherwise.
    int choice() const;

    // The text line with the question number and the position ("1. KVR860 in Position P4").
    QString positionLine() const { return m_positionLine; }

    // Opens the dialog with its top-left corner at a point of the screen (keeping its size).
    int execAt(const QPoint& topLeft);

protected:
    struct Texts {
        const char* caption;
        const char* prompt;
        const char* inPosition;
        std::vector<const char*> choices;
    };

    CVariantDlg(const Texts& texts, const QString& number, const QString& position,
                QWidget* parent);

private:
    QButtonGroup* m_choices;
    QPushButton* m_ok;
    QString m_positionLine;
};

class CKvrDlg : public CVariantDlg {
    Q_OBJECT

public:
    CKvrDlg(const QString& number, const QString& position, QWidget* parent = nullptr);
};

class CFjnDlg : public CVariantDlg {
    Q_OBJECT

public:
    CFjnDlg(const QString& number, const QString& position, QWidget* parent = nullptr);
};

} // namespace tarvik
