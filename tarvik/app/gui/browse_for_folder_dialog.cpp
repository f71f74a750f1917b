#include "tarvik/app/gui/browse_for_folder_dialog.h"

#include "tarvik/app/gui/caption_width.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tarvik {

namespace {

// The folder itself when it exists, else its nearest existing parent, else the root.
QString existingFolder(const QString& folder) {
    QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) {
            break;
        }
        path = parent;
    }
    return QFileInfo(path).isDir() ? path : QDir::rootPath();
}

} // namespace

CBrowseForFolderDialog::CBrowseForFolderDialog(const QString& title, const QString& initialFolder,
                                               QWidget* parent)
    : QDialog(parent), m_model(new QFileSystemModel(this)), m_tree(new QTreeView(this)),
      m_status(new QLabel(this)) {
    setObjectName("browseForFolderDialog");
    setWindowTitle(title);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QDir::rootPath());
    m_tree->setModel(m_model);
    m_tree->setRootIndex(m_model->index(QDir::rootPath()));
    for (int column = 1; column < m_model->columnCount(); ++column) {
        m_tree->hideColumn(column);
    }
    m_tree->header()->hide();
    m_status->setObjectName("selectionPath");
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Abbrechen");
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(title, this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 60, fontMetrics().height() * 28);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CBrowseForFolderDialog::showSelection);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The folders are read in the background: the rows above the initial folder come in
    // after it has been selected and push it out of sight, so it is shown again as each
    // folder on its way is read.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        const QString prefix = loaded.endsWith('/') ? loaded : loaded + '/';
        if (!m_revealing.isEmpty() && (m_revealing == loaded || m_revealing.startsWith(prefix))) {
            reveal(m_revealing);
        }
    });
    // A folder's rows are sorted after it has been read, which again moves the initial folder.
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        if (!m_revealing.isEmpty()) {
            reveal(m_revealing);
        }
    });
    // The whole caption stays readable in the title bar.
    setMinimumWidth(captionWidth(*this));
    selectFolder(existingFolder(initialFolder));
    m_revealing =
        selectedFolder().isEmpty() ? QString() : m_model->filePath(m_tree->currentIndex());
    showSelection();
}

void CBrowseForFolderDialog::selectFolder(const QString& folder) {
    const QModelIndex index = m_model->index(folder);
    if (!index.isValid()) {
        return;
    }
    m_revealing.clear();
    m_tree->setCurrentIndex(index);
    reveal(m_model->filePath(index));
}

// Expands every folder above the selected one and scrolls it to the middle of the tree.
void CBrowseForFolderDialog::reveal(const QString& folder) {
    const QModelIndex index = m_model->index(folder);
    if (!index.isValid()) {
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        m_tree->expand(parent);
    }
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void CBrowseForFolderDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_tree->currentIndex().isValid()) {
        reveal(m_model->filePath(m_tree->currentIndex()));
    }
}

QString CBrowseForFolderDialog::selectedFolder() const {
    const QModelIndex index = m_tree->currentIndex();
    return index.isValid() ? QDir::toNativeSeparators(m_model->filePath(index)) : QString();
}

void CBrowseForFolderDialog::showSelection() {
    if (m_model->filePath(m_tree->currentIndex()) != m_revealing) {
        m_revealing.clear(); // the user chose another folder: the tree stays where it is
    }
    const QString folder = selectedFolder();
    m_status->setText(folder);
    m_ok->setEnabled(!folder.isEmpty());
}

std::optional<QString> CBrowseForFolderDialog::browse(QWidget* parent, const QString& title,
                                                      const QString& initialFolder) {
    CBrowseForFolderDialog dialog(title, initialFolder, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFolder().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFolder();
}

} // namespace tarvik
