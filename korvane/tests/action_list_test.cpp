#include "korvane/tool/action_drag.h"
#include "korvane/tool/action_list_model.h"

#include "common/text/line_file.h"
#include "fake_bus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

class ActionListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("korvane-actions-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path file(const std::string& name) const { return m_dir / name; }

    void write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::vector<std::string> names(const ActionListModel& model) {
        std::vector<std::string> result;
        for (int i = 0; i < model.count(); ++i) {
            result.push_back(model.action(i).text());
        }
        return result;
    }

    static void fill(ActionListModel& model, std::initializer_list<const char*> labels) {
        int data = 0;
        for (const char* label : labels) {
            CAction action;
            action.setSend(0, 0, 0, data++, 0, label);
            model.appendAction(action, false);
        }
    }

private:
    fs::path m_dir;
};

// Remembers what the model told a view.
struct RecordingView : ActionListObserver {
    void rowInserted(int index) override { events.push_back("insert " + std::to_string(index)); }
    void rowRemoved(int index) override { events.push_back("remove " + std::to_string(index)); }
    void rowsCleared() override { events.push_back("clear"); }
    void resultShown(int index) override { events.push_back("result " + std::to_string(index)); }
    void labelEditRequested(int index) override {
        events.push_back("edit " + std::to_string(index));
    }
    std::vector<std::string> events;
};

} // namespace

TEST_F(ActionListTest, NewActionsAreNamedAndOpenTheLabelEditor) {
    ActionListModel model;
    RecordingView view;
    model.setObserver(&view);
    model.newSendAction(1, 2, 3, 4, 10);
    model.newReceiveAction(5, 6, 7, 0);
    ASSERT_EQ(2, model.count());
    EXPECT_EQ("1,2,3,4,10; Neue Aktion", model.action(0).toText());
    EXPECT_EQ("5,6,7,?,0; Neue Aktion", model.action(1).toText());
    EXPECT_EQ(0, model.action(1).result());
    EXPECT_EQ((std::vector<std::string>{"insert 0", "edit 0", "insert 1", "edit 1"}), view.events);
}

TEST_F(ActionListTest, InsertCopiesAllFieldsAndClampsTheIndex) {
    ActionListModel model;
    CAction action;
    action.setReceive(1, 2, 3, 4, "Lesen");
    action.setResult(99);
    EXPECT_EQ(0, model.insertAction(5, action));
    EXPECT_EQ(0, model.insertAction(-3, action));
    EXPECT_EQ(action, model.action(1));
}

TEST_F(ActionListTest, SelectionFollowsInsertsAndDeletes) {
    ActionListModel model;
    fill(model, {"a", "b", "c"});
    EXPECT_EQ(nullptr, model.selectedAction());
    EXPECT_EQ("", model.selectedText());
    model.deleteSelected(); // nothing selected: nothing happens
    EXPECT_EQ(3, model.count());
    model.select(1);
    model.insertAction(0, CAction());
    EXPECT_EQ("b", model.selectedText());
    model.deleteRow(0);
    EXPECT_EQ("b", model.selectedText());
    model.deleteSelected();
    EXPECT_EQ((std::vector<std::string>{"a", "c"}), names(model));
    EXPECT_EQ(-1, model.selectedIndex());
    model.select(1);
    model.setLabel(1, "");
    EXPECT_EQ("", model.selectedText());
}

TEST_F(ActionListTest, MoveLandsBeforeTheTargetRow) {
    ActionListModel model;
    fill(model, {"r0", "r1", "r2", "r3", "r4"});
    model.moveAction(0, 3);
    EXPECT_EQ((std::vector<std::string>{"r1", "r2", "r0", "r3", "r4"}), names(model));
    model.moveAction(3, 0);
    EXPECT_EQ((std::vector<std::string>{"r3", "r1", "r2", "r0", "r4"}), names(model));
    model.moveAction(7, 0);
    model.moveAction(-1, 0);
    EXPECT_EQ(5, model.count());
}

TEST_F(ActionListTest, MovedRowKeepsResultButShowsNoCell) {
    ActionListModel model;
    FakeBus bus;
    bus.memory[{0, 1, 2}] = 33;
    CAction receive;
    receive.setReceive(0, 1, 2, 0, "lesen");
    model.appendAction(receive, false);
    fill(model, {"x", "y"});
    model.executeAll(&bus);
    EXPECT_EQ("33", model.resultText(0));
    model.moveAction(0, 2);
    EXPECT_EQ("", model.resultText(1));
    EXPECT_EQ(33, model.action(1).result());
}

