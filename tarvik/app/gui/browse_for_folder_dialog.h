#pragma once

// The folder chooser: the file system's folder tree with the initial folder selected and the
// path of the current selection as a status line below the tree.

#include <QDialog>

#include <optional>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace tarvik {

class CBrowseForFolderDialog : public QDialog {
    Q_OBJECT

public:
    // The initial folder is selected; when it does not exist, its nearest existing parent.
    CBrowseForFolderDialog(const QString& title, const QString& initialFolder,
                           QWidget* parent = nullptr);

    // The selected folder (empty when none is selected).
    QString selectedFolder() const;

    // Selects a folder as a click in the tree would, and shows it: the folders above it are
    // expanded and it is scrolled into the middle of the tree.
    void selectFolder(const QString& folder);

    // Runs the dialog; the chosen folder, or nothing when it was cancelled.
    static std::optional<QString> browse(QWidget* parent, const QString& title,
                                         const QString& initialFolder);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSelection();
    void reveal(const QString& folder);

    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_status;
    QPushButton* m_ok;
    QString m_revealing; // the initial folder, until the user selects another one
};

} // namespace tarvik
