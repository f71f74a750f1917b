#include "tarvik/app/gui/tarvik_dlg.h"

#include "tarvik/app/gui/browse_for_folder_dialog.h"
#include "tarvik/app/gui/caption_width.h"
#include "tarvik/app/gui/program_icon.h"
#include "tarvik/app/gui/qt_user_interface.h"
#include "tarvik/app/gui/variant_dlg.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/documentation.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <thread>

namespace tarvik {

namespace {

// Where the label "Selbsttest:" stands, in average character widths from the list's left
// edge: room for the position, the card name and its detail of the usual cards.
constexpr int kModuleLabelChars = 36;

const char* const kBrowseTitle = "Geben Sie hier den Pfad zur Testmappe an.";

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CTarvikDlg::CTarvikDlg(CSystemInfo& system, RunInputs inputs, GenerationStarter starter,
                       QWidget* parent)
    : QDialog(parent), m_model(system, std::move(inputs), std::move(starter)) {
    setObjectName("tarvikDialog");
    setWindowIcon(programIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    m_body = new QWidget(this);
    auto* bodyLayout = new QVBoxLayout(m_body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addWidget(buildListArea(), 1);
    bodyLayout->addWidget(buildFields());
    bodyLayout->addWidget(buildButtons());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_body);
    setTabOrderAsShown();
    fillList();
    setWindowTitle(qText(m_model.caption()));
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * 80, metrics.height() * 36);
}

QWidget* CTarvikDlg::buildListArea() {
    auto* area = new QWidget(m_body);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);

    // The two labels above the list; "Selbsttest:" stands at a fixed distance from the
    // list's edge, and the fourth column is moved below it.
    auto* labels = new QWidget(area);
    auto* structure = new QLabel("Systemausbau:", labels);
    m_moduleLabel = new QLabel("Selbsttest:", labels);
    m_moduleLabel->setObjectName("moduleLabel");
    m_moduleLabel->move(fontMetrics().averageCharWidth() * kModuleLabelChars, 0);
    labels->setMinimumHeight(structure->sizeHint().height());
    layout->addWidget(labels);

    m_list = new QTreeWidget(area);
    m_list->setObjectName("configurationList");
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({"Position", "Karte", "Info", "Selbsttest"});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // The focus frame marks the cell under the keyboard focus: Left and Right move it between
    // the columns, and the menu key opens the menu of that column.
    m_list->setAllColumnsShowFocus(false);
    m_list->installEventFilter(this);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionsMovable(false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CTarvikDlg::showContextMenu);
    layout->addWidget(m_list, 1);

    m_xabLabel = new QLabel(kXab60VLabel, area);
    m_xabLabel->setObjectName("xabLabel");
    m_xabLabel->hide();
    layout->addWidget(m_xabLabel);
    return area;
}

QWidget* CTarvikDlg::buildFields() {
    const RunInputs& inputs = m_model.inputs();
    auto* fields = new QWidget(m_body);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);

    m_targetDirectory = new QLineEdit(QString::fromStdString(inputs.targetDirectory.string()));
    m_targetDirectory->setObjectName("targetDirectory");
    auto* browse = new QPushButton("...", fields);
    browse->setObjectName("browseButton");
    browse->setAutoDefault(false);
    browse->setMaximumWidth(browse->fontMetrics().averageCharWidth() * 6);
    connect(browse, &QPushButton::clicked, this, &CTarvikDlg::browseTargetDirectory);
    grid->addWidget(new QLabel("Testmappenverzeichnis:"), 0, 0);
    grid->addWidget(m_targetDirectory, 0, 1);
    grid->addWidget(browse, 0, 2);

    m_projectName = new QLineEdit(qText(inputs.projectName));
    m_projectName->setObjectName("projectName");
    grid->addWidget(new QLabel("Name der Testmappe:"), 1, 0);
    grid->addWidget(m_projectName, 1, 1);

    auto* options = new QHBoxLayout;
    m_generateCal = new QCheckBox("CAL-Test generieren", fields);
    m_generateCal->setObjectName("generateCal");
    m_generateCal->setChecked(inputs.generateCal);
    options->addWidget(m_generateCal);
    m_instrument = new QButtonGroup(fields);
    for (const auto& [id, text] : {std::pair{Instrument::Keysight3458A, "Keysight 3458A"},
                                   std::pair{Instrument::Keithley2000, "Keithley 2000"}}) {
        auto* button = new QRadioButton(text, fields);
        button->setObjectName(id == Instrument::Keysight3458A ? "keysight" : "keithley");
        button->setChecked(id == inputs.instrument);
        button->setEnabled(inputs.generateCal);
        m_instrument->addButton(button, id);
        options->addWidget(button);
    }
    options->addStretch();
    connect(m_generateCal, &QCheckBox::toggled, this, [this](bool checked) {
        for (QAbstractButton* button : m_instrument->buttons()) {
            button->setEnabled(checked);
        }
    });
    grid->addLayout(options, 2, 0, 1, 3);
    return fields;
}

