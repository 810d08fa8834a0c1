// What the user types into the record panel's boxes, key by key, as a keyboard sends it:
// every press and release reaches the box once, and the text reaches the catalogue.

#include <QTest>

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/ui/forms.h"
#include "support/program_folder_test.h"

namespace {

class TypingIntoTheRecordPanel : public testsupport::ProgramFolderTest {
protected:
    Form1& start() {
        restartProgram();
        makeCatalogueWithRows(3);
        EXPECT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        form.ComdADOMove_Click(2);
        return form;
    }

    QString stored(const char* column) const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        rs.setAbsolutePosition(2);
        return QString::fromStdString(rs.field(column).value().text());
    }
};

// 200 keys: words, a Backspace after each, an Enter after each; returns what the box
// should then hold, with the box's length limit and its one or many lines.
QString typeKeys(QWidget* editor, bool multiLine, int maxLength) {
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QString expected;
    for (int k = 0; k < 40; ++k) {
        const QString word = QString("w%1 ").arg(k % 10);
        QTest::keyClicks(editor, word);
        for (QChar c : word)
            if (maxLength == 0 || expected.size() < maxLength) expected += c;
        QTest::keyClick(editor, Qt::Key_Backspace);
        expected.chop(1);
        QTest::keyClick(editor, Qt::Key_Return);
        if (multiLine) expected += "\r\n";
    }
    return expected;
}

TEST_F(TypingIntoTheRecordPanel, EveryKeyOfEveryBoxReachesTheCatalogue) {
    const struct {
        int box;
        const char* column;
        bool multiLine;
        int maxLength;
    } boxes[] = {
        {18, "PhotoDescription", false, 150}, {11, "Description", false, 255}, {15, "Notes", true, 0},
        {20, "WorkPhone", false, 150},        {14, "Category", false, 150},    {13, "Location", false, 150},
        {0, "Phone", false, 150},             {7, "Email", false, 150},        {9, "Address", true, 0},
        {1, "City", false, 50},               {8, "IDUs", false, 150},         {10, "Company", true, 0},
        {5, "Height", false, 50},             {4, "Weight", false, 50},        {6, "DOB", false, 50},
        {12, "Education", false, 150},
    };
    Form1& form = start();
    std::vector<QString> typed;
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.column);
        ui::TextBox& box = *form.TextField[b.box];
        ASSERT_EQ(box.MultiLine(), b.multiLine);
        typed.push_back(typeKeys(box.editor(), b.multiLine, b.maxLength));
        EXPECT_EQ(box.Text(), typed.back());
    }
    // The date box takes a date the same way.
    QWidget* date = form.TextField[16]->editor();
    QTest::keyClicks(date, "2026-12-119");
    QTest::keyClick(date, Qt::Key_Backspace);

    form.window()->close();
    ASSERT_TRUE(ui::programEnded());
    for (size_t i = 0; i < std::size(boxes); ++i) {
        SCOPED_TRACE(boxes[i].column);
        EXPECT_EQ(stored(boxes[i].column), typed[i]);
    }
    EXPECT_EQ(stored("Date").left(10), "2026-12-11");
}

}  // namespace