TEST_F(ActionListTest, DraggingDownSelectsTheRowAtTheDropIndex) {
    ActionListModel model;
    fill(model, {"r0", "r1", "r2", "r3", "r4"});
    ActionDragTracker drag;
    ASSERT_TRUE(drag.begin(0, true));
    drag.move(3, false, false, 0);
    drag.release(model);
    EXPECT_FALSE(drag.isDragging());
    EXPECT_EQ("r0", model.action(2).text());
    EXPECT_EQ(3, model.selectedIndex());
    EXPECT_EQ("r3", model.selectedText());
}

TEST_F(ActionListTest, DraggingUpSelectsTheMovedRow) {
    ActionListModel model;
    fill(model, {"r0", "r1", "r2", "r3", "r4"});
    ActionDragTracker drag;
    drag.begin(3, true);
    drag.move(1, false, false, 0);
    drag.move(-1, false, false, 0); // outside all rows: drop index stays
    drag.move(0, false, false, 0);
    drag.release(model);
    EXPECT_EQ((std::vector<std::string>{"r3", "r0", "r1", "r2", "r4"}), names(model));
    EXPECT_EQ(0, model.selectedIndex());
}

TEST_F(ActionListTest, DragWithoutImageLostCaptureOrSameRowMovesNothing) {
    ActionListModel model;
    fill(model, {"r0", "r1", "r2"});
    ActionDragTracker drag;
    EXPECT_FALSE(drag.begin(0, false));
    drag.move(2, false, false, 0);
    drag.release(model);
    drag.begin(0, true);
    drag.move(2, false, false, 0);
    drag.captureLost();
    drag.release(model);
    drag.begin(1, true);
    drag.move(2, false, false, 0);
    drag.move(1, false, false, 0);
    drag.release(model);
    EXPECT_EQ((std::vector<std::string>{"r0", "r1", "r2"}), names(model));
    EXPECT_EQ(-1, model.selectedIndex());
}

TEST_F(ActionListTest, AutoScrollDirectionAndTimer) {
    using Change = ActionDragTracker::TimerChange;
    ActionDragTracker drag;
    drag.begin(5, true);
    EXPECT_EQ(Change::Keep, drag.move(6, false, false, 2));
    EXPECT_EQ(AutoScroll::None, drag.direction());
    EXPECT_EQ(Change::Start, drag.move(-1, false, true, 2));
    EXPECT_EQ(AutoScroll::Down, drag.direction());
    EXPECT_EQ(Change::Keep, drag.move(-1, true, false, 2));
    EXPECT_EQ(AutoScroll::Up, drag.direction());
    // A drop row above the topmost visible row scrolls up as well.
    EXPECT_EQ(Change::Keep, drag.move(1, false, false, 2));
    EXPECT_EQ(AutoScroll::Up, drag.direction());
    EXPECT_EQ(Change::Stop, drag.move(3, false, false, 2));
    EXPECT_FALSE(drag.timerRunning());
    drag.move(-1, false, true, 2);
    drag.captureLost();
    EXPECT_FALSE(drag.timerRunning());
    EXPECT_EQ(Change::Keep, drag.move(-1, false, true, 2)); // no longer dragging
}

TEST_F(ActionListTest, ExecuteAllRunsEveryRowOnceInOrder) {
    ActionListModel model;
    RecordingView view;
    FakeBus bus;
    bus.memory[{0, 9, 1}] = 7;
    model.newSendAction(0, 9, 1, 200, 0);
    model.newReceiveAction(0, 9, 1, 0);
    model.newReceiveAction(0, 9, 2, 0);
    // Outside the bus's ranges: cut down, they would be other words ("0,5,19,7" as function
    // 3). They are not sent, and their pause is not made either.
    model.newSendAction(0, 5, 19, 7, 0);
    model.newReceiveAction(0, 70000, 1, 2000);
    model.newSendAction(64, 1, 1, 1, 0);
    model.newSendAction(0, 1, 1, 65793, 0);
    EXPECT_EQ("", model.resultText(0));
    model.setObserver(&view);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(4, model.executeAll(&bus));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ((std::vector<std::string>{"W 0 9 1 200", "R 0 9 1 200", "R 0 9 2 0"}), bus.log);
    EXPECT_EQ("0", model.resultText(0));
    EXPECT_EQ("200", model.resultText(1));
    EXPECT_EQ("0", model.resultText(2));
    const std::vector<std::string> refusals{
        "Funktionsadresse 19 liegt nicht in 0-15", "Kartenadresse 70000 liegt nicht in 0-63",
        "Systemadresse 64 liegt nicht in 0-63", "Daten 65793 liegt nicht in 0-255"};
    for (int row = 3; row < 7; ++row) {
        EXPECT_EQ("nicht gesendet", model.resultText(row));
        EXPECT_EQ(refusals[row - 3], model.refusal(row));
    }
    EXPECT_EQ((std::vector<std::string>{"result 0", "result 1", "result 2", "result 3", "result 4",
                                        "result 5", "result 6"}),
              view.events);
}