QWidget* CTarvikDlg::buildButtons() {
    auto* row = new QWidget(m_body);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* about = new QPushButton("Inf&o über Tarvik...", row);
    about->setObjectName("aboutButton");
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, this, &CTarvikDlg::showAbout);
    auto* generate = new QPushButton("Generieren", row);
    generate->setObjectName("generateButton");
    generate->setDefault(true);
    connect(generate, &QPushButton::clicked, this, &CTarvikDlg::generate);
    auto* quit = new QPushButton("Beenden", row);
    quit->setObjectName("quitButton");
    quit->setAutoDefault(false);
    connect(quit, &QPushButton::clicked, this, &CTarvikDlg::reject);
    layout->addWidget(about);
    layout->addStretch();
    layout->addWidget(generate);
    layout->addWidget(quit);
    return row;
}

// Tab walks the controls as they stand on screen: the list, the directory field and its
// "...", the name, the options, then the buttons from left to right.
void CTarvikDlg::setTabOrderAsShown() {
    std::vector<QWidget*> order{m_list, m_targetDirectory, findChild<QWidget*>("browseButton"),
                                m_projectName, m_generateCal};
    for (QAbstractButton* button : m_instrument->buttons()) {
        order.push_back(button);
    }
    for (const char* name : {"aboutButton", "generateButton", "quitButton"}) {
        order.push_back(findChild<QWidget*>(name));
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

bool CTarvikDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex current = m_list->currentIndex();
        if ((key == Qt::Key_Left || key == Qt::Key_Right) && current.isValid()) {
            const int column = std::clamp(current.column() + (key == Qt::Key_Left ? -1 : 1), 0,
                                          m_list->columnCount() - 1);
            const QModelIndex cell = current.siblingAtColumn(column);
            m_list->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
            m_list->scrollTo(cell);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int CTarvikDlg::exec() {
    const auto missing = m_model.missingTemplateMessages();
    for (const std::string& message : missing) {
        showMessageBox(parentWidget(), qText(message), QMessageBox::Warning, nullptr);
    }
    if (!missing.empty()) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CTarvikDlg::fillList() {
    m_list->clear();
    const ConfigurationList& list = m_model.list();
    for (int row = 0; row < list.rowCount(); ++row) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setData(0, Qt::UserRole, list.positionOfRow(row));
        showRow(row);
    }
    resizeNameColumns();
}

// Columns 0 to 2 of a row; the module column is filled by fillModuleColumn.
void CTarvikDlg::showRow(int row) {
    m_list->topLevelItem(row)->setText(ListColumn::Position,
                                       qText(m_model.list().rowTexts(row).position));
    showCardColumns(row);
}

void CTarvikDlg::showCardColumns(int row) {
    const RowTexts texts = m_model.list().rowTexts(row);
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    item->setText(ListColumn::Card, qText(texts.card));
    item->setText(ListColumn::Detail, qText(texts.detail));
}

void CTarvikDlg::resizeNameColumns() {
    for (int column = ListColumn::Position; column <= ListColumn::Detail; ++column) {
        m_list->resizeColumnToContents(column);
    }
}

int CTarvikDlg::moduleLabelOffset() const {
    return m_moduleLabel->mapTo(this, QPoint(0, 0)).x() -
           m_list->viewport()->mapTo(this, QPoint(0, 0)).x();
}

void CTarvikDlg::fillModuleColumn() {
    for (int row = 0; row < m_model.list().rowCount(); ++row) {
        m_list->topLevelItem(row)->setText(ListColumn::Module,
                                           qText(m_model.list().rowTexts(row).module));
    }
    m_list->resizeColumnToContents(ListColumn::Module);
    m_list->setColumnWidth(ListColumn::Detail,
                           widenedDetailWidth(m_list->columnWidth(ListColumn::Position),
                                              m_list->columnWidth(ListColumn::Card),
                                              m_list->columnWidth(ListColumn::Detail),
                                              moduleLabelOffset()));
}

void CTarvikDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_model.firstShowPending()) {
        // Asked as soon as the dialog's own event loop runs, so that the dialog is on the
        // screen behind the questions.
        QTimer::singleShot(0, this, &CTarvikDlg::runFirstShowQuestions);
    }
}

void CTarvikDlg::runFirstShowQuestions() {
    if (!m_model.firstShowPending()) {
        return;
    }
    for (const VariantQuestion& question : m_model.beginFirstShow()) {
        QTreeWidgetItem* item = m_list->topLevelItem(question.row);
        m_list->scrollToItem(item);
        m_list->setCurrentItem(item);
        item->setSelected(true);
        m_model.applyVariantChoice(question, askVariant(question));
        item->setSelected(false);
        showCardColumns(question.row);
        m_list->resizeColumnToContents(ListColumn::Detail);
    }
    if (m_model.asksForXab60V()) {
        UserInterface::Buttons yesNo = UserInterface::Buttons::YesNo;
        const bool present = showMessageBox(this, kXab60VQuestion, QMessageBox::Question, &yesNo);
        m_model.setXab60V(present);
        m_xabLabel->setVisible(present);
    }
    fillModuleColumn();
}

QPoint CTarvikDlg::variantDialogPosition() const {
    return m_list->mapToGlobal(QPoint(m_list->width(), 0));
}

int CTarvikDlg::askVariant(const VariantQuestion& question) {
    const QString number = qText(question.number);
    const QString position = qText(question.positionName);
    if (question.kind == VariantKind::Kvr) {
        CKvrDlg dialog(number, position, this);
        dialog.execAt(variantDialogPosition());
        return dialog.choice();
    }
    CFjnDlg dialog(number, position, this);
    dialog.execAt(variantDialogPosition());
    return dialog.choice();
}

void CTarvikDlg::showContextMenu(const QPoint& pos) {
    QTreeWidgetItem* item = m_list->itemAt(pos);
    const int row = item != nullptr ? m_list->indexOfTopLevelItem(item) : -1;
    const ConfigurationList::Menu menu = m_model.list().contextMenu(row, m_list->columnAt(pos.x()));
    if (menu.kind == ConfigurationList::MenuKind::None) {
        return;
    }
    QMenu popup(this);
    popup.setObjectName("configurationMenu");
    std::vector<QAction*> actions;
    for (const std::string& entry : menu.entries) {
        actions.push_back(popup.addAction(qText(entry)));
    }
    QAction* chosen = popup.exec(m_list->viewport()->mapToGlobal(pos));
    const auto found = std::find(actions.begin(), actions.end(), chosen);
    if (chosen == nullptr || found == actions.end()) {
        return;
    }
    applyChange(m_model.list().choose(menu, static_cast<int>(found - actions.begin())), row);
}

void CTarvikDlg::applyChange(ConfigurationList::Change change, int row) {
    switch (change) {
    case ConfigurationList::Change::RowAdded: {
        const int added = m_model.list().rowCount() - 1;
        auto* item = new QTreeWidgetItem(m_list);
        item->setData(0, Qt::UserRole, m_model.list().positionOfRow(added));
        item->setText(ListColumn::Position, qText(m_model.list().rowTexts(added).position));
        break;
    }
    case ConfigurationList::Change::CardChanged:
        showCardColumns(row);
        resizeNameColumns();
        fillModuleColumn();
        break;
    case ConfigurationList::Change::ModulesChanged:
        fillModuleColumn();
        break;
    case ConfigurationList::Change::None:
        break;
    }
}

void CTarvikDlg::takeFields() {
    RunInputs& inputs = m_model.inputs();
    inputs.targetDirectory = m_targetDirectory->text().toStdString();
    inputs.projectName = m_projectName->text().toStdString();
    inputs.generateCal = m_generateCal->isChecked();
    inputs.instrument = m_instrument->checkedId();
}

void CTarvikDlg::browseTargetDirectory() {
    takeFields();
    const auto folder = CBrowseForFolderDialog::browse(
        this, kBrowseTitle, QString::fromStdString(m_model.inputs().targetDirectory.string()));
    if (folder) {
        m_model.inputs().targetDirectory = folder->toStdString();
        m_targetDirectory->setText(*folder);
    }
}

void CTarvikDlg::generate() {
    if (m_generating) {
        return;
    }
    takeFields();
    m_generating = true;
    // The run works on a worker thread while this thread paints the windows and answers
    // them; the run reaches the user only through its QtUserInterface. Clicks into the
    // dialog must not start anything until it is over.
    m_body->setEnabled(false);
    bool succeeded = false;
    {
        QtUserInterface ui(this);
        QEventLoop untilDone;
        std::thread worker([&] {
            succeeded = m_model.generate(ui);
            QMetaObject::invokeMethod(&untilDone, &QEventLoop::quit, Qt::QueuedConnection);
        });
        untilDone.exec();
        worker.join();
    }
    m_body->setEnabled(true);
    m_generating = false;
    if (succeeded) {
        accept();
    }
}

void CTarvikDlg::reject() {
    if (!m_generating) {
        QDialog::reject();
    }
}

void CTarvikDlg::closeEvent(QCloseEvent* event) {
    if (m_generating) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CTarvikDlg::showAbout() {
    QMessageBox box(QMessageBox::NoIcon, "Info über Tarvik",
                    qText("Tarvik " + programVersion() +
                          "\nVorlagen: " + templateVersion(m_model.inputs().programFolder)),
                    QMessageBox::Ok, this);
    box.setObjectName("aboutBox");
    box.setIconPixmap(programIcon().pixmap(64, 64));
    box.button(QMessageBox::Ok)->setText("OK");
    // The box is as wide as its whole caption needs.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(captionWidth(box), 0, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    box.exec();
}

} // namespace tarvik
