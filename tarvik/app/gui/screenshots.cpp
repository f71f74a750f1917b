// Renders the pictures of tarvik's windows for the documentation and the program icon files,
// on the offscreen platform (no display needed):
//
//     tarvik_screenshots DOCS_DIR ICON_DIR
//
// The main dialog is opened on a sample rack as a user would see it; the questions it asks
// after opening are answered by this program, and the first variant dialog is pictured on
// the way.

#include "common/files/file_ops.h"
#include "tarvik/app/gui/program_icon.h"
#include "tarvik/app/gui/progress_dlg.h"
#include "tarvik/app/gui/systype_dlg.h"
#include "tarvik/app/gui/tarvik_dlg.h"
#include "tarvik/app/gui/variant_dlg.h"
#include "tarvik/config/system_info.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>

using namespace tarvik;

namespace {

// The window's contents under a plain title bar with its icon and caption, as the offscreen
// platform draws no window frames.
QImage framed(QWidget& window) {
    const QPixmap contents = window.grab();
    const int bar = window.fontMetrics().height() + 10;
    QImage image(contents.width() + 2, contents.height() + bar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x5a, 0x63, 0x70));
    QPainter painter(&image);
    const int iconSize = bar - 8;
    painter.drawPixmap(5, 4, programIcon().pixmap(iconSize, iconSize));
    painter.setPen(Qt::white);
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(iconSize + 12, 0, contents.width(), bar), Qt::AlignVCenter,
                     window.windowTitle());
    painter.drawPixmap(1, bar, contents);
    return image;
}

bool save(QWidget& widget, const QString& path) {
    if (!framed(widget).save(path)) {
        std::fprintf(stderr, "tarvik_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

template <typename Button> Button* button(QWidget* window, const QString& text) {
    for (Button* candidate : window->findChildren<Button*>()) {
        if (candidate->text() == text) {
            return candidate;
        }
    }
    return nullptr;
}

// An 860 rack with one expansion housing and the new decoder, with a card of most families.
CSystemInfo sampleRack() {
    CSystemInfo system;
    system.setManual(860, true, false, true);
    struct Card {
        int address;
        CardInfo card;
    };
    const Card cards[] = {{1, {CardType::Kvr860, 0, 0}},  {2, {CardType::Kvr860, 0, 0}},
                          {3, {CardType::Tqd, 1, 0}},     {4, {CardType::Sew, 5, 0}},
                          {5, {CardType::Sew, 96, 0}},    {6, {CardType::Log, 11, 0}},
                          {7, {CardType::Norv860, 0, 0}}, {8, {CardType::Dwb860, 0, 0}},
                          {10, {CardType::Fjn860, 0, 0}}, {14, {CardType::Zupa, 1, 0}},
                          {17, {CardType::Multi, 4, 0}},  {18, {CardType::Jel6, 0, 0}}};
    for (const Card& card : cards) {
        system.slots[card.address] = card.card;
    }
    return system;
}

bool renderSystemChoice(const QString& docs) {
    CSystypeDlg dialog;
    button<QRadioButton>(&dialog, "KPRQ860")->click();
    button<QCheckBox>(&dialog, "mit Erweiterungsgehäuse")->click();
    dialog.show();
    return save(dialog, docs + "/systemauswahl.png");
}

bool renderProgress(const QString& docs) {
    CProgressDlg progress;
    progress.SetStep(QString("Verarbeiten des KVR-Funktionstest-Moduls"), 35);
    progress.detailReport(17, 48);
    return save(progress, docs + "/generierung.png");
}

// Opens the main dialog and answers its first questions: the first variant dialog is
// pictured, every card gets its first variant, the XAB-60V is present. The main dialog is
// pictured once it waits for the user.
bool renderMainDialog(const QString& docs) {
    CSystemInfo system = sampleRack();
    RunInputs inputs;
    inputs.setProgramFolder(kw::programFolder()); // the build puts the templates there
    inputs.targetDirectory = "/home/pruefer/Testmappen";
    CTarvikDlg dialog(system, inputs, {});
    bool ok = true;
    bool variantPictured = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeModalWidget();
        if (auto* variant = qobject_cast<CVariantDlg*>(window)) {
            auto* choice = button<QRadioButton>(variant, "KVR860 mit zwei positiven Netzgeräten");
            if (choice == nullptr) {
                choice = button<QRadioButton>(variant, "FJN860 mit 8 Kanälen");
            }
            choice->click();
            if (!variantPictured) {
                ok = save(*variant, docs + "/auswahl-kvr860.png") && ok;
                variantPictured = true;
            }
            variant->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(window)) {
            if (QAbstractButton* yes = button<QAbstractButton>(box, "Ja")) {
                yes->click();
            } else {
                std::fprintf(stderr, "tarvik_screenshots: %s\n", qPrintable(box->text()));
                ok = false;
                box->reject();
            }
        } else if (window == &dialog && !dialog.model().firstShowPending()) {
            answer.stop();
            ok = save(dialog, docs + "/hauptdialog.png") && ok;
            dialog.reject();
        }
    });
    answer.start(10);
    dialog.exec();
    return ok && variantPictured;
}

bool renderIcons(const QString& iconDir) {
    bool ok = true;
    for (const int size : {48, 128, 256}) {
        const QString path = QString("%1/tarvik-%2.png").arg(iconDir).arg(size);
        ok = programIconImage(size).save(path) && ok;
        std::printf("%s\n", qPrintable(path));
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: tarvik_screenshots DOKU_VERZEICHNIS ICON_VERZEICHNIS\n");
        return 2;
    }
    QApplication::setFont(QFont("DejaVu Sans", 9));
    QApplication::setWindowIcon(programIcon());
    const QString docs = QString::fromLocal8Bit(argv[1]);
    const QString icons = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(docs);
    QDir().mkpath(icons);
    const bool ok = renderSystemChoice(docs) && renderMainDialog(docs) &&
                    renderProgress(docs) && renderIcons(icons);
    return ok ? 0 : 1;
}