TEST_F(ActionListTest, ExecuteWithoutInterfaceStillWritesTheCells) {
    ActionListModel model;
    CAction action;
    action.setReceive(0, 0, 0, 2000);
    action.setResult(5);
    model.appendAction(action, false);
    const auto start = std::chrono::steady_clock::now();
    model.executeAll(nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ("5", model.resultText(0));
}

TEST_F(ActionListTest, SaveWritesWindows1252WithCrLfAndLoadReadsItBack) {
    ActionListModel model;
    CAction action;
    action.setSend(0, 5, 3, 170, 10, "Relais ein für Prüfung");
    model.appendAction(action, false);
    action.setReceive(0, 5, 3, 0, "Größe  ");
    model.appendAction(action, false);
    ASSERT_TRUE(model.saveToFile(file("ablauf.txt")));
    EXPECT_EQ(std::string("0,5,3,170,10; Relais ein f\xFCr Pr\xFC"
                          "fung\r\n0,5,3,?,0; Gr\xF6\xDF"
                          "e  \r\n"),
              kw::readFileBytes(file("ablauf.txt")).value());

    ActionListModel loaded;
    ASSERT_TRUE(loaded.loadFromFile(file("ablauf.txt")));
    ASSERT_EQ(2, loaded.count());
    EXPECT_EQ("Relais ein für Prüfung", loaded.action(0).text());
    EXPECT_EQ("Größe  ", loaded.action(1).text());
    EXPECT_EQ(0, loaded.action(1).result());
}

TEST_F(ActionListTest, EmptyListSavesAnEmptyFile) {
    ActionListModel model;
    write(file("alt.txt"), "1,2,3,4,5; alt\r\n");
    ASSERT_TRUE(model.saveToFile(file("alt.txt")));
    EXPECT_EQ("", kw::readFileBytes(file("alt.txt")).value());
}

TEST_F(ActionListTest, FailedSaveLeavesTheOldFileAndNoLeftovers) {
    ActionListModel model;
    fill(model, {"neu"});
    EXPECT_FALSE(model.saveToFile(file("fehlt") / "ablauf.txt"));
    // The target is a folder: the rename fails, the temporary file goes again.
    fs::create_directories(file("ordner") / "inhalt");
    EXPECT_FALSE(model.saveToFile(file("ordner")));
    EXPECT_TRUE(fs::exists(file("ordner") / "inhalt"));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(file(""))) {
        ++entries;
    }
    EXPECT_EQ(1, entries);
}

TEST_F(ActionListTest, LoadSkipsMalformedLinesAndAppends) {
    write(file("gemischt.txt"), "1,2,3,?,0; Test\r\n"
                                "1,2,3\r\n"
                                "\r\n"
                                "Buchstaben\n"
                                "1,2,3,? ,0; blank\r\n"
                                ",,,,; Null\n"
                                "4,5,6,7,8; ohne Zeilenende");
    ActionListModel model;
    ASSERT_TRUE(model.loadFromFile(file("gemischt.txt")));
    EXPECT_EQ((std::vector<std::string>{"Test", "Null", "ohne Zeilenende"}), names(model));
    ASSERT_TRUE(model.loadFromFile(file("gemischt.txt")));
    EXPECT_EQ(6, model.count());
}

TEST_F(ActionListTest, LoadOfMissingFileOrFolderFailsAndChangesNothing) {
    ActionListModel model;
    fill(model, {"bleibt"});
    EXPECT_FALSE(model.loadFromFile(file("gibt-es-nicht.txt")));
    EXPECT_FALSE(model.loadFromFile(file("")));
    EXPECT_EQ(1, model.count());
}

TEST_F(ActionListTest, LoadedLinesSaveBackByteForByte) {
    const std::string original = "1,2,3,?,0; Test\r\n"
                                 "1,2,3,4,5; \r\n"
                                 "0,0,0,0,0; Null\r\n"
                                 "0,1,2,?,0; \x80\x81\xFF  \r\n";
    write(file("in.txt"), original);
    ActionListModel model;
    ASSERT_TRUE(model.loadFromFile(file("in.txt")));
    ASSERT_TRUE(model.saveToFile(file("out.txt")));
    EXPECT_EQ(original, kw::readFileBytes(file("out.txt")).value());
}

TEST_F(ActionListTest, DeleteAllEmptiesTheList) {
    ActionListModel model;
    RecordingView view;
    fill(model, {"a", "b"});
    model.select(0);
    model.setObserver(&view);
    model.deleteAll();
    EXPECT_EQ(0, model.count());
    EXPECT_EQ(nullptr, model.selectedAction());
    EXPECT_EQ((std::vector<std::string>{"clear"}), view.events);
}
