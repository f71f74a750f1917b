#pragma once

// The folder chooser: the file system's folder tree with the initial folder selected and the
// path of the current selection as a status line below the tree.

#include <QDialog>

#include <optional>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

class CBrowseForFolderDialog : public QDialog {
    Q_OBJECT

public:
    // The initial folder is selected; when it does not exist, its nearest existing parent.
    CBrowseForFolderDialog(const QString& title, const QString& initialFolder,
                           QWidget* parent = nullptr);

    // The selected folder (empty when none is selected).
    QString selectedFolder() const;

    // Selects a folder as a click in the tree would.
    void selectFolder(const QString& folder);

    // Runs the dialog; the chosen folder, or nothing when it was cancelled.
    static std::optional<QString> browse(QWidget* parent, const QString& title,
                                         const QString& initialFolder);

private:
    void showSelection();

    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_status;
    QPushButton* m_ok;
};
