#pragma once

// "Info über Korvane": the program icon, the name with its version, and "OK".

#include <QDialog>

namespace korvane {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersionLine = "Korvane, Version 1.19";

    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace korvane
